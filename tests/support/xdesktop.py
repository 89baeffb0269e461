#!/usr/bin/env python3
"""A private X desktop for the tests that need a real X server.

Desktop starts Xvfb on a free display (the server picks it: -displayfd), a window
manager (openbox, icewm or fluxbox, each with a private configuration that sets how it
places new windows, or the tiling i3) and a system tray (fluxbox's own, else trayer),
each with a private HOME and runtime folder, and stops every process it started, whatever happens (use it as a context
manager). Its methods find windows, read their geometry as the X server has it (the
client area and the window manager's frame around it), drive the pointer and the keys
and take screenshots through the usual X tools (xdotool, xprop, xwininfo, ImageMagick).

From a shell, or for a test program in any language:

    xdesktop.py run [--wm openbox|icewm|fluxbox|i3] [--placement P] [--size WxH] [--no-tray] -- command...

starts the desktop, runs the command on it (DISPLAY, HOME, XDG_RUNTIME_DIR and
QT_QPA_PLATFORM set), stops everything and exits with the command's exit code.

    xdesktop.py geometry WINDOW

prints "x y width height frame_x frame_y frame_width frame_height" of a window of the
desktop named by DISPLAY.

Every deadline here is stretched by MC_TEST_TIME_FACTOR (see time_factor()).
scripts/install-deps.sh installs the tools; missing_tools() names those that are not
there, so that a suite can skip on a machine without them.
"""

import argparse
import atexit
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import x11wire  # noqa: E402

WINDOW_MANAGERS = {
    # name: (command, placements it knows; the first is its default)
    "openbox": (["openbox", "--sm-disable"], ["Smart", "UnderMouse"]),
    "icewm": (["icewm"], ["Smart", "Cascade"]),
    "fluxbox": (["fluxbox"], ["RowSmart", "UnderMouse", "Cascade"]),
    # Tiles windows; a window of a fixed size (or a dialog) floats, centred.
    "i3": (["i3"], ["Tiling"]),
}
# Window managers that bring a system tray of their own (its toolbar's).
OWN_TRAY = {"fluxbox"}
BASE_TOOLS = ["Xvfb", "trayer", "xdotool", "xprop", "xwininfo", "import", "convert"]

# Exit code with which a suite tells CTest that it was skipped.
SKIP = 77

TIME_FACTOR_VARIABLE = "MC_TEST_TIME_FACTOR"


def time_factor():
    """How much slower than usual this machine may be: every deadline of the test suite
    is multiplied by MC_TEST_TIME_FACTOR (a positive number, 1 when unset)."""
    try:
        factor = float(os.environ.get(TIME_FACTOR_VARIABLE, "1"))
    except ValueError:
        return 1.0
    return factor if factor > 0 else 1.0


def stretched(seconds):
    return seconds * time_factor()


# Desktops not stopped yet: stopped at the latest when the interpreter exits.
_running = []


@atexit.register
def _stop_running():
    for desk in list(_running):
        desk.stop()


def stop_on_termination():
    """Makes SIGTERM and SIGHUP (a test runner's timeout, for one) end the suite through
    its clean-ups, so that no X server or program is left behind."""
    for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(sig, lambda signo, frame: sys.exit(128 + signo))


def missing_tools(wm="openbox"):
    return [tool for tool in BASE_TOOLS + [WINDOW_MANAGERS[wm][0][0]] if shutil.which(tool) is None]


def wait_until(predicate, timeout=30.0, what="the condition", interval=0.05):
    """Returns the first true value of predicate(). The deadline (stretched) only bounds a
    hang: past it, AssertionError."""
    limit = stretched(timeout)
    deadline = time.monotonic() + limit
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {limit:.0f} s waiting for {what}")
        time.sleep(interval)


def stop_process(process, grace=5.0):
    """SIGTERM, then SIGKILL after `grace` (stretched) seconds; returns the exit code."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(stretched(grace))
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    return process.returncode


def parse_xwininfo(out):
    """Geometry and map state from xwininfo's output, or None."""
    def field(name):
        found = re.search(name + r":\s+(\S+)", out)
        return found.group(1) if found else None
    x = field("Absolute upper-left X")
    if x is None:
        return None
    return {"x": int(x), "y": int(field("Absolute upper-left Y")),
            "width": int(field("Width")), "height": int(field("Height")),
            "border": int(field("Border width") or 0), "viewable": field("Map State") == "IsViewable"}


class Desktop:
    """size: (width, height) of the screen. wm: a key of WINDOW_MANAGERS. placement: how
    the window manager places a new window (one of its WINDOW_MANAGERS placements; None
    for its default). tray: a system tray (trayer, unless the window manager has one). shots: the folder of
    the screenshots (emptied now, made when the first is taken)."""

    def __init__(self, width=1280, height=800, tray=True, shots=None, wm="openbox", placement=None):
        if wm not in WINDOW_MANAGERS:
            raise ValueError(f"unknown window manager {wm}")
        placements = WINDOW_MANAGERS[wm][1]
        if placement is not None and placement not in placements:
            raise ValueError(f"{wm} places windows {' or '.join(placements)}, not {placement}")
        self.width = width
        self.height = height
        self.wm = wm
        self.placement = placement or placements[0]
        self.with_tray = tray
        self.shots = shots
        if shots:
            shutil.rmtree(shots, ignore_errors=True)
        self.folder = tempfile.mkdtemp(prefix="desktop-")
        self.processes = []  # ours, in start order
        self.display = None
        self.env = self._private_environment()
        _running.append(self)

    # ---- life -------------------------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        self._start_server()
        self._start_window_manager()
        if self.with_tray and self.wm not in OWN_TRAY:
            self._start_tray()
        return self

    def _start_window_manager(self):
        command = list(WINDOW_MANAGERS[self.wm][0])
        env = {}
        if self.wm == "openbox":
            command += ["--config-file", self._openbox_config()]
        elif self.wm == "icewm":
            env["ICEWM_PRIVCFG"] = self._icewm_config()
        elif self.wm == "fluxbox":
            command += ["-rc", self._fluxbox_config()]
        else:
            command += ["-c", self._i3_config()]
        self.launch(command, env=env, log=self.wm)
        # Windows are managed once the window manager has announced itself.
        wait_until(lambda: "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
                   what=self.wm)

    def _openbox_config(self):
        with open("/etc/xdg/openbox/rc.xml") as f:
            rc = f.read()
        rc = re.sub(r"<policy>\w+</policy>", f"<policy>{self.placement}</policy>", rc, count=1)
        path = os.path.join(self.folder, "openbox-rc.xml")
        with open(path, "w") as f:
            f.write(rc)
        return path

    def _icewm_config(self):
        # No task bar: its own tray would take the tray selection from trayer.
        folder = os.path.join(self.folder, "icewm")
        os.makedirs(folder)
        with open(os.path.join(folder, "preferences"), "w") as f:
            f.write("ShowTaskBar=0\nTaskBarEnableSystemTray=0\nShowWelcomeWindow=0\n")
            f.write(f"SmartPlacement={1 if self.placement == 'Smart' else 0}\nManualPlacement=0\n")
        return folder

    def _fluxbox_config(self):
        # Its toolbar at the bottom, with the system tray when the desktop has one; no
        # background setter (it would put up a message window of its own).
        folder = os.path.join(self.folder, "fluxbox")
        os.makedirs(folder)
        overlay = os.path.join(folder, "overlay")
        with open(overlay, "w") as f:
            f.write("background: none\n")
        tools = "workspacename, iconbar" + (", systemtray" if self.with_tray else "")
        path = os.path.join(folder, "init")
        with open(path, "w") as f:
            f.write(f"session.styleOverlay: {overlay}\nsession.screen0.toolbar.tools: {tools}\n"
                    f"session.screen0.windowPlacement: {self.placement}Placement\n"
                    "session.screen0.toolbar.placement: BottomCenter\nsession.screen0.workspaces: 1\n")
        return path

    def _i3_config(self):
        # No bar (trayer is the tray, docked at the top), no keys of its own.
        path = os.path.join(self.folder, "i3.conf")
        with open(path, "w") as f:
            f.write("# i3 config file (v4)\nfont pango:monospace 8\nfocus_follows_mouse no\n")
        return path

    def _start_tray(self):
        # A tray started while the window manager is still coming up can stay unmanaged
        # and never show; such a tray is started again.
        for attempt in range(4):
            tray = self.launch(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                                "--height", "32", "--SetDockType", "true", "--expand", "true"], log="trayer")
            try:
                wait_until(lambda: self.tray_panel(), timeout=4 + 4 * attempt, what="the tray")
                return
            except AssertionError:
                stop_process(tray)
                self.processes.remove(tray)
        raise AssertionError("the tray did not come up: " + self.log("trayer"))

    def stop(self):
        # Our processes in reverse order, the X server last.
        for process in reversed(self.processes):
            stop_process(process)
        self.processes = []
        shutil.rmtree(self.folder, ignore_errors=True)
        if self in _running:
            _running.remove(self)

    def end_display(self):
        """Ends the X server under everything, as a logout without a session manager does."""
        stop_process(self.processes[0])

    def launch(self, args, env=None, log=None):
        """Starts a process on this desktop, its output into a log; it is stopped with the
        desktop."""
        full_env = dict(self.env)
        full_env.update(env or {})
        out = open(os.path.join(self.folder, (log or os.path.basename(args[0])) + ".log"), "ab")
        process = subprocess.Popen(args, env=full_env, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL)
        out.close()
        self.processes.append(process)
        return process

    def log(self, name):
        path = os.path.join(self.folder, name + ".log")
        if not os.path.exists(path):
            return ""
        with open(path, errors="replace") as f:
            return f.read()

    def _private_environment(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                            "SESSION_MANAGER", "XAUTHORITY", "QT_QPA_PLATFORMTHEME")}
        for name in ("home", "runtime"):
            os.makedirs(os.path.join(self.folder, name), mode=0o700)
        env["HOME"] = os.path.join(self.folder, "home")
        env["XDG_RUNTIME_DIR"] = os.path.join(self.folder, "runtime")
        env["XDG_CONFIG_HOME"] = os.path.join(self.folder, "home", ".config")
        env["QT_QPA_PLATFORM"] = "xcb"
        return env

    def _start_server(self):
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.folder, "Xvfb.log"), "ab")
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{self.width}x{self.height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        log.close()
        os.close(write_end)
        self.processes.append(server)
        # The server writes its display number once it accepts clients.
        number = b""
        deadline = time.monotonic() + stretched(30)
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([read_end], [], [], left)[0]:
                break
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise AssertionError("Xvfb gave no display: " + self.log("Xvfb"))
        self.display = ":" + number.decode().strip()
        self.env["DISPLAY"] = self.display

    # ---- windows, as the X server has them ----------------------------------------------

    def x(self, *args, check=True):
        """Runs an X tool on this desktop; its standard output."""
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=stretched(30))
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    def find_windows(self, pid=None, name=None, class_name=None, visible=False):
        """Windows by process and title or class (a regular expression)."""
        args = ["xdotool", "search", "--all"]
        if visible:
            args.append("--onlyvisible")
        if pid is not None:
            args += ["--pid", str(pid)]
        if class_name is not None:
            args += ["--class", class_name]
        else:
            args += ["--name", name if name is not None else ".*"]
        return [int(w) for w in self.x(*args, check=False).split()]

    def windows_of(self, pid, name=".*", visible=False):
        """The windows of a process whose title matches the regular expression `name`."""
        return self.find_windows(pid=pid, name=name, visible=visible)

    def info(self, window):
        """Client area (absolute x, y, width, height, border) and map state, or None."""
        return parse_xwininfo(self.x("xwininfo", "-id", str(window), check=False))

    def frame(self, window):
        """The outer rectangle (x, y, width, height, borders included) of the window
        manager's frame around a window: its ancestor that is a child of the root (the
        window itself when it is not reparented). None when the window is gone."""
        top = int(window)
        while True:
            out = self.x("xwininfo", "-tree", "-id", str(top), check=False)
            root = re.search(r"Root window id:\s+(0x[0-9a-f]+)", out)
            parent = re.search(r"Parent window id:\s+(0x[0-9a-f]+)", out)
            if not root or not parent:
                return None
            if int(parent.group(1), 16) == int(root.group(1), 16):
                break
            top = int(parent.group(1), 16)
        info = self.info(top)
        if not info:
            return None
        border = info["border"]
        return {"x": info["x"] - border, "y": info["y"] - border,
                "width": info["width"] + 2 * border, "height": info["height"] + 2 * border, "window": top}

    def geometry(self, window):
        """A window's client area and its frame, as the X server has them:
        {"x", "y", "width", "height", "viewable", "frame": {"x", "y", "width", "height"}}."""
        info = self.info(window)
        if not info:
            return None
        info["frame"] = self.frame(window)
        return info

    def viewable(self, window):
        info = self.info(window)
        return bool(info and info["viewable"])

    def wm_state(self, window):
        """'Normal', 'Iconic', 'Withdrawn' or None (the ICCCM state the window manager set)."""
        out = self.x("xprop", "-id", str(window), "WM_STATE", check=False)
        found = re.search(r"window state:\s+(\w+)", out)
        return found.group(1) if found else None

    def tray_panel(self):
        for window in self.find_windows(class_name="trayer"):
            info = self.info(window)
            if info and info["viewable"] and info["height"] >= 16:
                return window
        return None

    def tray_icons(self, pid):
        """The viewable tray icons of a process: its small windows that a tray has taken
        in (embedded in another window, and not managed by the window manager)."""
        icons = []
        for window in self.windows_of(pid):
            info = self.info(window)
            if not info or not info["viewable"] or info["width"] > 64 or info["height"] > 64:
                continue
            if self.wm_state(window) is None and not self.is_top_level(window):
                icons.append(window)
        return icons

    def is_top_level(self, window):
        """Whether a window is a child of the root window (not reparented)."""
        out = self.x("xwininfo", "-tree", "-id", str(window), check=False)
        root = re.search(r"Root window id:\s+(0x[0-9a-f]+)", out)
        parent = re.search(r"Parent window id:\s+(0x[0-9a-f]+)", out)
        return bool(root and parent and int(root.group(1), 16) == int(parent.group(1), 16))

    def keyboard_grabbed(self):
        """Whether a client holds the keyboard: a grab of ours is refused as already
        held (and one that is granted is let go at once)."""
        return x11wire.Connection(self.display).keyboard_grabbed()

    def centre(self, window):
        info = self.info(window)
        return info["x"] + info["width"] // 2, info["y"] + info["height"] // 2

    def occupy(self, x, y, width, height, name="occupant"):
        """Puts another program's window (xev) on the desktop at this place, so that the
        window manager places the next window around it; its window id."""
        process = self.launch(["xev", "-name", name, "-event", "structure"], log=name)
        # xev names its window but does not say whose it is (no _NET_WM_PID).
        window = wait_until(lambda: self.find_windows(name=f"^{re.escape(name)}$", visible=True), what=name)[0]
        self.x("xdotool", "windowsize", "--sync", str(window), str(width), str(height))
        self.x("xdotool", "windowmove", "--sync", str(window), str(x), str(y))
        return window

    # ---- input --------------------------------------------------------------------------

    def move(self, x, y):
        # Two steps, so that the window under the pointer sees a move onto the point.
        # --sync returns once the server has the pointer there; it would wait for a move
        # that never comes if the pointer were there already.
        if self.pointer() != (x + 3, y + 3):
            self.x("xdotool", "mousemove", "--sync", str(x + 3), str(y + 3))
        self.x("xdotool", "mousemove", "--sync", str(x), str(y))

    def pointer(self):
        out = self.x("xdotool", "getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def click(self, x, y, button=1, count=1):
        self.move(x, y)
        # The delay is the pause between the clicks of a double click, not a wait.
        self.x("xdotool", "click", "--repeat", str(count), "--delay", "100", str(button))

    def key(self, *keys):
        self.x("xdotool", "key", "--delay", "80", *keys)

    def activate(self, window):
        """Asks the window manager to bring the window to the front (as a taskbar does)."""
        self.x("xdotool", "windowactivate", str(window), check=False)

    def focus(self, window):
        self.x("xdotool", "windowactivate", "--sync", str(window))

    def close(self, window):
        """The window manager's close (Alt+F4 in both window managers): the window gets
        WM_DELETE_WINDOW."""
        self.focus(window)
        self.key("alt+F4")

    # ---- pixels -------------------------------------------------------------------------

    def screenshot(self, name, window=None):
        """Saves a PNG of the screen (or of one window) into the shots folder; its path."""
        if not self.shots:
            return None
        os.makedirs(self.shots, exist_ok=True)
        path = os.path.join(self.shots, name + ".png")
        self.x("import", "-window", str(window) if window else "root", path)
        return path

    def lit_fraction(self, window, level=20):
        """The share of a window's pixels with some channel above `level` (0 for black)."""
        data = subprocess.run(["import", "-window", str(window), "-depth", "8", "rgb:-"], env=self.env,
                              capture_output=True, timeout=stretched(30)).stdout
        pixels = len(data) // 3
        if pixels == 0:
            return 0.0
        lit = sum(1 for i in range(0, pixels * 3, 3) if max(data[i], data[i + 1], data[i + 2]) > level)
        return lit / pixels


# ---- command line -------------------------------------------------------------------------


def _run(args):
    width, height = (int(v) for v in args.size.split("x"))
    missing = missing_tools(args.wm)
    if missing:
        print("skipped: not installed: " + " ".join(missing) + " (scripts/install-deps.sh installs them)",
              file=sys.stderr)
        return SKIP
    stop_on_termination()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        print("xdesktop.py run: no command", file=sys.stderr)
        return 2
    with Desktop(width, height, tray=not args.no_tray, wm=args.wm, placement=args.placement) as desk:
        env = dict(desk.env)
        env["XDESKTOP_WM"] = desk.wm
        process = subprocess.Popen(command, env=env)
        try:
            return process.wait()
        finally:
            stop_process(process)
            if process.returncode != 0:
                for name in ("Xvfb", desk.wm, "trayer"):
                    text = desk.log(name).strip()
                    if text:
                        print(f"-- {name}:\n{text}", file=sys.stderr)


def _geometry(args):
    desk = Desktop.__new__(Desktop)  # the desktop of DISPLAY, not one of ours
    desk.env = dict(os.environ)
    found = desk.geometry(int(args.window, 0))
    if not found or not found["frame"]:
        print(f"no window {args.window}", file=sys.stderr)
        return 1
    frame = found["frame"]
    print(found["x"], found["y"], found["width"], found["height"],
          frame["x"], frame["y"], frame["width"], frame["height"])
    return 0


def main():
    parser = argparse.ArgumentParser(description="A private X desktop for tests.")
    sub = parser.add_subparsers(dest="what", required=True)
    run = sub.add_parser("run", help="run a command on a private desktop")
    run.add_argument("--wm", choices=sorted(WINDOW_MANAGERS), default="openbox")
    run.add_argument("--placement", help="how the window manager places new windows")
    run.add_argument("--size", default="1280x1024", help="screen size, WIDTHxHEIGHT")
    run.add_argument("--no-tray", action="store_true")
    run.add_argument("command", nargs=argparse.REMAINDER)
    geometry = sub.add_parser("geometry", help="a window's client area and frame on $DISPLAY")
    geometry.add_argument("window")
    args = parser.parse_args()
    sys.exit(_run(args) if args.what == "run" else _geometry(args))


if __name__ == "__main__":
    main()

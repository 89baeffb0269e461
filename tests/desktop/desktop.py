"""A private X desktop for tests of the whole program.

Desktop starts Xvfb on a free display (the server picks it: -displayfd), openbox as the
window manager and trayer as the system tray, each with a private HOME and runtime
folder, and stops every process it started, whatever happens (use it as a context
manager). Its methods find windows, click, type, read window states and take
screenshots through the usual X tools (xdotool, xprop, xwininfo, ImageMagick).

scripts/install-deps.sh installs the tools; missing_tools() names those that are not
there, so that a suite can skip on a machine without them.
"""

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

REQUIRED_TOOLS = ["Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo", "import", "convert"]

# Exit code with which a suite tells CTest that it was skipped.
SKIP = 77


# Desktops not stopped yet: stopped at the latest when the interpreter exits.
_running = []


@atexit.register
def _stop_running():
    for desk in list(_running):
        desk.stop()


def stop_on_termination():
    """Makes SIGTERM and SIGHUP (a test runner's timeout, for one) end the suite through
    its clean-ups, so that no X server or program is left behind."""
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda signo, frame: sys.exit(128 + signo))


def missing_tools():
    return [tool for tool in REQUIRED_TOOLS if shutil.which(tool) is None]


def wait_until(predicate, timeout=15.0, what="the condition", interval=0.05):
    """Returns the first true value of predicate(); raises AssertionError after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def stop_process(process, grace=5.0):
    """SIGTERM, then SIGKILL after `grace` seconds; returns the exit code."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    return process.returncode


class Desktop:
    def __init__(self, width=1280, height=800, tray=True, shots=None):
        self.width = width
        self.height = height
        self.with_tray = tray
        self.shots = shots  # folder of the screenshots (emptied now, made when the first is taken)
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
        self.launch(["openbox", "--sm-disable"], log="openbox")
        wait_until(lambda: "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
                   what="openbox")
        if self.with_tray:
            self._start_tray()

    def _start_tray(self):
        # A tray started while openbox is still coming up can stay unmanaged and never
        # show; such a tray is started again.
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
        """Starts a process on this desktop; it is stopped with the desktop."""
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
        return open(path, errors="replace").read() if os.path.exists(path) else ""

    def _private_environment(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS",
                            "SESSION_MANAGER", "XAUTHORITY", "QT_QPA_PLATFORMTHEME")}
        for name in ("home", "runtime"):
            os.makedirs(os.path.join(self.folder, name), mode=0o700)
        env["HOME"] = os.path.join(self.folder, "home")
        env["XDG_RUNTIME_DIR"] = os.path.join(self.folder, "runtime")
        env["XDG_CONFIG_HOME"] = os.path.join(self.folder, "home", ".config")
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
        number = b""
        deadline = time.monotonic() + 30
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

    # ---- X tools ------------------------------------------------------------------------

    def x(self, *args, check=True):
        """Runs an X tool on this desktop; its standard output."""
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    def windows_of(self, pid, name=".*", visible=False):
        """The windows of a process whose title matches the regular expression `name`."""
        args = ["xdotool", "search", "--all", "--pid", str(pid), "--name", name]
        if visible:
            args.insert(3, "--onlyvisible")
        return [int(w) for w in self.x(*args, check=False).split()]

    def info(self, window):
        """Geometry (absolute x, y, width, height) and map state of a window, or None."""
        out = self.x("xwininfo", "-id", str(window), check=False)
        if not out:
            return None
        field = lambda name: re.search(name + r":\s+(\S+)", out).group(1)
        return {"x": int(field("Absolute upper-left X")), "y": int(field("Absolute upper-left Y")),
                "width": int(field("Width")), "height": int(field("Height")),
                "viewable": field("Map State") == "IsViewable"}

    def viewable(self, window):
        info = self.info(window)
        return bool(info and info["viewable"])

    def wm_state(self, window):
        """'Normal', 'Iconic', 'Withdrawn' or None (the ICCCM state the window manager set)."""
        out = self.x("xprop", "-id", str(window), "WM_STATE", check=False)
        found = re.search(r"window state:\s+(\w+)", out)
        return found.group(1) if found else None

    def tray_panel(self):
        out = self.x("xdotool", "search", "--class", "trayer", check=False)
        for window in out.split():
            info = self.info(window)
            if info and info["viewable"] and info["height"] >= 16:
                return int(window)
        return None

    def tray_icons(self, pid):
        """The viewable tray icons of a process: its small windows inside the tray's panel."""
        panel = self.info(self.tray_panel() or 0)
        icons = []
        for window in self.windows_of(pid):
            info = self.info(window)
            if not info or not info["viewable"] or info["width"] > 64 or info["height"] > 64 or not panel:
                continue
            inside = (panel["x"] <= info["x"] < panel["x"] + panel["width"]
                      and panel["y"] <= info["y"] < panel["y"] + panel["height"])
            if inside:
                icons.append(window)
        return icons

    def centre(self, window):
        info = self.info(window)
        return info["x"] + info["width"] // 2, info["y"] + info["height"] // 2

    # ---- input --------------------------------------------------------------------------

    def move(self, x, y):
        # Two steps, so that the window under the pointer sees a move onto the point.
        self.x("xdotool", "mousemove", str(x + 3), str(y + 3), "sleep", "0.1", "mousemove", str(x), str(y),
               "sleep", "0.15")

    def click(self, x, y, button=1, count=1):
        self.move(x, y)
        self.x("xdotool", "click", "--repeat", str(count), "--delay", "100", str(button))

    def key(self, *keys):
        self.x("xdotool", "key", "--delay", "80", *keys)

    def activate(self, window):
        """Asks the window manager to bring the window to the front (as a taskbar does)."""
        self.x("xdotool", "windowactivate", str(window), check=False)

    def focus(self, window):
        self.x("xdotool", "windowactivate", "--sync", str(window))

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
                              capture_output=True, timeout=30).stdout
        pixels = len(data) // 3
        if pixels == 0:
            return 0.0
        lit = sum(1 for i in range(0, pixels * 3, 3) if max(data[i], data[i + 1], data[i + 2]) > level)
        return lit / pixels

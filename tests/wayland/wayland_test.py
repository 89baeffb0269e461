#!/usr/bin/env python3
"""The program on a Wayland desktop without a tray or a taskbar: weston's headless
backend with its desktop shell, a private runtime folder, the real program with the
simulated mouse on Qt's Wayland platform. What the compositor shows is read from its
screenshots (weston-screenshooter, which needs weston's --debug); what the program asked
of the compositor is read from weston's protocol log (weston-debug proto).

Skipped (exit code 77) only where the compositor cannot start.

Run: wayland_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402

PROGRAM = None
SHOTS = None
SKIP = desktop.SKIP
WIDTH, HEIGHT = 1280, 800
# weston's desktop shell with a black background and no panel: every lit pixel is a window.
WESTON_INI = "[core]\nidle-time=0\n[shell]\nbackground-color=0xff000000\npanel-position=none\nlocking=false\n"
# The share of lit pixels of the screen with the main window shown, and with none.
SHOWN = 0.3
NONE_SHOWN = 0.01


# The shared harness's waits: conditions with deadlines that MC_TEST_TIME_FACTOR stretches.
wait_until = desktop.wait_until
stop = desktop.stop_process


class CompositorCannotStart(Exception):
    pass


class Compositor:
    """weston on the headless backend in a private folder; stops what it started."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="wayland-")
        self.runtime = os.path.join(self.folder, "runtime")
        os.mkdir(self.runtime, 0o700)
        os.mkdir(os.path.join(self.folder, "home"), 0o700)
        self.socket = "wayland-test"
        self.processes = []
        self.as_user = []  # the command prefix that runs a process as the desktop's user
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM",
                                 "QT_QPA_PLATFORMTHEME", "XAUTHORITY", "SESSION_MANAGER")}
        self.env.update({"XDG_RUNTIME_DIR": self.runtime, "WAYLAND_DISPLAY": self.socket,
                         "HOME": os.path.join(self.folder, "home"),
                         "XDG_CONFIG_HOME": os.path.join(self.folder, "home", ".config")})

    def start(self):
        if shutil.which("weston") is None:
            raise CompositorCannotStart("weston is not installed (scripts/install-deps.sh installs it)")
        config = os.path.join(self.folder, "weston.ini")
        with open(config, "w") as f:
            f.write(WESTON_INI)
        weston = self.launch(["weston", "--backend=headless-backend.so", "--use-pixman", "--debug",
                              f"--config={config}", f"--socket={self.socket}", f"--width={WIDTH}",
                              f"--height={HEIGHT}"], "weston")
        socket = os.path.join(self.runtime, self.socket)
        wait_until(lambda: os.path.exists(socket) or weston.poll() is not None, what="weston's socket")
        if weston.poll() is not None:
            raise CompositorCannotStart("weston ended at its start: " + self.log("weston")[-2000:])

    def stop(self):
        for process in reversed(self.processes):
            stop(process)
        self.processes = []
        shutil.rmtree(self.folder, ignore_errors=True)

    def launch(self, args, log, env=None):
        out = open(os.path.join(self.folder, log + ".log"), "ab")
        process = subprocess.Popen(self.as_user + args, env=dict(self.env, **(env or {})), stdout=out,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, cwd=self.folder)
        out.close()
        self.processes.append(process)
        return process

    def log(self, name):
        path = os.path.join(self.folder, name + ".log")
        if not os.path.exists(path):
            return ""
        with open(path, errors="replace") as f:
            return f.read()

    def watch_protocol(self):
        """Logs every request and event of every client from now on ("proto.log")."""
        self.launch(["weston-debug", "proto"], "proto")
        # Its own unsubscribe from the debug interface is the first line it logs.
        wait_until(lambda: self.log("proto"), what="the protocol log")

    def screenshot(self, name):
        """A PNG of the whole output: its path (in the shots folder when there is one)."""
        folder = tempfile.mkdtemp(dir=self.folder)
        subprocess.run(["weston-screenshooter"], env=self.env, cwd=folder, check=True, timeout=desktop.stretched(30),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shot = glob.glob(os.path.join(folder, "*.png"))[0]
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            shot = shutil.copy(shot, os.path.join(SHOTS, name + ".png"))
        return shot

    def lit_fraction(self, name):
        """The share of the screen's pixels that are not black."""
        out = subprocess.run(["convert", self.screenshot(name), "-colorspace", "Gray", "-threshold", "3%",
                              "-format", "%[fx:mean]", "info:"], capture_output=True, text=True, check=True,
                             timeout=desktop.stretched(30)).stdout
        return float(out)


def minimised_after_first_frame(proto):
    """Whether a client's toplevel window asked to be minimised after its surface had
    shown a frame (weston minimises only a window that is on the screen)."""
    client = surface = toplevel = None
    xdg_surfaces = {}
    drawn = attached = False
    for line in proto.splitlines():
        found = re.search(r"client (\S+) rq (.*)", line)
        if not found:
            continue
        who, request = found.groups()
        made = re.match(r"xdg_wm_base@\d+\.get_xdg_surface\(new id xdg_surface@(\d+), wl_surface@(\d+)\)", request)
        if made:
            xdg_surfaces[(who, made.group(1))] = made.group(2)
        made = re.match(r"xdg_surface@(\d+)\.get_toplevel\(new id xdg_toplevel@(\d+)\)", request)
        if made and (who, made.group(1)) in xdg_surfaces:
            client, surface, toplevel = who, xdg_surfaces[(who, made.group(1))], made.group(2)
            drawn = attached = False
        if who != client:
            continue
        if request.startswith(f"wl_surface@{surface}.attach(wl_buffer@"):
            attached = True
        elif request == f"wl_surface@{surface}.commit()" and attached:
            drawn = True
        elif request == f"xdg_toplevel@{toplevel}.set_minimized()" and drawn:
            return True
    return False


class WaylandTest(unittest.TestCase):
    def setUp(self):
        self.compositor = Compositor()
        self.addCleanup(self.compositor.stop)
        try:
            self.compositor.start()
        except CompositorCannotStart as why:
            raise unittest.SkipTest(f"the compositor cannot start: {why}")
        # A copy of the program folder: the program seeds and writes its settings there.
        folder = os.path.join(self.compositor.folder, "program")
        os.mkdir(folder)
        shutil.copy2(PROGRAM, folder)
        shutil.copytree(os.path.join(os.path.dirname(PROGRAM), "skins"), os.path.join(folder, "skins"))
        self.exe = os.path.join(folder, os.path.basename(PROGRAM))
        self.program_env = {"QT_QPA_PLATFORM": "wayland"}

    def test_start_hidden_then_second_start_brings_the_window_back(self):
        self.compositor.watch_protocol()
        program = self.compositor.launch([self.exe, "--simulate", "-HIDE"], "program", self.program_env)

        # Minimised once it was on the screen; the compositor takes it off the screen.
        wait_until(lambda: minimised_after_first_frame(self.compositor.log("proto")) or program.poll() is not None,
                   what="the window minimised after its first frame")
        self.assertIsNone(program.poll(), "the program runs: " + self.compositor.log("program"))
        wait_until(lambda: self.compositor.lit_fraction("1-started-hidden") < NONE_SHOWN,
                   what="the screen without the window")

        # Nothing on this desktop can restore the window but a second start.
        second = subprocess.run([self.exe, "--simulate"], env=dict(self.compositor.env, **self.program_env),
                                capture_output=True, timeout=desktop.stretched(30))
        self.assertEqual(second.returncode, 0, second.stderr)
        wait_until(lambda: self.compositor.lit_fraction("2-second-start") > SHOWN, what="the window back on the screen")

        self.assertIsNone(program.poll(), "the first program still runs")
        self.assertEqual(stop(program), 0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--shots")
    args, rest = parser.parse_known_args()
    global PROGRAM, SHOTS
    PROGRAM = os.path.abspath(args.program)
    SHOTS = args.shots
    if SHOTS:
        shutil.rmtree(SHOTS, ignore_errors=True)
    desktop.stop_on_termination()  # a test runner's timeout ends through the clean-ups
    result = unittest.main(argv=[sys.argv[0], *rest], verbosity=2, exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.testsRun and len(result.skipped) == result.testsRun:
        sys.exit(SKIP)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The login's start of the program (the autostart entry: -HIDE) on an account without the
mouse, on a private desktop (Xvfb, openbox): the program ends by itself with one line on
standard error, and no window of it is ever mapped. The X server's own record says so:
xev watches every map of a top-level window from before the start until after the end.

Run: login_start_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402
import tray_test  # noqa: E402

class LoginStartTest(unittest.TestCase):
    def setUp(self):
        if shutil.which("xev") is None:
            self.skipTest("xev is not installed (scripts/install-deps.sh installs it)")
        self.desk = desktop.Desktop(tray=False, shots=tray_test.SHOTS).__enter__()
        self.addCleanup(self.desk.stop)
        # A copy of the program folder: the start seeds and reads its own settings there.
        folder = tempfile.mkdtemp(prefix="program-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        shutil.copy2(tray_test.PROGRAM, folder)
        shutil.copytree(os.path.join(os.path.dirname(tray_test.PROGRAM), "skins"), os.path.join(folder, "skins"))
        self.exe = os.path.join(folder, os.path.basename(tray_test.PROGRAM))

    def mark(self, atom):
        """Sets a property on the root window until the watcher has seen it (it may not be
        watching yet): every event before it is in the watcher's log by then."""
        def seen():
            self.desk.x("xprop", "-root", "-f", atom, "8s", "-set", atom, "1")
            return atom in self.desk.log("xev")
        desktop.wait_until(seen, what=f"the watcher to see {atom}")

    def watched_since(self, atom):
        log = self.desk.log("xev")
        return log[log.index(atom):]

    def test_hide_start_without_mouse_ends_with_one_line_and_maps_no_window(self):
        # Maps of top-level windows (and of window manager frames) and root properties.
        self.desk.launch(["xev", "-root", "-event", "substructure", "-event", "property"], log="xev")
        self.mark("_LOGIN_TEST_BEGIN")

        # No mouse on the test machine: the start-up finds none.
        process = subprocess.Popen([self.exe, "-HIDE"], env=self.desk.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(desktop.stop_process, process)
        mapped = lambda: "MapNotify" in self.watched_since("_LOGIN_TEST_BEGIN")
        desktop.wait_until(lambda: process.poll() is not None or mapped(), timeout=60, what="the program to end")
        if process.poll() is None:
            self.desk.screenshot("window-mapped")
            process.kill()
        _, err = process.communicate()

        self.mark("_LOGIN_TEST_END")
        watched = self.watched_since("_LOGIN_TEST_BEGIN")
        watched = watched[:watched.index("_LOGIN_TEST_END")]
        self.assertEqual(re.findall(r"MapNotify event.*\n.*", watched), [], "no window was mapped")

        lines = err.decode(errors="replace").splitlines()
        self.assertEqual(len(lines), 1, f"one line on standard error, not: {lines}")
        self.assertIn("Mouse not found", lines[0])
        self.assertEqual(process.returncode, 1, "the start could not complete")


if __name__ == "__main__":
    tray_test.main()  # the same command line; it runs the tests of this file

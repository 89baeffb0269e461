#!/usr/bin/env python3
"""The program as a resident tray program, tried as a user would: the real binary with the
simulated mouse on a private desktop (Xvfb, openbox, trayer), driven with xdotool.

The simulated mouse writes every frame it gets to a file (OVK_DOVARU_SIM_FRAME_LOG);
the final frames of an orderly end are the control pulse, the idle report and the
closing command 0x20, sent once, as the last frames.

Run: tray_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402

PROGRAM = None
SHOTS = None

PULSE = "set 07 18 10 00 00 00 00 00"
IDLE = "set 07 18 00 00 00 00 00 00"
CLOSING = "set 07 20 00 00 00 00 00 00"
# The share of lit pixels of a drawn main window (a black one has almost none).
DRAWN = 0.3


class Program:
    """One copy of the program with its skins tree in a folder of its own."""

    def __init__(self, desk):
        self.desk = desk
        self.folder = tempfile.mkdtemp(prefix="program-")
        shutil.copy2(PROGRAM, self.folder)
        shutil.copytree(os.path.join(os.path.dirname(PROGRAM), "skins"), os.path.join(self.folder, "skins"))
        self.exe = os.path.join(self.folder, os.path.basename(PROGRAM))
        self.frame_log = os.path.join(self.folder, "frames.log")
        self.process = None
        self.window = None

    def close(self):
        if self.process:
            desktop.stop_process(self.process)
        shutil.rmtree(self.folder, ignore_errors=True)

    def start(self, *args):
        """Starts the program and waits for its window, its tray icon and the end of the
        start-up download."""
        self.process = self.desk.launch([self.exe, "--simulate", *args],
                                        env={"OVK_DOVARU_SIM_FRAME_LOG": self.frame_log}, log="program")
        self.window = desktop.wait_until(self.main_window, what="the main window")
        desktop.wait_until(lambda: self.desk.tray_icons(self.process.pid), what="the tray icon")
        desktop.wait_until(lambda: PULSE in self.frames(), what="the start-up download")
        return self

    def second_start(self):
        """A second start: it must end at once, by itself."""
        second = subprocess.run([self.exe, "--simulate"], env=self.desk.env, capture_output=True,
                                timeout=desktop.stretched(60))
        return second.returncode

    def main_window(self):
        for window in self.desk.windows_of(self.process.pid):
            info = self.desk.info(window)
            if info and info["width"] > 400 and info["height"] > 300:
                return window
        return None

    def frames(self):
        if not os.path.exists(self.frame_log):
            return []
        with open(self.frame_log) as log:
            return [line.strip() for line in log if line.startswith("set ")]

    def running(self):
        return self.process.poll() is None

    def wait_end(self, timeout=60):
        try:
            return self.process.wait(desktop.stretched(timeout))
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end")

    def control(self, entry):
        """Screen centre of entry `entry` of the main layout (skin_main.ini)."""
        layout = os.path.join(self.folder, "skins", "1_INI_EN", "skin_main.ini")
        with open(layout, encoding="utf-8", errors="replace") as f:
            fields = re.search(rf"^{entry}=([^\r\n]*)", f.read(), re.M).group(1).split(",")
        x, y, width, height = (int(v) for v in fields[1:5])
        info = self.desk.info(self.window)
        return info["x"] + x + width // 2, info["y"] + y + height // 2


class TrayTest(unittest.TestCase):
    def setUp(self):
        shots = SHOTS
        self.desk = desktop.Desktop(shots=shots).__enter__()
        self.addCleanup(self.desk.stop)
        self.program = Program(self.desk)
        self.addCleanup(self.program.close)

    # ---- steps --------------------------------------------------------------------------

    def close_by_window_manager(self):
        self.desk.close(self.program.window)
        desktop.wait_until(lambda: not self.desk.viewable(self.program.window) or not self.program.running(),
                           what="the window to go")

    def tray_icon(self):
        icons = desktop.wait_until(lambda: self.desk.tray_icons(self.program.process.pid), what="the tray icon")
        self.assertEqual(len(icons), 1, "one tray icon")
        return icons[0]

    def popups(self):
        """The program's shown windows other than its main window and its tray icon."""
        shown = self.desk.windows_of(self.program.process.pid, visible=True)
        icons = self.desk.tray_icons(self.program.process.pid)
        return [w for w in shown if w != self.program.window and w not in icons]

    def minimise_with_own_button(self):
        self.desk.click(*self.program.control(0))
        desktop.wait_until(lambda: self.desk.wm_state(self.program.window) == "Iconic", what="the window minimised")

    def assert_drawn(self, shot):
        window = self.program.window
        desktop.wait_until(lambda: self.desk.viewable(window) and self.desk.wm_state(window) == "Normal",
                           what="the window shown")
        # Given a moment to draw, the window must not stay black.
        try:
            desktop.wait_until(lambda: self.desk.lit_fraction(window) > DRAWN, what="the window drawn")
        finally:
            self.desk.screenshot(shot)
        self.assertTrue(self.program.running())

    def assert_final_frames_once(self):
        frames = self.program.frames()
        self.assertEqual(frames[-3:], [PULSE, IDLE, CLOSING], "the final frames come last")
        self.assertEqual(frames.count(CLOSING), 1, "the closing command is sent once")

    # ---- cases --------------------------------------------------------------------------

    def test_window_manager_close_hides_to_tray_and_double_click_restores(self):
        self.program.start()
        self.desk.screenshot("1-started")
        where = self.desk.info(self.program.window)
        self.close_by_window_manager()
        self.desk.screenshot("2-closed-to-tray")
        self.assertTrue(self.program.running(), "closing the window only hides it")
        self.assertFalse(self.desk.viewable(self.program.window))
        icon = self.tray_icon()
        self.assertNotIn(CLOSING, self.program.frames())

        self.desk.click(*self.desk.centre(icon), count=2)
        self.assert_drawn("3-restored-from-tray")
        back = self.desk.info(self.program.window)
        self.assertEqual((back["x"], back["y"]), (where["x"], where["y"]), "back where it was")

    def test_tray_menu_exit_ends_with_the_final_frames(self):
        self.program.start()
        # The icon takes clicks while the window is shown: the window does not hold all input.
        self.desk.click(*self.desk.centre(self.tray_icon()), button=3)
        desktop.wait_until(self.popups, what="the tray menu")
        self.desk.screenshot("1-tray-menu")
        self.desk.key("Down", "Down", "Return")  # Show, Exit
        self.assertEqual(self.program.wait_end(), 0)
        self.assert_final_frames_once()

    def test_own_minimise_then_restore_draws_the_window(self):
        self.program.start()
        self.minimise_with_own_button()
        self.desk.screenshot("1-minimised")
        self.desk.move(5, self.desk.height - 5)  # the pointer stays off the window
        self.desk.activate(self.program.window)  # as a taskbar restores it
        self.assert_drawn("2-restored-by-the-window-manager")

        self.minimise_with_own_button()
        self.desk.click(*self.desk.centre(self.tray_icon()), count=2)
        self.assert_drawn("3-restored-by-tray-double-click")

    def test_hide_switch_starts_minimised(self):
        self.program.start("-HIDE")
        # A minimise request lost on the way leaves it shown until the deadline.
        desktop.wait_until(lambda: self.desk.wm_state(self.program.window) == "Iconic", what="the window minimised")
        self.desk.screenshot("1-started-hidden")
        self.assertTrue(self.program.running())

    def test_termination_signals_end_with_the_final_frames(self):
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                self.program.start()
                if sig == signal.SIGHUP:
                    # A modal window open (the import's file dialog) does not hold up the end.
                    self.desk.click(*self.program.control(14))
                    desktop.wait_until(lambda: self.desk.windows_of(self.program.process.pid, "^Open$", visible=True),
                                       what="the file dialog")
                    self.desk.screenshot("file-dialog-open")
                self.program.process.send_signal(sig)
                self.assertEqual(self.program.wait_end(), 0)
                self.assert_final_frames_once()
                self.assertEqual(self.desk.tray_icons(self.program.process.pid), [])

    def test_termination_signal_ends_a_start_held_by_its_warning_box(self):
        # No mouse on the test machine: the start-up stops at its "Mouse not found" box.
        process = self.desk.launch([self.program.exe], log="program-without-mouse")
        self.addCleanup(desktop.stop_process, process)
        desktop.wait_until(lambda: self.desk.windows_of(process.pid, visible=True), what="the warning box")
        self.desk.screenshot("1-warning-box")
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(desktop.stretched(30))
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end on SIGTERM while its warning box was open")

    def test_loss_of_the_display_ends_with_the_final_frames(self):
        self.program.start()
        self.desk.end_display()
        self.program.wait_end()  # Qt ends the process itself, with its own exit code
        self.assert_final_frames_once()

    def test_second_start_restores_the_first(self):
        self.program.start()
        self.minimise_with_own_button()
        self.desk.move(5, self.desk.height - 5)
        self.assertEqual(self.program.second_start(), 0)
        self.assert_drawn("1-restored-from-minimised")

        self.close_by_window_manager()
        self.assertEqual(self.program.second_start(), 0)
        self.assert_drawn("2-restored-from-tray")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--shots")
    args, rest = parser.parse_known_args()
    global PROGRAM, SHOTS
    PROGRAM = os.path.abspath(args.program)
    SHOTS = args.shots
    missing = desktop.missing_tools()
    if missing:
        print("skipped: not installed: " + " ".join(missing) + " (scripts/install-deps.sh installs them)")
        sys.exit(desktop.SKIP)
    desktop.stop_on_termination()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()

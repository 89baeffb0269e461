#!/usr/bin/env python3
"""Skin images that are not plain files, as a broken copy or a careless script leaves
them (a FIFO in place of a JPEG): the real binary with the simulated mouse on a private
desktop still shows its window, names each image of the main window on standard error,
opens its popups, and ends on SIGTERM. A program that opened such a file for reading
would wait for a writer for ever, before its event loop could take the signal.

Run: image_files_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import glob
import os
import re
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402
import tray_test  # noqa: E402

# A bound on the end, for a loaded machine: a program that is held never gets there.
END_BOUND = 30

# The images the main window is drawn from, each named at start when it cannot be read.
MAIN_WINDOW_IMAGES = [page + ending for page in ("main", "advanced", "mac", "led")
                      for ending in ("_normal.jpg", "_over.jpg", "_down.jpg")] + \
                     ["main_mask.jpg", "led_null.jpg", "new_down.jpg", "moveRect.png"]


def images_of(folder):
    return [path for pattern in ("*.jpg", "*.png")
            for path in glob.glob(os.path.join(folder, "**", pattern), recursive=True)]


def make_fifos(paths):
    for path in paths:
        os.remove(path)
        os.mkfifo(path)


class ImageFilesTest(unittest.TestCase):
    def setUp(self):
        self.desk = desktop.Desktop(shots=tray_test.SHOTS).__enter__()
        self.addCleanup(self.desk.stop)
        self.program = tray_test.Program(self.desk)
        self.addCleanup(self.program.close)
        self.skins = os.path.join(self.program.folder, "skins")

    def assert_ends_on_sigterm(self, what):
        process = self.program.process
        process.send_signal(signal.SIGTERM)
        try:
            return process.wait(desktop.stretched(END_BOUND))
        except subprocess.TimeoutExpired:
            self.desk.screenshot("still-running")
            raise AssertionError(f"the program did not end on SIGTERM: {what}")

    def test_fifos_in_place_of_every_image_are_named_and_the_start_goes_on(self):
        make_fifos(images_of(self.skins))
        process = self.program.process = self.desk.launch(
            [self.program.exe, "--simulate"], env={"OVK_DOVARU_SIM_FRAME_LOG": self.program.frame_log},
            log="program")

        # The start-up's box names the unreadable images (its own images are FIFOs too).
        desktop.wait_until(lambda: self.desk.windows_of(process.pid, visible=True) or process.poll() is not None,
                           timeout=60, what="a window of the program, or its end")
        self.desk.screenshot("1-start")
        self.assertIsNone(process.poll(), "the program runs")
        named = [os.path.join(self.skins, name) + " is not a plain file" for name in MAIN_WINDOW_IMAGES]
        desktop.wait_until(lambda: all(line in self.desk.log("program") for line in named),
                           what="every image of the main window named on standard error")
        self.assertEqual(self.assert_ends_on_sigterm("its start-up box open"), 0)

    def test_fifos_in_place_of_the_popup_images_never_hold_the_program(self):
        self.program.start()
        # Every image but the main window's, once it is up: the popups read theirs as they open.
        main = {os.path.join(self.skins, name) for name in MAIN_WINDOW_IMAGES}
        make_fifos([path for path in images_of(self.skins) if path not in main])

        # The macro page, then the right-click menu of its group list.
        self.desk.click(*self.program.control(8))
        layout = os.path.join(self.skins, "1_INI_EN", "skin_mac.ini")
        with open(layout, encoding="utf-8", errors="replace") as f:
            section = f.read().split("[MACRODISPLAY]", 1)[1]
        x, y, width, height = (int(v) for v in re.search(r"^1=([^\r\n]*)", section, re.M).group(1).split(",")[1:5])
        where = self.desk.info(self.program.window)
        self.desk.click(where["x"] + x + width // 2, where["y"] + y + height - 10, button=3)

        def popups():
            shown = self.desk.windows_of(self.program.process.pid, visible=True)
            icons = self.desk.tray_icons(self.program.process.pid)
            return [w for w in shown if w != self.program.window and w not in icons]

        desktop.wait_until(lambda: popups() or not self.program.running(), what="the group list's menu")
        self.desk.screenshot("2-menu")
        self.assertTrue(self.program.running())
        self.assertEqual(self.assert_ends_on_sigterm("its menu open"), 0)
        self.assertEqual(self.program.frames().count(tray_test.CLOSING), 1, "the closing command once")


if __name__ == "__main__":
    tray_test.main()  # the same command line; it runs the tests of this file

#!/usr/bin/env python3
"""The program under window managers other than the stacking two of the placement
tests: fluxbox (its own toolbar tray) and the tiling i3. The main window keeps its size,
the function menu opens at its box, the key-combination dialog takes the keyboard with no
warning, dialogs open over the main window, and the window's own minimise leaves a
window that paints and answers, whether the window manager minimises it or not.
Positions and sizes come from the X server (xwininfo), never from the program.

Run: window_managers_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402
import tray_test  # noqa: E402
from placement_test import PopupChecks, layout_rect  # noqa: E402

MAIN_SIZE = (1100, 700)


class OtherWindowManagers(PopupChecks, unittest.TestCase):
    def start_under(self, wm):
        if shutil.which(desktop.WINDOW_MANAGERS[wm][0][0]) is None:
            self.skipTest(f"{wm} is not installed (scripts/install-deps.sh installs it)")
        self.start(wm, size=(1920, 1080))
        self.screenshot("started")
        self.assertEqual((self.main["width"], self.main["height"]), MAIN_SIZE, f"the main window's size under {wm}")

    def assert_over_the_window(self, geometry, what):
        main = self.desk.geometry(self.program.window)
        inside = (main["x"] <= geometry["x"] and geometry["x"] + geometry["width"] <= main["x"] + main["width"]
                  and main["y"] <= geometry["y"] and geometry["y"] + geometry["height"] <= main["y"] + main["height"])
        self.assertTrue(inside, f"{what} at {geometry['x']},{geometry['y']} {geometry['width']}x{geometry['height']} "
                                f"is not over the main window at {main['x']},{main['y']}")

    def check_key_combination_dialog(self):
        """The function menu at its box, then its key-combination dialog: over the window,
        holding the keyboard, with no warning box."""
        box = layout_rect(self.program, "skin_main.ini", 21)  # the right button's function box
        menu, g = self.open_popup("function menu", *self.centre_of(box))
        self.assert_at(g, self.main["x"] + box[0] + 1, self.main["y"] + box[1] + box[3], "the function menu")
        dialog, d = self.open_popup("key-combination dialog", g["x"] + g["width"] // 2, g["y"] + int(9.5 * g["height"] / 11))
        # Once the dialog holds the keyboard no warning can come any more.
        desktop.wait_until(self.desk.keyboard_grabbed, what="the dialog to take the keyboard")
        self.screenshot("key-combination-dialog")
        self.assertEqual(self.popups(), [dialog], "the key-combination dialog and no warning box")
        self.assert_over_the_window(d, "the key-combination dialog")
        cancel = layout_rect(self.program, "skin_shortcut.ini", 3)
        self.close_popup(dialog, click=(d["x"] + cancel[0] + cancel[2] // 2, d["y"] + cancel[1] + cancel[3] // 2))

    def check_gun_dialog(self):
        self.desk.click(*self.program.control(8))  # the macro page
        gun, g = self.open_popup("gun dialog", *self.centre_of(layout_rect(self.program, "skin_mac.ini", 13)))
        self.assert_over_the_window(g, "the gun dialog")
        self.close_popup(gun)
        self.desk.click(*self.program.control(6))  # back to the main page

    def window_pixels(self):
        return subprocess.run(["import", "-window", str(self.program.window), "-depth", "8", "rgb:-"],
                              env=self.desk.env, capture_output=True, timeout=desktop.stretched(30)).stdout

    def check_working_window(self, what):
        """The window is shown, drawn, and a click on a page tab changes what it shows."""
        window = self.program.window
        desktop.wait_until(lambda: self.desk.viewable(window) and self.desk.wm_state(window) == "Normal",
                           what=f"the window shown {what}")
        desktop.wait_until(lambda: self.desk.lit_fraction(window) > tray_test.DRAWN, what=f"the window drawn {what}")
        before = self.window_pixels()
        self.desk.click(*self.program.control(7))  # the advanced page
        desktop.wait_until(lambda: self.window_pixels() != before, what=f"the advanced page {what}")
        self.screenshot("advanced-page-" + what.replace(" ", "-"))
        self.desk.click(*self.program.control(6))

    # ---- the window managers ---------------------------------------------------------

    def test_fluxbox(self):
        self.start_under("fluxbox")
        # The grab failed at the first expose of most dialogs here, so open it several times.
        for _ in range(3):
            self.check_key_combination_dialog()
        self.check_gun_dialog()
        self.desk.click(*self.program.control(0))  # the window's own minimise
        desktop.wait_until(lambda: self.desk.wm_state(self.program.window) == "Iconic", what="the window minimised")
        icon = desktop.wait_until(lambda: self.desk.tray_icons(self.program.process.pid), what="the tray icon")[0]
        self.desk.click(*self.desk.centre(icon), count=2)
        self.check_working_window("after the tray restored it")

    def test_i3(self):
        self.start_under("i3")
        self.check_key_combination_dialog()
        self.check_gun_dialog()
        # i3 has no minimised windows: the window stays on the screen and must keep working.
        self.desk.click(*self.program.control(0))
        self.check_working_window("after its own minimise")
        self.check_key_combination_dialog()


if __name__ == "__main__":
    tray_test.main()  # the same command line; it runs the tests of this file

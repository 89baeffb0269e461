#!/usr/bin/env python3
"""Where the windows of the program open, as the X server has them, when the window
manager placed the main window: fresh starts under openbox and under icewm, with the
main window at different places (screen sizes, another window already on the desktop).

Every first-level popup of the main window must open where it belongs relative to the
main window's place on the screen, and the first drag must move the window by the
pointer's distance, keeping the point grabbed under the pointer. Positions come from
the X server (xwininfo), never from the program.

Run: placement_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import os
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402
import tray_test  # noqa: E402

# Stock dialogs (the about box, the file dialogs) are centred by the toolkit and framed
# by the window manager: their frame's centre is near the main window's centre.
STOCK_CENTRE_TOLERANCE = 60
EMPTY_SPOT = (620, 560)  # main page: below the mouse picture, no control


def layout_rect(program, file_name, entry, section="BUTTONPOS"):
    """(x, y, width, height) of entry `entry` of a layout file of the English folder."""
    with open(os.path.join(program.folder, "skins", "1_INI_EN", file_name), encoding="utf-8", errors="replace") as f:
        text = f.read()
    body = re.search(rf"^\[{section}\][^\[]*", text, re.M).group(0)
    fields = re.search(rf"^{entry}=([^\r\n]*)", body, re.M).group(1).split(",")
    return tuple(int(v) for v in fields[1:5])


class PopupChecks:
    """The steps and checks of the popups of a started program, for a TestCase."""

    def start(self, wm, size=(1280, 800), occupant=None):
        self.desk = desktop.Desktop(width=size[0], height=size[1], wm=wm, shots=tray_test.SHOTS).__enter__()
        self.addCleanup(self.desk.stop)
        if occupant:
            self.desk.occupy(*occupant)
        self.start_sound_server()
        self.program = tray_test.Program(self.desk)
        self.addCleanup(self.program.close)
        # The key-reaction lighting, so that the lighting page offers its reaction menus.
        config = os.path.join(self.program.folder, "skins", "config", "config.ini")
        with open(config, encoding="utf-8", errors="replace", newline="") as f:
            text = f.read()
        with open(config, "w", encoding="utf-8", newline="") as f:
            f.write(re.sub(r"^LED_TYPE=\d+", "LED_TYPE=12", text, flags=re.M))
        self.program.start()
        self.main = self.desk.geometry(self.program.window)
        self.shot = 0

    def start_sound_server(self):
        """A private sound server with one output, for the sound window."""
        if shutil.which("pulseaudio") is None:
            return
        self.desk.launch(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                          "--disable-shm=yes", "-L", "module-native-protocol-unix", "-L", "module-null-sink"],
                         log="pulseaudio")
        desktop.wait_until(lambda: subprocess.run(["pactl", "info"], env=self.desk.env, capture_output=True)
                           .returncode == 0, what="the sound server")

    # ---- steps --------------------------------------------------------------------------

    def screenshot(self, what):
        self.shot += 1
        self.desk.screenshot(f"{self.desk.wm}-{self.shot:02d}-{what}")

    def at(self, x, y):
        """A point of the main window on the screen, from the X server's place of it."""
        return self.main["x"] + x, self.main["y"] + y

    def centre_of(self, rect):
        return self.at(rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)

    def popups(self):
        shown = self.desk.windows_of(self.program.process.pid, visible=True)
        icons = self.desk.tray_icons(self.program.process.pid)
        return [w for w in shown if w != self.program.window and w not in icons]

    def open_popup(self, what, x, y, button=1):
        """Clicks there and returns the window that opened, as the X server has it."""
        before = set(self.popups())
        self.desk.click(x, y, button=button)
        window = desktop.wait_until(lambda: [w for w in self.popups() if w not in before], what=what)[0]
        # Placed where it stays: the same place twice in a row.
        geometry = desktop.wait_until(lambda: self.settled(window), what=f"{what} placed")
        self.screenshot(what.replace(" ", "-"))
        return window, geometry

    def settled(self, window):
        first = self.desk.geometry(window)
        second = self.desk.geometry(window)
        return first if first and first == second and first["viewable"] else None

    def close_popup(self, window, *keys, click=None):
        if click:
            self.desk.click(*click)
        else:
            self.desk.key(*(keys or ("Escape",)))
        desktop.wait_until(lambda: not self.desk.viewable(window), what="the popup to close")

    def assert_at(self, geometry, x, y, what):
        self.assertEqual((geometry["x"], geometry["y"]), (x, y),
                         f"{what}: the main window is at {self.main['x']},{self.main['y']}")

    def assert_centred(self, geometry, what, tolerance=1):
        cx = self.main["x"] + (self.main["width"] - geometry["width"]) // 2
        cy = self.main["y"] + (self.main["height"] - geometry["height"]) // 2
        # Within a pixel: halves of odd sizes round either way.
        self.assertLessEqual(max(abs(geometry["x"] - cx), abs(geometry["y"] - cy)), tolerance,
                             f"{what} at {geometry['x']},{geometry['y']}, centred would be {cx},{cy}")

    def assert_stock_centred(self, geometry, what):
        frame = geometry["frame"]
        dx = frame["x"] + frame["width"] // 2 - (self.main["x"] + self.main["width"] // 2)
        dy = frame["y"] + frame["height"] // 2 - (self.main["y"] + self.main["height"] // 2)
        self.assertLessEqual(max(abs(dx), abs(dy)), STOCK_CENTRE_TOLERANCE,
                             f"{what}'s centre is {dx},{dy} away from the main window's")

    # ---- the popups, each opened and closed ---------------------------------------------

    def check_function_menu_and_key_combination_dialog(self):
        box = layout_rect(self.program, "skin_main.ini", 21)  # the right button's function box
        menu, g = self.open_popup("function menu", *self.centre_of(box))
        below = self.main["y"] + box[1] + box[3]
        top = below if below + g["height"] <= self.desk.height else self.main["y"] + box[1] - g["height"]
        self.assert_at(g, self.main["x"] + box[0] + 1, top, "the function menu")
        # Row 10 of 11: the key-combination dialog.
        row_height = g["height"] / 11
        dialog, d = self.open_popup("key-combination dialog", g["x"] + g["width"] // 2,
                                    g["y"] + int(9.5 * row_height))
        self.assert_centred(d, "the key-combination dialog")
        cancel = layout_rect(self.program, "skin_shortcut.ini", 3)
        self.close_popup(dialog, click=(d["x"] + cancel[0] + cancel[2] // 2, d["y"] + cancel[1] + cancel[3] // 2))

    def check_sound_window(self):
        window, g = self.open_popup("sound window", *self.centre_of(layout_rect(self.program, "skin_main.ini", 46)))
        self.assert_at(g, self.main["x"] + 250, self.main["y"] + 100, "the sound window")
        save = layout_rect(self.program, "skin_sound.ini", 10)
        self.close_popup(window, click=(g["x"] + save[0] + save[2] // 2, g["y"] + save[1] + save[3] // 2))

    def check_language_menu(self):
        button = layout_rect(self.program, "skin_main.ini", 4)
        menu, g = self.open_popup("language menu", *self.centre_of(button))
        self.assert_at(g, self.main["x"] + button[0], self.main["y"] + button[1] + button[3], "the language menu")
        self.close_popup(menu)

    def check_stock_dialogs(self):
        # The system menu at an empty spot; its last item is the about box.
        menu, g = self.open_popup("system menu", *self.at(*EMPTY_SPOT), button=3)
        about, a = self.open_popup("about box", g["x"] + g["width"] // 2, g["y"] + g["height"] - 8)
        self.assert_stock_centred(a, "the about box")
        self.close_popup(about)
        for entry, what in ((14, "import dialog"), (15, "export dialog")):
            dialog, d = self.open_popup(what, *self.centre_of(layout_rect(self.program, "skin_main.ini", entry)))
            self.assert_stock_centred(d, "the " + what)
            self.close_popup(dialog)

    def check_lighting_menus(self):
        self.desk.click(*self.program.control(9))  # the lighting page
        effect = layout_rect(self.program, "skin_color.ini", 35)
        menu, g = self.open_popup("effect menu", *self.centre_of(effect))
        self.assert_at(g, self.main["x"] + effect[0], self.main["y"] + effect[1] + effect[3], "the effect menu")
        self.close_popup(menu)
        reaction = layout_rect(self.program, "skin_color.ini", 61)
        menu, g = self.open_popup("key-reaction menu", *self.centre_of(reaction))
        self.assert_at(g, self.main["x"] + reaction[0] - 3, self.main["y"] + reaction[1] + reaction[3],
                       "the key-reaction menu")
        self.close_popup(menu)

    def check_macro_page_dialogs(self):
        self.desk.click(*self.program.control(8))  # the macro page
        gun, g = self.open_popup("gun dialog", *self.centre_of(layout_rect(self.program, "skin_mac.ini", 13)))
        self.assert_centred(g, "the gun dialog")
        self.close_popup(gun)
        # The first group's first macro, its first event changed: the key dialog.
        groups = layout_rect(self.program, "skin_mac.ini", 1, "MACRODISPLAY")
        events = layout_rect(self.program, "skin_mac.ini", 2, "MACRODISPLAY")
        self.desk.click(*self.at(groups[0] + 60, groups[1] + 10))
        self.desk.click(*self.at(groups[0] + 60, groups[1] + 30))
        menu, m = self.open_popup("event menu", *self.at(events[0] + 60, events[1] + 10), button=3)
        dialog, d = self.open_popup("key dialog", m["x"] + m["width"] // 2, m["y"] + 10)
        self.assert_at(d, self.main["x"] + 330, self.main["y"] + 280, "the key dialog")
        cancel = layout_rect(self.program, "skin_keyset.ini", 2)
        self.close_popup(dialog, click=(d["x"] + cancel[0] + cancel[2] // 2, d["y"] + cancel[1] + cancel[3] // 2))

    def check_first_drag(self):
        self.desk.click(*self.program.control(6))  # back to the main page
        start = self.desk.geometry(self.program.window)
        press = (start["x"] + EMPTY_SPOT[0], start["y"] + EMPTY_SPOT[1])
        # Towards the middle of the screen, so that no window manager keeps it from going.
        dx = 100 if start["x"] + start["width"] // 2 < self.desk.width // 2 else -100
        dy = 60 if start["y"] + start["height"] // 2 < self.desk.height // 2 else -60
        self.desk.move(*press)
        self.desk.x("xdotool", "mousedown", "1")
        self.desk.x("xdotool", "mousemove", "--sync", str(press[0] + dx), str(press[1] + dy))
        self.desk.x("xdotool", "mouseup", "1")
        moved = desktop.wait_until(lambda: self.moved_from(start), what="the window to follow the drag")
        self.screenshot("dragged")
        self.assertEqual((moved["x"] - start["x"], moved["y"] - start["y"]), (dx, dy), "moved by the drag")
        pointer = self.desk.pointer()
        self.assertEqual((pointer[0] - moved["x"], pointer[1] - moved["y"]), EMPTY_SPOT,
                         "the point grabbed stays under the pointer")

    def moved_from(self, start):
        now = self.settled(self.program.window)
        return now if now and (now["x"], now["y"]) != (start["x"], start["y"]) else None

    def check_everything(self, wm, size=(1280, 800), occupant=None):
        self.start(wm, size, occupant)
        self.screenshot("started")
        self.check_function_menu_and_key_combination_dialog()
        self.check_sound_window()
        self.check_language_menu()
        self.check_stock_dialogs()
        self.check_lighting_menus()
        self.check_macro_page_dialogs()
        self.check_first_drag()



class Placement(PopupChecks, unittest.TestCase):
    # ---- the places -------------------------------------------------------------------

    def test_openbox_centres_the_window(self):
        self.check_everything("openbox")

    def test_openbox_places_the_window_beside_another(self):
        self.check_everything("openbox", occupant=(0, 0, 200, 200))

    def test_openbox_on_a_large_screen_beside_another_window(self):
        self.check_everything("openbox", (1920, 1080), occupant=(0, 0, 400, 300))

    def test_icewm_puts_the_window_in_the_corner(self):
        self.check_everything("icewm")

    def test_icewm_places_the_window_beside_another(self):
        self.check_everything("icewm", occupant=(0, 0, 200, 200))

    def test_icewm_on_a_large_screen_beside_another_window(self):
        self.check_everything("icewm", (1920, 1080), occupant=(0, 0, 400, 300))

    def test_tray_exit_while_the_gun_dialog_is_open_ends_the_program(self):
        self.start("openbox")
        self.desk.click(*self.program.control(8))
        gun, _ = self.open_popup("gun dialog", *self.centre_of(layout_rect(self.program, "skin_mac.ini", 13)))
        icon = desktop.wait_until(lambda: self.desk.tray_icons(self.program.process.pid), what="the tray icon")[0]
        menu, m = self.open_popup("tray menu", *self.desk.centre(icon), button=3)
        self.desk.click(m["x"] + m["width"] // 2, m["y"] + m["height"] * 3 // 4)  # Exit, the second item
        self.assertEqual(self.program.wait_end(), 0)
        frames = self.program.frames()
        self.assertEqual(frames[-3:], [tray_test.PULSE, tray_test.IDLE, tray_test.CLOSING])
        self.assertEqual(frames.count(tray_test.CLOSING), 1)


if __name__ == "__main__":
    tray_test.main()  # the same command line; it runs the tests of this file

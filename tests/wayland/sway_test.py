#!/usr/bin/env python3
"""The program on a tiling Wayland compositor: sway on wlroots' headless backend in a
private runtime folder, the real program with the simulated mouse on Qt's Wayland
platform, a virtual pointer and keyboard made before the program starts. Window places
and sizes are read from sway's tree (swaymsg), the screen from its screenshots (grim).

sway will not run as root: run as root, the compositor and everything on it run as the
user nobody. Skipped (exit code 77) only where sway cannot start.

Run: sway_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import json
import os
import pwd
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402
import wayland_input  # noqa: E402
import wayland_test  # noqa: E402

WIDTH, HEIGHT = 1920, 1080
MAIN_SIZE = (1100, 700)
wait_until = desktop.wait_until


class Sway(wayland_test.Compositor):
    """sway on the headless backend; a virtual pointer and keyboard; stops what it started."""

    def __init__(self):
        super().__init__()
        os.chmod(self.folder, 0o755)
        self.home = self.env["HOME"]
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            self.as_user = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups"]
            for path in (self.runtime, self.home):
                os.chown(path, user.pw_uid, user.pw_gid)
            self.user = user
        self.input = None
        # sway's own socket names; nothing of the caller's desktop.
        del self.env["WAYLAND_DISPLAY"]

    def give(self, path):
        """Hands a folder tree to the user the compositor runs as."""
        if not self.as_user:
            return
        for root, folders, files in os.walk(path):
            for name in [root] + [os.path.join(root, n) for n in folders + files]:
                os.chown(name, self.user.pw_uid, self.user.pw_gid)

    def start(self):
        if shutil.which("sway") is None:
            raise wayland_test.CompositorCannotStart("sway is not installed (scripts/install-deps.sh installs it)")
        config = os.path.join(self.folder, "sway.conf")
        with open(config, "w") as f:
            f.write(f"output HEADLESS-1 resolution {WIDTH}x{HEIGHT}\n")
        os.chmod(config, 0o644)
        sway = self.launch(["sway", "--config", config], "sway",
                           {"WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"})
        wait_until(lambda: self.ipc_socket() and wayland_input.socket_of(self.runtime) or sway.poll() is not None,
                   what="sway's sockets")
        if sway.poll() is not None:
            raise wayland_test.CompositorCannotStart("sway ended at its start: " + self.log("sway")[-2000:])
        self.env["WAYLAND_DISPLAY"] = os.path.basename(wayland_input.socket_of(self.runtime))
        self.env["SWAYSOCK"] = self.ipc_socket()
        self.input = wayland_input.VirtualInput(wayland_input.socket_of(self.runtime), WIDTH, HEIGHT)

    def ipc_socket(self):
        found = [n for n in os.listdir(self.runtime) if n.startswith("sway-ipc.") and n.endswith(".sock")]
        return os.path.join(self.runtime, found[0]) if found else None

    def stop(self):
        if self.input:
            self.input.close()
        super().stop()

    def run(self, *args):
        return subprocess.run(self.as_user + list(args), env=self.env, capture_output=True, check=True,
                              timeout=desktop.stretched(30)).stdout

    def views(self, pid):
        """The shown windows of a process as sway has them: (type, content rectangle)."""
        found = []

        def walk(node):
            if node.get("pid") == pid and node.get("visible"):
                rect, inner = node["rect"], node["window_rect"]
                found.append((node["type"], (rect["x"] + inner["x"], rect["y"] + inner["y"],
                                             inner["width"], inner["height"])))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        walk(json.loads(self.run("swaymsg", "-t", "get_tree")))
        return found

    def screenshot(self, name):
        """The screen as an image file (copied into the shots folder when there is one)."""
        path = os.path.join(self.home, name + ".png")
        self.run("grim", path)
        if wayland_test.SHOTS:
            os.makedirs(wayland_test.SHOTS, exist_ok=True)
            shutil.copy(path, os.path.join(wayland_test.SHOTS, name + ".png"))
        return path


def changed_box(before, after, area):
    """The bounding box (x, y, width, height) of the pixels that differ between two
    screenshots inside area (x, y, width, height); None when none do."""
    x, y, width, height = area
    out = subprocess.run(["convert", before, after, "-compose", "difference", "-composite",
                          "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-colorspace", "Gray",
                          "-threshold", "2%", "-format", "%@", "info:"],
                         capture_output=True, text=True, check=True, timeout=desktop.stretched(30)).stdout
    found = re.match(r"(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", out.strip())
    if not found or int(found.group(1)) == 0:
        return None  # nothing differs: the box is empty
    w, h, dx, dy = (int(v) for v in found.groups())
    return x + dx, y + dy, w, h


def pixel(shot, x, y):
    out = subprocess.run(["convert", shot, "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],%[fx:int(255*p{{{x},{y}}}.g)],"
                          f"%[fx:int(255*p{{{x},{y}}}.b)]", "info:"], capture_output=True, text=True, check=True,
                         timeout=desktop.stretched(30)).stdout
    return tuple(int(v) for v in out.split(","))


class SwayTest(unittest.TestCase):
    def setUp(self):
        self.sway = Sway()
        self.addCleanup(self.sway.stop)
        try:
            self.sway.start()
        except wayland_test.CompositorCannotStart as why:
            raise unittest.SkipTest(f"sway cannot start: {why}")
        folder = os.path.join(self.sway.folder, "program")
        os.mkdir(folder)
        shutil.copy2(wayland_test.PROGRAM, folder)
        shutil.copytree(os.path.join(os.path.dirname(wayland_test.PROGRAM), "skins"), os.path.join(folder, "skins"))
        self.sway.give(folder)
        self.folder = folder
        self.program = self.sway.launch([os.path.join(folder, os.path.basename(wayland_test.PROGRAM)), "--simulate"],
                                        "program", {"QT_QPA_PLATFORM": "wayland"})
        self.main = wait_until(self.main_view, what="the main window")
        self.assertEqual(self.main[2:], MAIN_SIZE, "the main window keeps its size")
        self.shot = 0
        self.drawn = wait_until(lambda: self.page_drawn("started"), what="the main window drawn")

    def main_view(self):
        self.assertIsNone(self.program.poll(), "the program ended: " + self.sway.log("program")[-2000:])
        views = self.sway.views(self.program.pid)
        return views[0][1] if len(views) == 1 else None

    def layout(self, file_name, entry):
        with open(os.path.join(self.folder, "skins", "1_INI_EN", file_name), errors="replace") as f:
            fields = re.search(rf"^{entry}=([^\r\n]*)", f.read(), re.M).group(1).split(",")
        return tuple(int(v) for v in fields[1:5])

    def at(self, rect, dx=None, dy=None):
        """A point of the main window: the centre of a layout rectangle."""
        return (self.main[0] + rect[0] + (rect[2] // 2 if dx is None else dx),
                self.main[1] + rect[1] + (rect[3] // 2 if dy is None else dy))

    def screenshot(self, what):
        self.shot += 1
        return self.sway.screenshot(f"{self.shot:02d}-{what}")

    def click(self, point):
        """A click, then the pointer out of the way: the compositor draws it into the
        screenshots."""
        self.sway.input.click(*point)
        self.sway.input.move(WIDTH - 1, HEIGHT - 1)

    def page_drawn(self, what):
        """A screenshot in which the page is drawn (its Apply button is blue), or None."""
        shot = self.screenshot(what.replace(" ", "-"))
        red, green, blue = pixel(shot, *self.at(self.layout("skin_main.ini", 3), dx=8))  # beside its text
        return shot if blue > 120 and blue > red + 80 else None

    def dialogs(self):
        return [rect for _, rect in self.sway.views(self.program.pid) if rect != self.main]

    def open_dialog(self, what, point):
        self.click(point)
        found = wait_until(self.dialogs, what=what)
        self.assertEqual(len(found), 1, f"{what} and no other window (a warning box)")
        self.screenshot(what.replace(" ", "-"))
        dialog = found[0]
        inside = (self.main[0] <= dialog[0] and dialog[0] + dialog[2] <= self.main[0] + self.main[2]
                  and self.main[1] <= dialog[1] and dialog[1] + dialog[3] <= self.main[1] + self.main[3])
        self.assertTrue(inside, f"{what} at {dialog} is over the main window at {self.main}")
        return dialog

    def wait_changed(self, before, area, what):
        return wait_until(lambda: changed_box(before, self.screenshot(what.replace(" ", "-")), area), what=what)

    def test_the_window_floats_at_its_size_and_its_popups_open_over_it(self):
        self.assertEqual(self.sway.views(self.program.pid)[0][0], "floating_con", "sway floats it")

        # The function menu, at the bottom of its box.
        box = self.layout("skin_main.ini", 21)
        below = (self.main[0], self.main[1] + box[1] + box[3], MAIN_SIZE[0], MAIN_SIZE[1] - box[1] - box[3])
        self.click(self.at(box))
        menu = self.wait_changed(self.drawn, below, "the function menu")
        self.assertEqual(menu[:2], (self.main[0] + box[0] + 1, below[1]), "the menu hangs from its box")

        # Its key combination: a dialog over the window that takes keys, and no warning.
        dialog = self.open_dialog("key-combination dialog", (menu[0] + menu[2] // 2, menu[1] + menu[3] * 19 // 22))
        before = self.screenshot("key-combination-dialog")
        self.sway.input.key("a")
        self.wait_changed(before, dialog, "the key shown")
        self.assertEqual(len(self.dialogs()), 1, "no warning box")
        cancel = self.layout("skin_shortcut.ini", 3)
        self.click((dialog[0] + cancel[0] + cancel[2] // 2, dialog[1] + cancel[1] + cancel[3] // 2))
        wait_until(lambda: not self.dialogs(), what="the dialog to close")

        # The gun dialog, over the window; Escape closes it.
        self.click(self.at(self.layout("skin_main.ini", 8)))
        self.open_dialog("gun dialog", self.at(self.layout("skin_mac.ini", 13)))
        self.sway.input.key("Escape")
        wait_until(lambda: not self.dialogs(), what="Escape to close the gun dialog")

    def test_own_minimise_leaves_a_working_window(self):
        # sway has no minimised windows: the button changes nothing that is seen.
        self.click(self.at(self.layout("skin_main.ini", 0)))
        self.click(self.at(self.layout("skin_main.ini", 7)))  # the advanced page
        wait_until(lambda: changed_box(self.drawn, self.page_drawn("advanced page") or self.drawn, self.main),
                   what="the advanced page drawn")
        self.assertEqual([rect for _, rect in self.sway.views(self.program.pid)], [self.main])
        self.assertIsNone(self.program.poll())


if __name__ == "__main__":
    wayland_test.main()  # the same command line; it runs the tests of this file

#!/usr/bin/env python3
"""An installed program whose user has no usable settings folder (the configuration home is
a file, a link of another user is on the way, the home folder is read only): one box names
the folder and why, then the window shows the factory settings; Apply writes them into the
mouse and says in one box that they cannot be saved; nothing is written anywhere.

Run: settings_folder_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402
import tray_test  # noqa: E402

# The warning box's OK button (LBWarning.ini, entry 0) and the main window's Apply
# (skin_main.ini, entry 3), from the top-left corner of their windows.
BOX_OK = (200, 162)
APPLY = (1005, 660)


class SettingsFolderTest(unittest.TestCase):
    def setUp(self):
        factory = os.path.join(os.path.dirname(os.path.dirname(tray_test.PROGRAM)), "factory", "skins")
        if not os.path.isdir(factory):
            self.skipTest(f"no factory tree at {factory}")
        self.desk = desktop.Desktop(shots=tray_test.SHOTS).__enter__()
        self.addCleanup(self.desk.stop)
        # The installed layout, readable by all: bin/ovk-dovaru, share/ovk-dovaru/skins.
        self.root = tempfile.mkdtemp(prefix="installed-")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        os.chmod(self.root, 0o755)
        self.exe = os.path.join(self.root, "bin", "ovk-dovaru")
        os.makedirs(os.path.dirname(self.exe))
        shutil.copy2(tray_test.PROGRAM, self.exe)
        self.factory = os.path.join(self.root, "share", "ovk-dovaru", "skins")
        shutil.copytree(factory, self.factory)
        # The root may write anywhere: the read-only home is tried as another user.
        self.other = pwd.getpwnam("nobody") if os.geteuid() == 0 else None

    def folder(self, name, owner=None):
        path = os.path.join(self.root, name)
        os.makedirs(path)
        if owner:
            os.chown(path, owner.pw_uid, owner.pw_gid)
        return path

    def run_case(self, name, folder, env, user=None):
        stamp = os.path.join(self.root, name + "-start")
        open(stamp, "w").close()
        runtime = self.folder(name + "-runtime", user)
        frames = os.path.join(runtime, "frames.log")
        command = [self.exe, "--simulate"]
        if user:
            command = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups", "--"] + command
        process = self.desk.launch(command, log=name,
                                   env=dict(env, XDG_RUNTIME_DIR=runtime, OVK_DOVARU_SIM_FRAME_LOG=frames))
        self.addCleanup(desktop.stop_process, process)

        def shown():
            infos = [(w, self.desk.info(w)) for w in self.desk.windows_of(process.pid, visible=True)]
            return [(w, i) for w, i in infos if i and i["width"] > 100]

        def close(window, info, shot):
            self.desk.screenshot(shot)
            self.desk.click(info["x"] + BOX_OK[0], info["y"] + BOX_OK[1])
            desktop.wait_until(lambda: window not in self.desk.windows_of(process.pid, visible=True),
                               what="the box to close")

        # The start-up's boxes are modal and come before the window.
        boxes = 0
        while True:
            windows = desktop.wait_until(shown, timeout=60, what="a window")
            box = [w for w in windows if w[1]["width"] <= 600]
            if not box:
                window, info = windows[0]
                break
            boxes += 1
            self.assertLess(boxes, 20)
            close(*box[0], f"{name}-box{boxes}")
        self.assertEqual(boxes, 1, "one box before the window")
        self.assertIn(f"{folder} cannot be used (", self.desk.log(name))
        self.assertIn("the factory settings are shown and cannot be saved", self.desk.log(name))

        # Apply: the shown settings reach the mouse (and only now), one box says why
        # they are not saved.
        def pulses():
            if not os.path.exists(frames):
                return 0
            with open(frames) as log:
                return log.read().count(tray_test.PULSE)
        self.desk.click(info["x"] + APPLY[0], info["y"] + APPLY[1])
        desktop.wait_until(lambda: pulses() and "Settings cannot be saved: " in self.desk.log(name),
                           what="Apply's download and refused save")
        box = desktop.wait_until(lambda: [w for w in shown() if w[0] != window], what="Apply's box")
        self.assertEqual(len(box), 1, "one box after Apply")
        close(*box[0], f"{name}-apply-box")
        self.assertEqual(pulses(), 1)
        desktop.stop_process(process)
        written = subprocess.run(["find", self.factory, "-newer", stamp], capture_output=True, text=True).stdout
        self.assertEqual(written, "", "nothing written into the factory tree")

    def test_unusable_settings_folder_gives_one_box_then_the_factory_settings_read_only(self):
        with self.subTest(case="configuration home is a file"):
            home = os.path.join(self.root, "config-home")
            with open(home, "w") as f:
                f.write("not a folder\n")
            self.run_case("file", home + "/ovk-dovaru/skins", {"XDG_CONFIG_HOME": home})

        if self.other:
            with self.subTest(case="link of another user on the way"):
                home, elsewhere = self.folder("linked-home"), self.folder("elsewhere")
                link = os.path.join(home, "ovk-dovaru")
                os.symlink(elsewhere, link)
                os.lchown(link, self.other.pw_uid, self.other.pw_gid)
                self.run_case("link", link + "/skins", {"XDG_CONFIG_HOME": home})
                self.assertEqual(os.listdir(elsewhere), [])

        with self.subTest(case="read-only home"):
            home = self.folder("home", self.other)
            os.chmod(home, 0o555)
            self.run_case("home", home + "/.config/ovk-dovaru/skins", {"HOME": home, "XDG_CONFIG_HOME": ""}, self.other)
            self.assertEqual(os.listdir(home), [])


if __name__ == "__main__":
    tray_test.main()  # the same command line; it runs the tests of this file

#!/usr/bin/env python3
"""Termination signals end the program whatever it is doing, tried as a user (or a
session, or `timeout`) meets it: the real binary with the simulated mouse on a private
desktop, its start held by a warning box of a damaged or missing file, or running.

Run: signals_test.py --program <OVK_DOvaru> [--shots <folder>] [unittest arguments]
"""

import glob
import os
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xdesktop as desktop  # noqa: E402
import tray_test  # noqa: E402

# A bound on the end, for a loaded machine: a program that is held never gets there.
END_BOUND = 30
# Two signals this close together count as one end (the program's grace is a second).
QUICK = 0.3


def pending(pid, sig):
    """Whether `sig` waits to be delivered to the process (or its main thread)."""
    try:
        with open(f"/proc/{pid}/status") as status:
            fields = dict(line.split(":", 1) for line in status if ":" in line)
    except FileNotFoundError:
        return False  # ended already
    bit = 1 << (sig - 1)
    return any(int(fields[name].strip(), 16) & bit for name in ("SigPnd", "ShdPnd"))


class SignalsTest(unittest.TestCase):
    def setUp(self):
        self.desk = desktop.Desktop(shots=tray_test.SHOTS).__enter__()
        self.addCleanup(self.desk.stop)

    def program(self):
        program = tray_test.Program(self.desk)
        self.addCleanup(program.close)
        return program

    def skins(self, program, *parts):
        return os.path.join(program.folder, "skins", *parts)

    def launch(self, program):
        program.process = self.desk.launch([program.exe, "--simulate"],
                                           env={"OVK_DOVARU_SIM_FRAME_LOG": program.frame_log}, log="program")
        return program.process

    def assert_ends(self, process, code, what):
        try:
            self.assertEqual(process.wait(desktop.stretched(END_BOUND)), code, what)
        except subprocess.TimeoutExpired:
            self.desk.screenshot("still-running")
            raise AssertionError(f"the program did not end: {what}")

    def test_every_start_box_and_a_double_signal_end_the_program(self):
        def settings_missing(program):
            os.remove(self.skins(program, "config", "config.ini"))
            os.remove(self.skins(program, "config", "configReset.ini"))

        def texts_missing(program):
            os.remove(self.skins(program, "1_INI_EN", "LanguageText.ini"))

        def settings_huge(program):
            # The settings as they were, then far more than any settings file holds.
            with open(self.skins(program, "config", "config.ini"), "a") as config:
                config.write((";" + "x" * 1023 + "\n") * 2048)

        # What is laid out, the signal sent while the box waits, and the exit code of the
        # orderly end (1: the start could not complete).
        cases = [("settings-missing", settings_missing, signal.SIGTERM, 0),
                 ("settings-missing", settings_missing, signal.SIGINT, 0),
                 ("texts-missing", texts_missing, signal.SIGHUP, 1),
                 ("settings-huge", settings_huge, signal.SIGTERM, 0)]
        for name, lay, sig, code in cases:
            with self.subTest(case=name, signal=sig.name):
                program = self.program()
                lay(program)
                process = self.launch(program)
                try:
                    desktop.wait_until(lambda: self.desk.windows_of(process.pid, visible=True), timeout=60,
                                       what="the start-up's box")
                    self.desk.screenshot(f"{name}-{sig.name}-box")
                    if name == "settings-huge":
                        # Unreadable, like any broken settings file: kept aside, factory settings.
                        kept = glob.glob(self.skins(program, "config", "config.ini.broken-*"))
                        self.assertEqual(len(kept), 1)
                        self.assertGreater(os.path.getsize(kept[0]), 2 << 20)
                    process.send_signal(sig)
                    self.assert_ends(process, code, f"{name} ended by {sig.name}")
                    if code == 0:
                        self.assertEqual(program.frames().count(tray_test.CLOSING), 1, "the closing command once")
                finally:
                    desktop.stop_process(process)  # it holds the one-instance lock: gone before the next case

        # Two in quick succession, as `timeout` sends them (to the process, then to its
        # group): the second comes once the first was taken in, and the end is still the
        # orderly one, with the final frames once and last. "Quick" is well inside the
        # program's grace of a second; a start on which the machine was too slow to send
        # the second that soon proves nothing and is done again; five such starts fail the test.
        tries = 5
        for _ in range(tries):
            program = self.program().start()
            sent = time.monotonic()
            program.process.send_signal(signal.SIGTERM)
            while pending(program.process.pid, signal.SIGTERM) and time.monotonic() - sent < QUICK:
                pass
            if time.monotonic() - sent < QUICK:
                break
            desktop.stop_process(program.process)
            program.close()
        else:
            self.fail(f"two quick signals were never sent: in {tries} starts the first SIGTERM was not taken "
                      f"in within {QUICK} s (a machine too busy for this test)")
        program.process.send_signal(signal.SIGTERM)
        self.assert_ends(program.process, 0, "two SIGTERMs end in order")
        self.assertEqual(program.frames()[-3:], [tray_test.PULSE, tray_test.IDLE, tray_test.CLOSING])
        self.assertEqual(program.frames().count(tray_test.CLOSING), 1)


if __name__ == "__main__":
    tray_test.main()  # the same command line; it runs the tests of this file

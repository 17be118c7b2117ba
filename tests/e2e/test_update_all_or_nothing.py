"""The updater installs a signed update whole or not at all: every file is fetched and checked
before any replaces its target, a file that fails leaves the whole installation as it was and
opens nothing; a command line that does not name the client's own folder, and a manifest that is
not newer than the updater or is past its expiry, write nothing.
"""
import os
import unittest

from qorv_e2e import UPDATER, absent_for, message_box
from test_signed_update import SignedTestCase, flip_one_byte
from test_update import NOT_COMPLETE, UPDATER_CLASS, marker_bat, running_version


def next_version():
    major, minor, patch = running_version().split(".")
    return f"{major}.{minor}.{int(patch) + 1}"


class AllOrNothingTest(SignedTestCase):
    # name -> (installed, published); the manifest lists them in this order.
    FILES = {
        "a.bin": (b"the old a" * 1000, os.urandom(300000)),
        "b.bat": (b"the old b", marker_bat("b-opened.txt")),
        "c.bat": (b"the old c", marker_bat("c-opened.txt")),
    }
    OLD_CLIENT = b"the old client"

    def setUp(self):
        super().setUp()
        for name, (old, new) in self.FILES.items():
            self.write_client_file(name, old)
            self.site_file(name, new)
        self.write_client_file("qorv.exe", self.OLD_CLIENT)
        self.put_signed(next_version(), "2999-01-01")

    def put_signed(self, version, expires):
        lines = [f"version={version}", f"EXPIRES={expires}"]
        lines += [f"{name}|{self.url}/files/{name}" for name in self.FILES]
        self.put_manifest("\r\n".join(lines) + "\r\n", expires=expires)

    def run_updater(self, args):
        updater = self.start(UPDATER, args=args)
        try:
            box = message_box(press="ok", timeout_ms=60000)
            self.assertIsNotNone(box, "the updater said nothing")
            self.assertEqual(updater.wait(timeout=30), 0)
        finally:
            # A subtest that failed must not leave its box up for the next one to press.
            updater.kill()
        return box["text"]

    def assert_install_untouched(self):
        for name, (old, _) in self.FILES.items():
            self.assertEqual(self.read_client_file(name), old, name)
        self.assertEqual(self.read_client_file("qorv.exe"), self.OLD_CLIENT)
        # Nothing opened (the batch files would leave their marks), no part file left behind.
        self.assertTrue(absent_for(UPDATER_CLASS, 1500))
        self.assertEqual(sorted(os.listdir(self.client_dir)), sorted([*self.FILES, "qorv.exe"]))

    def test_a_third_file_corrupted_on_the_wire_leaves_all_three_old_and_opens_nothing(self):
        # The mirror serves other bytes than the publisher signed, of the same length.
        flip_one_byte(os.path.join(self.files_dir(), "c.bat"), b"c-opened", b"c-opene!")
        self.assertEqual(self.run_updater(self.updater_args()), NOT_COMPLETE)
        self.assert_install_untouched()
        self.assertEqual(len(self.requested()), 3)
        self.assertIn("does not match its SHA-256", self.new_log())

    def test_a_command_line_whose_folder_does_not_hold_the_client_is_refused(self):
        os.remove(self.client_file("qorv.exe"))
        self.write_client_file("qorv.exe.old", self.OLD_CLIENT)
        self.assertEqual(self.run_updater(self.updater_args()), NOT_COMPLETE)
        os.rename(self.client_file("qorv.exe.old"), self.client_file("qorv.exe"))
        self.assert_install_untouched()
        self.assertEqual(self.requested(), [])
        self.assertIn("does not hold the client", self.new_log())

    def test_a_manifest_not_newer_or_expired_is_refused(self):
        for what, version, expires, reason in (
                ("the running version again", running_version(), "2999-01-01",
                 f"is not newer than {running_version()}; nothing is installed"),
                ("expired", next_version(), "2020-01-01",
                 "expired on 2020-01-01; nothing is installed")):
            with self.subTest(what):
                self.put_signed(version, expires)
                with self.server.lock:
                    self.server.requests.clear()
                self.assertEqual(self.run_updater(self.updater_args()), NOT_COMPLETE)
                self.assert_install_untouched()
                self.assertEqual(self.requested(), [])
                self.assertIn(reason, self.new_log())


if __name__ == "__main__":
    unittest.main()

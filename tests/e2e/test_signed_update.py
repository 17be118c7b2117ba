"""Signed updates as processes: the client and updater carry the build tree's own key, manifests
are signed with its private half by scripts/sign-manifest, and what the programs do with signed,
tampered and unsigned manifests and with files that differ from their digests.
"""
import os
import sys
import unittest

from qorv_e2e import (CLIENT, SPLASH_CLASS, UPDATER, absent_for, find_window, message_box, probe,
                      sign_manifest)
from test_update import (NOT_COMPLETE, UPDATED, UPDATER_CLASS, UpdateTestCase, marker_bat,
                         question, wait_for)


def sign(manifest, files_dir):
    sign_manifest(manifest, files_dir)


def flip_one_byte(path, old, new):
    with open(path, "rb") as f:
        data = f.read()
    assert old in data
    with open(path, "wb") as f:
        f.write(data.replace(old, new, 1))


class SignedTestCase(UpdateTestCase):
    def setUp(self):
        super().setUp()
        self.log = os.path.join(self.temp, "qorv.log")
        self.log_size = os.path.getsize(self.log) if os.path.exists(self.log) else 0
        for name in ("update.txt.sig",):
            for where in (self.temp, os.path.join(self.site, "gamehome", "qorv")):
                if os.path.exists(os.path.join(where, name)):
                    os.remove(os.path.join(where, name))

    def tearDown(self):
        super().tearDown()
        for where in (self.temp, os.path.join(self.site, "gamehome", "qorv")):
            if os.path.exists(os.path.join(where, "update.txt.sig")):
                os.remove(os.path.join(where, "update.txt.sig"))

    def new_log(self):
        with open(self.log, "rb") as f:
            f.seek(self.log_size)
            return f.read().decode("utf-8", "replace")

    def published(self):
        return os.path.join(self.site, "gamehome", "qorv", "update.txt")



class SignedClientTest(SignedTestCase):
    def publish_signed(self):
        self.site_file("qorv.exe", b"the new client")
        with open(self.published(), "wb") as f:
            f.write(f"version=9.9.9\r\nqorv|{self.url}/files/qorv.exe\r\n".encode())
        sign(self.published(), self.files_dir())

    def close_splash(self, client):
        # The splash waits for a login page this site does not have: the client is ended.
        self.assertTrue(client.running())
        client.kill()

    def test_a_signed_manifest_offers_the_update(self):
        self.publish_signed()
        client = self.start(CLIENT, env=self.client_env())
        box = message_box(press="no", timeout_ms=30000)
        self.assertIsNotNone(box, "no question for a correctly signed manifest")
        self.assertEqual(box["text"], question(self.version, "9.9.9"))
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
        self.close_splash(client)
        self.assertIn("/gamehome/qorv/update.txt.sig", self.requested())

    def test_tampered_unsigned_or_error_page_goes_straight_to_the_splash(self):
        def tampered():
            self.publish_signed()
            flip_one_byte(self.published(), b"9.9.9", b"9.9.8")

        def unsigned():
            self.publish_signed()
            os.remove(self.published() + ".sig")

        def error_page():
            self.publish_signed()
            with open(self.published() + ".sig", "wb") as f:
                f.write(b"<html><body><h1>502 Bad Gateway</h1></body></html>\r\n")

        for name, prepare, status in (("tampered", tampered, "does not verify"),
                                      ("no signature", unsigned, "missing"),
                                      ("an error page", error_page, "not a signature")):
            with self.subTest(name):
                self.forget_manifest()
                prepare()
                client = self.start(CLIENT, env=self.client_env())
                self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
                self.assertIsNone(message_box(timeout_ms=0), "a question came up")
                self.close_splash(client)
                self.assertIn(f"its signature is {status}", self.new_log())


class SignedUpdaterTest(SignedTestCase):
    def put_signed(self, text):
        self.put_manifest(text)
        sign(self.fetched_manifest(), self.files_dir())

    def test_a_signed_three_file_update_installs_and_opens_the_last(self):
        a, b = os.urandom(200000), os.urandom(1500000)
        self.site_file("a.bin", a)
        self.site_file("b.dat", b)
        self.site_file("c.bat", marker_bat("c-opened.txt"))
        self.put_signed(f"version=9.9.9\r\na|{self.url}/files/a.bin\r\n"
                        f"b|{self.url}/files/b.dat\r\nc|{self.url}/files/c.bat\r\n")
        self.write_client_file("b.dat", b"an older b")
        self.write_client_file("qorv.exe", b"the old client")
        updater = self.start(UPDATER, args=self.updater_args())
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], UPDATED)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertEqual(self.read_client_file("a.bin"), a)
        self.assertEqual(self.read_client_file("b.dat"), b)
        self.assertTrue(wait_for(lambda: os.path.exists(self.client_file("c-opened.txt")), 20))
        self.assertFalse(os.path.exists(self.client_file("qorv.exe")))

    def test_a_file_that_differs_from_its_digest_keeps_the_old_one_and_is_not_opened(self):
        self.site_file("first.bat", marker_bat("first-opened.txt"))
        self.site_file("evil.bat", marker_bat("evil-opened.txt"))
        self.put_signed(f"version=9.9.9\r\nfirst|{self.url}/files/first.bat\r\n"
                        f"evil|{self.url}/files/evil.bat\r\n")
        # The mirror serves other bytes than the publisher signed (same length).
        flip_one_byte(os.path.join(self.files_dir(), "evil.bat"), b"evil-opened", b"evil-opene!")
        self.write_client_file("evil.bat", b"the old evil.bat")
        self.write_client_file("qorv.exe", b"the old client")
        updater = self.start(UPDATER, args=self.updater_args())
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], NOT_COMPLETE)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertEqual(self.read_client_file("evil.bat"), b"the old evil.bat")
        self.assertEqual(self.read_client_file("qorv.exe"), b"the old client")
        # The update went in whole or not at all: the good file before the bad one stays out too.
        self.assertTrue(absent_for(UPDATER_CLASS, 1500))
        self.assertEqual(sorted(os.listdir(self.client_dir)), ["evil.bat", "qorv.exe"])
        self.assertIn("does not match its SHA-256", self.new_log())

    def test_a_manifest_changed_after_the_client_checked_it_is_not_used(self):
        self.site_file("x.bat", marker_bat("x-opened.txt"))
        self.put_signed(f"version=9.9.9\r\nx|{self.url}/files/x.bat\r\n")
        flip_one_byte(self.fetched_manifest(), b"9.9.9", b"9.9.8")
        updater = self.start(UPDATER, args=self.updater_args())
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], NOT_COMPLETE)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertEqual(self.requested(), [])
        self.assertEqual(os.listdir(self.client_dir), [])


if __name__ == "__main__":
    unittest.main()

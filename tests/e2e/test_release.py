"""The release package as a player gets it (scripts/package --test-key, see release_package.py):
installed by its installer, every program Authenticode-signed, and updates it must refuse or take
all or nothing, served where the build points (the release ignores the QORV_* variables).

Runs in the installer tests' Wine prefix of its own, so the install touches nothing else.
"""
import glob
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import release_package as release
import test_installer as installer
from qorv_e2e import CLIENT, SOURCE, SPLASH_CLASS, E2ETestCase, find_window, message_box, run_wine
import test_update
from test_update import NOT_COMPLETE, QUESTION, UPDATED, UPDATER_CLASS, marker_bat, wait_for

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "servers"))
import http_test_server  # noqa: E402

SIGN = os.path.join(SOURCE, "scripts", "sign-manifest")
MANIFEST_PATHS = {"/gamehome/qorv/update.txt", "/gamehome/qorv/update.txt.sig"}


def setUpModule():
    installer.setUpModule()


def tearDownModule():
    installer.tearDownModule()


def authenticode_verified(path):
    proc = subprocess.run(["osslsigncode", "verify", "-CAfile", release.CERT, "-in", path],
                          capture_output=True, text=True, timeout=60)
    return proc.returncode == 0 and "Signature verification: ok" in proc.stdout


def read(path):
    with open(path, "rb") as f:
        return f.read()


def install_state(folder):
    """Every file and folder below FOLDER, files by their SHA-256 (a difference stays readable)."""
    return {name: None if data is None else hashlib.sha256(data).hexdigest()
            for name, data in installer.tree(folder).items()}


def newer_version(version):
    major, minor, patch = map(int, version.split("."))
    return f"{major}.{minor}.{patch + 1}"


def lower_version(version):
    """The last number above zero goes down by one, the ones after it become 9: 1.1.0 -> 1.0.9."""
    parts = list(map(int, version.split(".")))
    last = max(i for i, part in enumerate(parts) if part > 0)
    parts[last] -= 1
    parts[last + 1:] = [9] * (len(parts) - last - 1)
    return ".".join(map(str, parts))


class ReleaseTest(E2ETestCase):
    @classmethod
    def setUpClass(cls):
        cls.version = release.version()
        cls.setup = release.setup_exe()
        rc, _ = run_wine([cls.setup, "/S"], timeout=120)
        assert rc == 0, f"the release installer ended with {rc}"
        cls.install_dir = installer.paths["default_dir"]
        cls.site = tempfile.mkdtemp(prefix="qorv-release-site-")
        cls.url = release.URL
        os.makedirs(os.path.join(cls.site, "gamehome", "qorv"))
        os.makedirs(os.path.join(cls.site, "files"))
        try:
            cls.server = http_test_server.start_in_thread(cls.site, port=release.PORT)
        except OSError as e:
            raise RuntimeError(f"the release build points at {release.URL}, which is taken: {e}")

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.site, ignore_errors=True)
        run_wine([os.path.join(cls.install_dir, "uninstall.exe"), "/S",
                  "_?=" + installer.winpath(cls.install_dir)], timeout=60)
        shutil.rmtree(cls.install_dir, ignore_errors=True)

    def setUp(self):
        super().setUp()
        self.scratch = tempfile.mkdtemp(prefix="qorv-release-")
        for folder in ("gamehome/qorv", "files"):
            shutil.rmtree(os.path.join(self.site, folder))
            os.makedirs(os.path.join(self.site, folder))
        with self.server.lock:
            self.server.requests.clear()
        for name in ("update.txt", "update.txt.sig"):
            if os.path.exists(os.path.join(installer.paths["temp"], name)):
                os.remove(os.path.join(installer.paths["temp"], name))

    def tearDown(self):
        super().tearDown()
        for exe in ("qorv.exe", "Update.exe"):
            run_wine(["taskkill", "/f", "/im", exe], timeout=60)
        # What the test put beside the installed client goes; the client is as installed.
        for name in os.listdir(self.install_dir):
            if name not in ("qorv.exe", "uninstall.exe"):
                os.remove(os.path.join(self.install_dir, name))
        shutil.copy(os.path.join(release.RELEASE, "bin", "qorv.exe"), self.install_dir)
        shutil.rmtree(os.path.join(installer.paths["data"], "Updater"), ignore_errors=True)
        shutil.rmtree(self.scratch, ignore_errors=True)

    # ---- helpers ----
    # The update tests' own, on this class's site and server.
    site_file = test_update.UpdateTestCase.site_file
    requested = test_update.UpdateTestCase.requested

    def manifest_path(self):
        return os.path.join(self.site, "gamehome", "qorv", "update.txt")

    def publish(self, version, files, key=release.PRIVATE_KEY, expires=None):
        """A manifest of VERSION listing FILES {name: bytes}, signed with KEY (None: unsigned)."""
        lines = [f"version={version}"]
        lines += [f"{name.split('.')[0]}|{self.site_file(name, data)}" for name, data in files.items()]
        with open(self.manifest_path(), "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode())
        if key is not None:
            options = ["--expires", expires] if expires else []
            subprocess.run([SIGN, "sign", self.manifest_path(), "--key", key,
                            "--files", os.path.join(self.site, "files"), *options],
                           check=True, capture_output=True, timeout=60)

    def updater_folders(self):
        return glob.glob(os.path.join(installer.paths["data"], "Updater", "*"))

    def start_client(self):
        return self.start(os.path.join(self.install_dir, "qorv.exe"))

    # ---- the tests ----
    def test_the_four_programs_are_signed_and_the_sums_match(self):
        installed = {name: os.path.join(self.install_dir, name)
                     for name in ("qorv.exe", "uninstall.exe")}
        updater = os.path.join(release.RELEASE, "bin", "Update.exe")
        for name, path in [("installer", self.setup), ("updater", updater), *installed.items()]:
            with self.subTest(name):
                self.assertTrue(authenticode_verified(path), f"{path} is not signed")
        # The client carries the signed updater, byte for byte.
        self.assertIn(read(updater), read(installed["qorv.exe"]))
        self.assertEqual(read(installed["qorv.exe"]), read(os.path.join(release.RELEASE, "bin",
                                                                        "qorv.exe")))
        # What verify says of an unsigned program (the development build's client).
        self.assertFalse(authenticode_verified(CLIENT))
        sums = read(os.path.join(os.path.dirname(self.setup), "SHA256SUMS")).decode()
        self.assertEqual(sums, f"{hashlib.sha256(read(self.setup)).hexdigest()}  "
                               f"{os.path.basename(self.setup)}\n")

    def test_manifests_to_refuse_offer_write_and_open_nothing(self):
        other_key = os.path.join(self.scratch, "other-key")
        subprocess.run([SIGN, "keygen", other_key, "--no-passphrase"], check=True,
                       capture_output=True, timeout=60)
        newer, lower = newer_version(self.version), lower_version(self.version)
        not_newer = f"is not newer than {self.version}"
        cases = [("unsigned", newer, None, None, "its signature is missing"),
                 ("signed by another key", newer, os.path.join(other_key, "private.pem"), None,
                  "is not signed with this build's key"),
                 ("a lower version", lower, release.PRIVATE_KEY, None, not_newer),
                 ("the same version", self.version, release.PRIVATE_KEY, None, not_newer),
                 ("expired", newer, release.PRIVATE_KEY, "2020-01-01", "expired on 2020-01-01")]
        before = install_state(self.install_dir)
        log = os.path.join(installer.paths["temp"], "qorv.log")
        for name, version, key, expires, why in cases:
            with self.subTest(name):
                self.publish(version, {"run.bat": marker_bat("run-opened.txt")}, key, expires)
                with self.server.lock:
                    self.server.requests.clear()
                log_size = os.path.getsize(log) if os.path.exists(log) else 0
                client = self.start_client()
                self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
                self.assertIsNone(message_box(timeout_ms=0), "a question came up")
                self.assertTrue(client.running())
                client.kill()
                self.assertIn("/gamehome/qorv/update.txt", self.requested())
                self.assertEqual([p for p in self.requested() if p.startswith("/files/")], [])
                self.assertEqual(install_state(self.install_dir), before)
                self.assertEqual(self.updater_folders(), [])
                with open(log, "rb") as f:
                    f.seek(log_size)
                    self.assertIn(why, f.read().decode("utf-8", "replace"))

    def test_a_manifest_signed_with_the_next_key_is_offered(self):
        self.publish(newer_version(self.version), {"run.bat": marker_bat("run-opened.txt")},
                     release.NEXT_PRIVATE_KEY)
        client = self.start_client()
        box = message_box(press="no", timeout_ms=30000)
        self.assertIsNotNone(box, "no question for a manifest signed with the next key")
        self.assertIn(QUESTION, box["text"])
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
        client.kill()

    def start_update(self, files, served=None):
        """Publishes a signed newer version of FILES (the server hands out SERVED {name: bytes}
        instead where given), starts the installed client and answers its question "yes";
        returns once the updater has said how it went (the box's text)."""
        self.publish(newer_version(self.version), files)
        for name, data in (served or {}).items():
            self.site_file(name, data)
        client = self.start_client()
        box = message_box(press="yes", timeout_ms=30000)
        self.assertIsNotNone(box, "no question")
        self.assertIn(QUESTION, box["text"])
        self.assertEqual(client.wait(timeout=30), 0)
        self.assertIsNotNone(find_window(UPDATER_CLASS, timeout_ms=30000), "no updater window")
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box, "the updater said nothing")
        self.assertTrue(wait_for(lambda: find_window(UPDATER_CLASS, timeout_ms=0) is None, 30))
        return box["text"]

    def put_old_files(self, names):
        for name in names:
            with open(os.path.join(self.install_dir, name), "wb") as f:
                f.write(f"the old {name}".encode())

    def test_a_file_corrupted_on_the_wire_keeps_every_old_file_and_opens_nothing(self):
        files = {"a.bin": os.urandom(300000), "b.dat": os.urandom(1200000),
                 "c.bat": marker_bat("c-opened.txt")}
        self.put_old_files(files)
        before = install_state(self.install_dir)
        # The mirror serves other bytes for the last file than the publisher signed.
        corrupted = files["c.bat"].replace(b"c-opened", b"c-opene!")
        self.assertEqual(self.start_update(files, served={"c.bat": corrupted}), NOT_COMPLETE)
        self.assertIn("/files/c.bat", self.requested())
        # Nothing replaced, nothing opened, not even a moment later.
        self.assertEqual(install_state(self.install_dir), before)
        self.assertFalse(wait_for(lambda: install_state(self.install_dir) != before, 3))

    def test_a_signed_update_replaces_every_file_and_opens_the_last(self):
        files = {"a.bin": os.urandom(300000), "b.dat": os.urandom(1200000),
                 "c.bat": marker_bat("c-opened.txt")}
        self.put_old_files(files)
        self.assertEqual(self.start_update(files), UPDATED)
        for name in ("a.bin", "b.dat"):
            self.assertEqual(read(os.path.join(self.install_dir, name)), files[name])
        self.assertTrue(wait_for(
            lambda: os.path.exists(os.path.join(self.install_dir, "c-opened.txt")), 20))
        # The updater ran from a private folder of its own, as the signed program it was built as.
        copies = [os.path.join(folder, "Update.exe") for folder in self.updater_folders()]
        self.assertEqual(len(copies), 1, copies)
        self.assertTrue(authenticode_verified(copies[0]))


if __name__ == "__main__":
    unittest.main()

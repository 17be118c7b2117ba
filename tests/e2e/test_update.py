"""The update as processes: the client's check at start, the hand-off to the updater, and the
updater fetching files into a client directory, cancelled, or fed a hostile manifest.

Each test installs its own copy of the client (or none) in a scratch directory, so nothing the
updater writes or removes touches the build.
"""
import filecmp
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from qorv_e2e import (BUILD, CLIENT, MESSAGE_TITLE, SPLASH_CLASS, UPDATER, E2ETestCase,
                      absent_for, find_window, message_box, probe, screen_pixel, sign_manifest,
                      wait_for, windows_temp_dir)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "servers"))
import http_test_server  # noqa: E402

UPDATER_CLASS = "Qorv.UpdateFrm"
QUESTION = "发现有新版本，是否现在更新！"
# The updater the client writes goes to a fresh folder of its own, named at random.
# The log doubles every backslash of what it is given.
PRIVATE_UPDATER = re.compile(
    r"update hand-off: (.*\\\\BrindleQorvane\\\\Updater\\\\[0-9a-f]{32}\\\\Update\.exe) ")


def question(running, published):
    return f"{QUESTION}\n当前版本：{running}\n最新版本：{published}"
UPDATED = "软件已升至最新版本！"
NOT_COMPLETE = "部分文件未能下载，更新没有完成！"
QUIT_QUESTION = "您是否要退出更新！"
OK, YES, NO = "1", "6", "7"

# Where the updater window puts its progress bar (client pixels), and the skin's colours on the
# bar's fifth row: the filled middle and the empty track.
BAR_LEFT, BAR_TOP, BAR_MARGIN = 16, 76, 16
FILLED_ROW4 = (40, 136, 226)
EMPTY_ROW4 = (226, 230, 235)
CLOSE_RIGHT_PX = 49  # the close button's left edge: window width minus 730 twips


def running_version():
    with open(os.path.join(BUILD, "generated", "build_config.h")) as f:
        return re.search(r'QORV_VERSION_STRING "([^"]+)"', f.read()).group(1)


def winpath(unix_path):
    out = subprocess.run(["winepath", "-w", unix_path], capture_output=True, timeout=60)
    return out.stdout.decode().strip()


def marker_bat(name):
    """A batch file that, when opened, leaves NAME beside itself."""
    return ('@echo off\r\necho opened> "%~dp0' + name + '"\r\n').encode()


class UpdateTestCase(E2ETestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = tempfile.mkdtemp(prefix="qorv-update-site-")
        os.makedirs(os.path.join(cls.site, "gamehome", "qorv"))
        os.makedirs(os.path.join(cls.site, "files"))
        cls.server = http_test_server.start_in_thread(cls.site)
        cls.url = cls.server.url
        cls.temp = windows_temp_dir()
        cls.version = running_version()

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.site, ignore_errors=True)

    def setUp(self):
        super().setUp()
        self.scratch = tempfile.mkdtemp(prefix="qorv-update-")
        # A space in the path: the command line must survive it on every way it travels.
        self.client_dir = os.path.join(self.scratch, "my client")
        os.makedirs(self.client_dir)
        with self.server.lock:
            self.server.requests.clear()
        self.forget_manifest()

    def tearDown(self):
        super().tearDown()
        # A manifest left in the temporary directory is what the next client start falls back
        # to when its server has none: other tests must not meet ours.
        self.forget_manifest()
        # An updater started by the client is not ours to wait for; make sure none outlives us.
        if find_window(UPDATER_CLASS, timeout_ms=0):
            subprocess.run(["wine", "taskkill", "/f", "/im", "Update.exe"], capture_output=True,
                           timeout=60)
        shutil.rmtree(self.scratch, ignore_errors=True)

    # ---- helpers ----
    def site_file(self, name, data):
        with open(os.path.join(self.site, "files", name), "wb") as f:
            f.write(data)
        return f"{self.url}/files/{name}"

    def files_dir(self):
        return os.path.join(self.site, "files")

    def site_pattern_file(self, name, size):
        """The bytes the test server's generated answers send, as a file the signer can hash."""
        with open(os.path.join(self.files_dir(), name), "wb") as f:
            f.write(http_test_server.pattern_bytes(0, size))

    def publish(self, text, digests=False):
        """The manifest on the server, signed with the build tree's key (digests of the site's
        files on the file lines when asked: only the updater needs them)."""
        path = os.path.join(self.site, "gamehome", "qorv", "update.txt")
        with open(path, "wb") as f:
            f.write(text.encode())
        sign_manifest(path, self.files_dir() if digests else None)

    def unpublish(self):
        path = os.path.join(self.site, "gamehome", "qorv", "update.txt")
        for p in (path, path + ".sig"):
            if os.path.exists(p):
                os.remove(p)

    def forget_manifest(self):
        for p in (self.fetched_manifest(), self.fetched_manifest() + ".sig"):
            if os.path.exists(p):
                os.remove(p)

    def fetched_manifest(self):
        return os.path.join(self.temp, "update.txt")

    def put_manifest(self, text, digests=True, expires=None):
        """The manifest the client would have left in the temporary directory, signed with the
        build tree's key; each file line with the digest of its file in the site's files unless
        told otherwise (a line without one is never fetched). The signer writes the EXPIRES line:
        EXPIRES (YYYY-MM-DD) or its default."""
        with open(self.fetched_manifest(), "wb") as f:
            f.write(text.encode())
        sign_manifest(self.fetched_manifest(), self.files_dir() if digests else None, expires)

    def client_file(self, name):
        return os.path.join(self.client_dir, name)

    def write_client_file(self, name, data):
        with open(self.client_file(name), "wb") as f:
            f.write(data)

    def read_client_file(self, name):
        with open(self.client_file(name), "rb") as f:
            return f.read()

    def updater_args(self):
        d = winpath(self.client_dir)
        return [d + "|" + d + "\\qorv.exe"]

    def client_env(self):
        return {"QORV_FILE_SERVER": self.url, "QORV_GAME_SITE": self.url,
                "QORV_HOME_URL": self.url + "/"}

    def requested(self):
        with self.server.lock:
            return list(self.server.requests)

    def bar_pixel(self, window, from_right=8, row=4):
        x = int(window["x"]) + BAR_LEFT + (int(window["w"]) - 2 * BAR_MARGIN) - from_right
        return screen_pixel(x, int(window["y"]) + BAR_TOP + row)

    def click_close_button(self, window):
        x = int(window["x"]) + int(window["w"]) - CLOSE_RIGHT_PX + 21
        y = int(window["y"]) + 6 + 9
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], timeout=30)
        time.sleep(0.3)  # the button's hover poll sees the mouse
        subprocess.run(["xdotool", "click", "1"], timeout=30)

    # ---- the whole accepted update, also run against an installed client ----
    def accept_update_and_check(self):
        """The client in client_dir offers an update, the player accepts, the updater fetches two
        files into client_dir and opens the last one; the old client is gone."""
        notes = os.urandom(50000)
        self.publish(f"version=9.9.9\r\n"
                     f"notes|{self.site_file('notes.bin', notes)}\r\n"
                     f"done|{self.site_file('done.bat', marker_bat('done-opened.txt'))}\r\n",
                     digests=True)
        log = os.path.join(self.temp, "qorv.log")
        log_size = os.path.getsize(log) if os.path.exists(log) else 0

        client = self.start(self.client_file("qorv.exe"), env=self.client_env())
        box = message_box(press="yes", timeout_ms=30000)
        self.assertIsNotNone(box, "no question")
        self.assertEqual(box["text"], question(self.version, "9.9.9"))
        self.assertEqual(client.wait(timeout=30), 0)  # the client ends at once
        self.assertTrue(absent_for(SPLASH_CLASS, 300), "the splash came up after all")
        with open(log, "rb") as f:
            f.seek(log_size)
            handed = PRIVATE_UPDATER.search(f.read().decode("utf-8", "replace"))
        self.assertIsNotNone(handed, "the updater was not written to a private folder")
        handed_path = handed.group(1).replace("\\\\", "\\")
        updater_copy = subprocess.run(["winepath", "-u", handed_path], capture_output=True,
                                      timeout=60).stdout.decode().strip()
        self.assertTrue(filecmp.cmp(updater_copy, UPDATER, shallow=False))

        # The updater runs from its private folder on the client's directory.
        self.assertIsNotNone(find_window(UPDATER_CLASS, timeout_ms=30000), "no updater window")
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], UPDATED)
        self.assertTrue(wait_for(lambda: absent_for(UPDATER_CLASS, 100), 30))
        with open(log, "rb") as f:
            f.seek(log_size)
            new_lines = f.read().decode("utf-8", "replace")
        d = winpath(self.client_dir)
        # The log doubles every backslash of what it is given.
        started = f'updater: started with "{d}|{d}\\qorv.exe"'.replace("\\", "\\\\")
        self.assertIn(started, new_lines)
        self.assertEqual(self.read_client_file("notes.bin"), notes)
        self.assertTrue(wait_for(lambda: os.path.exists(self.client_file("done-opened.txt")), 20))
        # Every listed file arrived and none of them was the client: the old one is gone.
        self.assertFalse(os.path.exists(self.client_file("qorv.exe")))


class ClientCheckTest(UpdateTestCase):
    def start_client(self, exe=CLIENT):
        return self.start(exe, env=self.client_env())

    def close_splash(self, client):
        # The splash stays until the login page has loaded, which never happens here: the client
        # is still running, and is ended.
        self.assertTrue(client.running())
        client.kill()

    def test_equal_version_goes_straight_to_the_splash(self):
        self.publish(f"VERSION={self.version}   \r\nqorv|{self.url}/files/qorv.exe\r\n")
        client = self.start_client()
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
        self.assertIsNone(message_box(timeout_ms=0))
        self.assertIn("/gamehome/qorv/update.txt", self.requested())
        with open(self.fetched_manifest(), "rb") as f:
            self.assertIn(self.version.encode(), f.read())
        self.close_splash(client)

    def test_absent_manifest_says_nothing(self):
        self.unpublish()
        client = self.start_client()
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
        self.assertIsNone(message_box(timeout_ms=0))
        self.assertFalse(os.path.exists(self.fetched_manifest()))
        self.close_splash(client)

    def test_newer_version_asks_showing_both_and_no_goes_on(self):
        self.publish("version=1.10.0\r\n")
        client = self.start_client()
        box = message_box(press="no", timeout_ms=30000)
        self.assertIsNotNone(box, "no question")
        self.assertEqual(box["title"], MESSAGE_TITLE)
        self.assertEqual(box["text"], question(self.version, "1.10.0"))
        self.assertEqual(box["buttons"], f"{YES},{NO}")
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
        self.close_splash(client)

    def test_yes_writes_and_starts_the_updater_and_ends(self):
        shutil.copy(CLIENT, self.client_file("qorv.exe"))
        self.accept_update_and_check()


class UpdaterTest(UpdateTestCase):
    def test_three_files_arrive_whole_and_the_last_is_opened(self):
        a, b = os.urandom(200000), os.urandom(1500000)
        self.put_manifest(f"version=9.9.9\r\n"
                          f"a|{self.site_file('a.bin', a)}\r\n"
                          f"\r\n"
                          f"b|{self.site_file('b.dat', b)}\n"  # one LF-only line among CR LF
                          f"c|{self.site_file('c.bat', marker_bat('c-opened.txt'))}\r\n")
        self.write_client_file("b.dat", b"an older b")
        self.write_client_file("qorv.exe", b"the old client")
        updater = self.start(UPDATER, args=self.updater_args())
        window = find_window(UPDATER_CLASS, visible=True, timeout_ms=30000)
        self.assertIsNotNone(window)
        self.assertEqual((int(window["w"]), int(window["h"])), (400, 110))

        box = message_box(press="none", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["title"], MESSAGE_TITLE)
        self.assertEqual(box["text"], UPDATED)
        self.assertEqual(box["buttons"], OK)
        # The bar ran to its end for the last file.
        self.assertEqual(self.bar_pixel(window), FILLED_ROW4)
        message_box(press="ok", timeout_ms=5000)
        self.assertEqual(updater.wait(timeout=30), 0)

        self.assertEqual(self.read_client_file("a.bin"), a)
        self.assertEqual(self.read_client_file("b.dat"), b)
        self.assertTrue(wait_for(lambda: os.path.exists(self.client_file("c-opened.txt")), 20))
        self.assertFalse(os.path.exists(self.client_file("qorv.exe")))
        self.assertEqual(sorted(os.listdir(self.client_dir)),
                         ["a.bin", "b.dat", "c-opened.txt", "c.bat"])

    def test_closing_mid_transfer_keeps_the_old_files(self):
        self.site_pattern_file("big.bin", 4000000)
        self.put_manifest(f"version=9.9.9\r\n"
                          f"first|{self.site_file('first.bat', marker_bat('first-opened.txt'))}\r\n"
                          f"big|{self.url}/slow/4000000/40/big.bin\r\n"
                          f"after|{self.site_file('after.txt', b'never fetched')}\r\n")
        self.write_client_file("big.bin", b"the old big file")
        self.write_client_file("qorv.exe", b"the old client")
        updater = self.start(UPDATER, args=self.updater_args())
        window = find_window(UPDATER_CLASS, visible=True, timeout_ms=30000)
        self.assertIsNotNone(window)
        self.assertTrue(wait_for(lambda: any(r.startswith("/slow/") for r in self.requested()), 30))
        self.assertTrue(wait_for(lambda: self.bar_pixel(window, from_right=360) != EMPTY_ROW4, 30),
                        "no progress")
        self.assertEqual(self.bar_pixel(window), EMPTY_ROW4, "the bar is full already")

        self.click_close_button(window)
        box = message_box(press="yes", timeout_ms=15000)
        self.assertIsNotNone(box, "the close button asked nothing")
        self.assertEqual(box["text"], QUIT_QUESTION)
        self.assertEqual(box["buttons"], f"{YES},{NO}")
        # No success message follows: the updater ends on its own.
        self.assertEqual(updater.wait(timeout=30), 0)

        self.assertEqual(self.read_client_file("big.bin"), b"the old big file")
        self.assertEqual(self.read_client_file("qorv.exe"), b"the old client")
        self.assertFalse(os.path.exists(self.client_file("after.txt")))
        # A cancelled update is no update: the file fetched before the cancel stays out, unopened.
        self.assertTrue(absent_for(UPDATER_CLASS, 1500))
        self.assertEqual(sorted(os.listdir(self.client_dir)), ["big.bin", "qorv.exe"])
        self.assertNotIn("/files/after.txt", self.requested())

    def test_no_answers_the_close_question_and_goes_on(self):
        self.site_pattern_file("big.bin", 1000000)
        self.put_manifest(f"version=9.9.9\r\nbig|{self.url}/slow/1000000/40/big.bin\r\n")
        self.write_client_file("qorv.exe", b"the old client")
        updater = self.start(UPDATER, args=self.updater_args())
        self.assertIsNotNone(find_window(UPDATER_CLASS, visible=True, timeout_ms=30000))
        self.assertTrue(wait_for(lambda: any(r.startswith("/slow/") for r in self.requested()), 30))
        probe("close", "--class", UPDATER_CLASS)  # Alt+F4 and the like ask the same question
        box = message_box(press="no", timeout_ms=15000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], QUIT_QUESTION)
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], UPDATED)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertEqual(os.path.getsize(self.client_file("big.bin")), 1000000)

    def test_hostile_names_write_nothing_outside(self):
        install = os.path.join(self.scratch, "install")
        self.client_dir = os.path.join(install, "client")
        os.makedirs(self.client_dir)
        self.write_client_file("qorv.exe", b"the old client")
        evil = self.site_file("evil.bat", marker_bat("evil-opened.txt"))
        self.put_manifest(f"version=9.9.9\r\n"
                          f"e1|{self.url}/files/..\\..\\evil.bat\r\n"
                          f"e2|{self.url}/files/C:evil.bat\r\n"
                          f"e3|{self.url}/files/..\r\n"
                          f"e4|{self.url}/files/con\r\n"
                          f"e5|{self.url}/files/\r\n"
                          f"no separator {evil}\r\n"
                          f"ok|{self.site_file('ok.bat', marker_bat('ok-opened.txt'))}|"
                          f"{hashlib.sha256(marker_bat('ok-opened.txt')).hexdigest()}\r\n",
                          digests=False)  # the signer finds no files for the hostile names
        before_scratch = sorted(os.listdir(self.scratch))
        updater = self.start(UPDATER, args=self.updater_args())
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], NOT_COMPLETE)  # listed files were left out
        self.assertEqual(updater.wait(timeout=30), 0)
        # An update missing some of its files is none: not even the good line is fetched.
        self.assertTrue(absent_for(UPDATER_CLASS, 1500))
        self.assertEqual(sorted(os.listdir(self.scratch)), before_scratch)
        self.assertEqual(os.listdir(install), ["client"])
        self.assertEqual(sorted(os.listdir(self.client_dir)), ["qorv.exe"])
        self.assertEqual(self.requested(), [])

    def test_only_a_version_line_updates_nothing(self):
        self.put_manifest("version=9.9.9\r\n")
        self.write_client_file("qorv.exe", b"the old client")
        updater = self.start(UPDATER, args=self.updater_args())
        box = message_box(press="ok", timeout_ms=30000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], UPDATED)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertEqual(os.listdir(self.client_dir), ["qorv.exe"])


if __name__ == "__main__":
    unittest.main()

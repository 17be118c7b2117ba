"""The installer as a player meets it: a silent install and what it leaves, the installed client,
a newer build installed over it, an unusual folder, a client still running, and the uninstaller.

Everything runs in a Wine prefix of this module's own, whose shell folders (the desktop among them)
are folders of that prefix rather than links into the Unix home, so nothing here reaches other
tests' registry or any file outside the prefix and the test's scratch folders.
"""
import contextlib
import math
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import test_update as update_tests
from qorv_e2e import (BUILD, CLIENT, SOURCE, SPLASH_CLASS, E2ETestCase, find_window, message_box,
                      probe, run_wine, serve_directory, wait_for)

VERSION = update_tests.running_version()
SETUP = os.path.join(BUILD, "installer", f"BrindleQorvane-Setup-{VERSION}.exe")
BUILD_SETUP = os.path.join(SOURCE, "installer", "build-setup")
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\BrindleQorvane"
EMULATION_KEY = (r"HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl"
                 r"\FEATURE_BROWSER_EMULATION")
SHORTCUT = "BrindleQorvane客户端.lnk"
SETUP_CAPTION = "BrindleQorvane客户端 安装"
CLIENT_RUNNING = "BrindleQorvane客户端正在运行，请先关闭它，然后点击“重试”。"
RETRY, CANCEL = "4", "2"
# What the client and its updater write into the temporary directory.
CLIENT_TEMP_FILES = ["qorv.ico", "update.txt", "update.txt.sig", "update.txt.1f4-0.part",
                     "Update.exe", "qorv.log", "qorv.log.1"]
# The player's settings, and the private folder the client starts its updater from.
SETTINGS_KEY = r"HKCU\Software\BrindleQorvane"
UPDATER_COPY = os.path.join("Updater", "0123456789abcdef0123456789abcdef", "Update.exe")

_saved_env = {}
_module_dir = None
paths = {}


def winpath(unix_path):
    """The Windows name of a Unix path in this prefix (drive C:, or Z: for the rest). Worked out
    here: Wine's tools print in the console's code page, which cannot carry every name."""
    path = os.path.realpath(unix_path)
    drive_c = os.path.realpath(os.path.join(os.environ["WINEPREFIX"], "drive_c"))
    if path == drive_c or path.startswith(drive_c + "/"):
        return "C:" + (path[len(drive_c):] or "/").replace("/", "\\")
    return "Z:" + path.replace("/", "\\")


def unixpath(windows_path):
    _, out = run_wine(["winepath.exe", "-u", windows_path], timeout=60)
    return out.strip()


def windows_variable(name):
    _, out = run_wine(["cmd", "/c", f"echo %{name}%"], timeout=60)
    return out.strip()


def shell_folder(name):
    """The Unix path of the folder a Windows variable names. Once in a full run the first answer
    came back empty (the desktop then resolved to a relative "Desktop"), so it is asked again."""
    answers = []
    for _ in range(3):
        folder = unixpath(windows_variable(name))
        if os.path.isabs(folder) and os.path.isdir(folder):
            return folder
        answers.append(folder)
    raise RuntimeError(f"%{name}% names no folder of the prefix: {answers}")


def setUpModule():
    global _module_dir
    _module_dir = tempfile.mkdtemp(prefix="qorv-installer-")
    prefix = os.path.join(_module_dir, "prefix")
    subprocess.run(["cp", "-a", os.environ["WINEPREFIX"], prefix], check=True)
    users = os.path.join(prefix, "drive_c", "users")
    for user in os.listdir(users):
        for name in os.listdir(os.path.join(users, user)):
            folder = os.path.join(users, user, name)
            if os.path.islink(folder):
                os.unlink(folder)
                os.mkdir(folder)
    for name in ("WINEPREFIX", "WINEDLLOVERRIDES"):
        _saved_env[name] = os.environ.get(name)
    os.environ["WINEPREFIX"] = prefix
    # Shortcuts would otherwise become menu entries and desktop files in the Unix home.
    os.environ["WINEDLLOVERRIDES"] = (os.environ.get("WINEDLLOVERRIDES", "")
                                      + ";winemenubuilder.exe=d")
    subprocess.run(["wineserver", "-p"], check=True, timeout=60)
    local = shell_folder("LOCALAPPDATA")
    paths.update(
        programs=os.path.join(local, "Programs"),
        data=os.path.join(local, "BrindleQorvane"),
        default_dir=os.path.join(local, "Programs", "BrindleQorvane"),
        start_menu=os.path.join(shell_folder("APPDATA"),
                                "Microsoft", "Windows", "Start Menu", "Programs"),
        desktop=os.path.join(shell_folder("USERPROFILE"), "Desktop"),
        temp=shell_folder("TEMP"))
    # The copied prefix may hold what earlier tests' clients left: what the uninstaller removes
    # starts out absent here.
    shutil.rmtree(paths["data"], ignore_errors=True)
    for name in CLIENT_TEMP_FILES:
        with contextlib.suppress(FileNotFoundError):
            os.remove(os.path.join(paths["temp"], name))
    run_wine(["reg", "delete", SETTINGS_KEY, "/f"], timeout=60)


def tearDownModule():
    for flag in ("-k", "-w"):
        subprocess.run(["wineserver", flag], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
    for name, value in _saved_env.items():
        if value is None:
            os.environ.pop(name, None)
        else:
            os.environ[name] = value
    shutil.rmtree(_module_dir, ignore_errors=True)


def reg_export(key):
    """The text of `reg export` for a key (UTF-16 in, so every name survives), or None."""
    out = os.path.join(_module_dir, "export.reg")
    if os.path.exists(out):
        os.remove(out)
    rc, _ = run_wine(["reg", "export", key, out, "/y"], timeout=60)
    if rc != 0:
        return None
    with open(out, "rb") as f:
        return f.read().decode("utf-16")


def reg_query(key):
    """{name: value} of a key's own values (strings as text, DWORDs as int), or None when the
    key does not exist."""
    text = reg_export(key)
    if text is None:
        return None
    values = {}
    own = False
    for line in text.splitlines():
        if line.startswith("["):
            own = line.strip("[]").lower() == key.replace("HKCU", "HKEY_CURRENT_USER").lower()
            continue
        m = re.match(r'^"((?:[^"\\]|\\.)*)"=(?:"((?:[^"\\]|\\.)*)"|dword:([0-9a-f]{8}))$', line)
        if own and m:
            unescape = lambda t: re.sub(r"\\(.)", r"\1", t)
            values[unescape(m.group(1))] = (unescape(m.group(2)) if m.group(3) is None
                                            else int(m.group(3), 16))
    return values


def reg_add(key, name, data, kind="REG_SZ"):
    rc, _ = run_wine(["reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"], timeout=60)
    assert rc == 0, f"could not write {key}\\{name}"


def registry_text():
    """The current user's software keys as text: what an install may add and its uninstall must
    take away again. Wine's own keys are left out: it keeps volatile state of its own there."""
    lines, wine = [], False
    for line in reg_export(r"HKCU\Software").splitlines():
        if line.startswith("["):
            wine = line.lower().startswith(r"[hkey_current_user\software\wine")
        if not wine:
            lines.append(line)
    return lines


def tree(root):
    """Every file and folder below root (relative paths), with the files' bytes."""
    found = {}
    for top, dirs, files in os.walk(root):
        for d in dirs:
            found[os.path.relpath(os.path.join(top, d), root) + "/"] = None
        for f in files:
            with open(os.path.join(top, f), "rb") as fh:
                found[os.path.relpath(os.path.join(top, f), root)] = fh.read()
    return found


def temp_tree():
    # The uninstaller runs from a copy of itself in ~nsuN.tmp (a running program cannot delete
    # itself); that copy is left to the system's clean-up of temporary files.
    return {k: v for k, v in tree(paths["temp"]).items() if not k.startswith("~nsu")}


def snapshot():
    return {"programs": tree(paths["programs"]) if os.path.isdir(paths["programs"]) else {},
            "start menu": tree(paths["start_menu"]), "desktop": tree(paths["desktop"]),
            "temp": temp_tree(), "registry": registry_text()}


def uninstaller_running():
    return subprocess.run(["pgrep", "-f", r"~nsu.*\.tmp"], capture_output=True).returncode == 0


def read(path):
    with open(path, "rb") as f:
        return f.read()


class InstallerTestCase(E2ETestCase):
    maxDiff = None

    def setUp(self):
        super().setUp()
        self.scratch = tempfile.mkdtemp(prefix="qorv-install-scratch-", dir=_module_dir)

    def tearDown(self):
        super().tearDown()
        if find_window(SPLASH_CLASS, timeout_ms=0):
            run_wine(["taskkill", "/f", "/im", "qorv.exe"], timeout=60)
        if reg_query(UNINSTALL_KEY) is not None:
            self.uninstall()
        shutil.rmtree(paths["default_dir"], ignore_errors=True)
        shutil.rmtree(paths["data"], ignore_errors=True)
        shutil.rmtree(self.scratch, ignore_errors=True)

    def install(self, setup=SETUP, directory=None, timeout=120):
        if directory is None:
            rc, _ = run_wine([setup, "/S"], timeout=timeout)
            return rc
        # "/D=" must come last and unquoted, spaces and all; Wine would quote an argument that
        # holds spaces, so the command line is written out as a batch file (in the console's
        # code page, 936 here) for cmd to run as it stands.
        script = os.path.join(self.scratch, "install.bat")
        with open(script, "wb") as f:
            f.write((f'@"{winpath(setup)}" /S /D={winpath(directory)}\r\n'
                     "@exit /b %ERRORLEVEL%\r\n").encode("gbk"))
        rc, _ = run_wine(["cmd", "/c", winpath(script)], timeout=timeout)
        os.remove(script)
        return rc

    def uninstall(self):
        """What the system's list of programs runs for a quiet removal; the uninstaller hands over
        to its copy in the temporary directory and returns at once, so wait for the copy."""
        quiet = reg_query(UNINSTALL_KEY)["QuietUninstallString"]
        m = re.fullmatch(r'"([^"]+)" /S', quiet)
        self.assertIsNotNone(m, quiet)
        rc, _ = run_wine([m.group(1), "/S"], timeout=60)
        self.assertEqual(rc, 0)
        self.assertTrue(wait_for(lambda: reg_query(UNINSTALL_KEY) is None
                                 and not uninstaller_running(), 60), "the uninstaller hangs")

    def assert_installed(self, directory, client_bytes, version=VERSION):
        self.assertEqual(read(os.path.join(directory, "qorv.exe")), client_bytes)
        d = winpath(directory)
        entry = reg_query(UNINSTALL_KEY)
        self.assertIsNotNone(entry, "no uninstall entry")
        sizes = sum(math.ceil(os.path.getsize(os.path.join(directory, f)) / 1024)
                    for f in ("qorv.exe", "uninstall.exe"))
        expected = {"DisplayName": "BrindleQorvane客户端", "DisplayVersion": version,
                    "Publisher": "Tidewell", "DisplayIcon": d + "\\qorv.exe,0",
                    "InstallLocation": d, "UninstallString": f'"{d}\\uninstall.exe"',
                    "QuietUninstallString": f'"{d}\\uninstall.exe" /S',
                    "EstimatedSize": sizes, "NoModify": 1, "NoRepair": 1}
        self.assertEqual(entry, expected)
        for folder in (paths["start_menu"], paths["desktop"]):
            link = read(os.path.join(folder, SHORTCUT))
            self.assertEqual(link[:4], b"L\0\0\0", "not a shell link")
            target = (d + "\\qorv.exe").encode("utf-16-le")
            self.assertIn(target, link, f"the shortcut in {folder} does not start {d}\\qorv.exe")


class InstallTest(InstallerTestCase):
    def test_silent_install_then_uninstall_leaves_the_system_as_it_was(self):
        reg_add(EMULATION_KEY, "other.exe", "11000", "REG_DWORD")  # another program's setting
        emulation_before = reg_query(EMULATION_KEY)  # other programs' values, tests' among them
        before = snapshot()

        self.assertEqual(self.install(), 0)
        self.assertEqual(sorted(os.listdir(paths["default_dir"])), ["qorv.exe", "uninstall.exe"])
        self.assert_installed(paths["default_dir"], read(CLIENT))

        # What the client leaves behind once it has run.
        reg_add(EMULATION_KEY, "qorv.exe", "11001", "REG_DWORD")
        reg_add(SETTINGS_KEY, "LastServer", "written by the client")
        # The player's choices, as the client writes them.
        for name, value in (("Muted", "1"), ("AlwaysOnTop", "1"), ("GameZoom", "125")):
            reg_add(SETTINGS_KEY, name, value, "REG_DWORD")
        self.assertEqual(reg_query(SETTINGS_KEY)["GameZoom"], 125)
        for folder, name in [(paths["temp"], name) for name in CLIENT_TEMP_FILES] + [
                (paths["data"], UPDATER_COPY)]:
            os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"written by the client")
        self.uninstall()
        self.assertFalse(os.path.exists(paths["data"]))
        self.assertIsNone(reg_query(SETTINGS_KEY))

        after = snapshot()
        for part in before:
            self.assertEqual(after[part], before[part], part)
        self.assertEqual(reg_query(EMULATION_KEY), emulation_before)

    def test_the_start_menu_shortcut_starts_the_installed_client(self):
        self.assertEqual(self.install(), 0)
        site = tempfile.mkdtemp(dir=self.scratch)  # no manifest: nothing to offer
        with serve_directory(site) as url:
            env = {"QORV_FILE_SERVER": url, "QORV_GAME_SITE": url, "QORV_HOME_URL": url + "/"}
            link = winpath(os.path.join(paths["start_menu"], SHORTCUT))
            starter = self.start("start", args=["/wait", link], env=env)
            w = find_window(SPLASH_CLASS, visible=True, timeout_ms=30000)
            self.assertIsNotNone(w, "no splash from the shortcut")
            self.assertEqual((int(w["w"]), int(w["h"])), (356, 122))
            # The splash waits for a login page this site does not have: the client is ended.
            run_wine(["taskkill", "/f", "/im", "qorv.exe"], timeout=60)
            starter.wait(timeout=30)

    def test_a_newer_build_replaces_the_client_where_it_was_installed(self):
        directory = os.path.join(self.scratch, "games", "BrindleQorvane")
        self.assertEqual(self.install(directory=directory), 0)
        saves = os.path.join(directory, "saves")
        os.makedirs(saves)
        with open(os.path.join(saves, "slot1.dat"), "wb") as f:
            f.write(b"the player's own file")
        inode = os.stat(directory).st_ino

        major, minor, patch = map(int, VERSION.split("."))
        newer_version = f"{major}.{minor}.{patch + 1}"
        newer_client = os.path.join(self.scratch, "newer", "qorv.exe")
        os.makedirs(os.path.dirname(newer_client))
        newer_bytes = read(CLIENT) + b"\0a newer build"  # trailing data: still the same program
        with open(newer_client, "wb") as f:
            f.write(newer_bytes)
        newer_setup = os.path.join(self.scratch, "newer", f"BrindleQorvane-Setup-{newer_version}.exe")
        subprocess.run([BUILD_SETUP, newer_version, newer_client, newer_setup], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)

        self.assertEqual(self.install(setup=newer_setup), 0)  # no folder given: it finds the old one
        self.assert_installed(directory, newer_bytes, version=newer_version)
        self.assertEqual(os.stat(directory).st_ino, inode)
        self.assertEqual(sorted(os.listdir(directory)), ["qorv.exe", "saves", "uninstall.exe"])
        self.assertEqual(read(os.path.join(saves, "slot1.dat")), b"the player's own file")
        self.assertFalse(os.path.exists(paths["default_dir"]))

    def test_a_folder_with_spaces_chinese_and_other_files_keeps_them(self):
        # Inside the client's own data folder, which the uninstaller otherwise removes whole.
        parent = os.path.join(paths["data"], "我的 游戏")
        directory = os.path.join(parent, "Brindle Qorvane 客户端")
        os.makedirs(os.path.join(directory, "截图"))
        with open(os.path.join(directory, "说明 readme.txt"), "wb") as f:
            f.write(b"not the installer's")
        with open(os.path.join(directory, "截图", "1.png"), "wb") as f:
            f.write(b"\x89PNG not the installer's")
        with open(os.path.join(parent, "qorv.exe"), "wb") as f:
            f.write(b"another copy, outside the install folder")
        before = tree(paths["data"])

        self.assertEqual(self.install(directory=directory), 0)
        self.assert_installed(directory, read(CLIENT))
        os.makedirs(os.path.dirname(os.path.join(paths["data"], UPDATER_COPY)))
        with open(os.path.join(paths["data"], UPDATER_COPY), "wb") as f:
            f.write(b"written by the client")
        self.uninstall()
        self.assertEqual(tree(paths["data"]), before)
        self.assertIsNone(reg_query(UNINSTALL_KEY))
        self.assertFalse(os.path.exists(os.path.join(paths["desktop"], SHORTCUT)))

    def test_uninstall_after_the_folder_was_deleted_by_hand(self):
        self.assertEqual(self.install(), 0)
        kept = os.path.join(self.scratch, "uninstall.exe")
        shutil.copy(os.path.join(paths["default_dir"], "uninstall.exe"), kept)
        shutil.rmtree(paths["default_dir"])
        # The uninstaller run in place for the folder that is gone.
        rc, _ = run_wine([kept, "/S", "_?=" + winpath(paths["default_dir"])], timeout=60)
        self.assertEqual(rc, 0)
        self.assertIsNone(reg_query(UNINSTALL_KEY))
        self.assertFalse(os.path.exists(os.path.join(paths["start_menu"], SHORTCUT)))
        self.assertFalse(os.path.exists(os.path.join(paths["desktop"], SHORTCUT)))
        self.assertFalse(os.path.exists(paths["default_dir"]))
        self.assertEqual(os.listdir(self.scratch), ["uninstall.exe"])


class RunningClientTest(InstallerTestCase):
    def setUp(self):
        super().setUp()
        self.assertEqual(self.install(), 0)
        self.installed = os.path.join(paths["default_dir"], "qorv.exe")
        self.site = tempfile.mkdtemp(dir=self.scratch)
        self.server = serve_directory(self.site)
        url = self.server.__enter__()
        self.env = {"QORV_FILE_SERVER": url, "QORV_GAME_SITE": url, "QORV_HOME_URL": url + "/"}

    def tearDown(self):
        self.server.__exit__(None, None, None)
        super().tearDown()

    def start_installed_client(self):
        client = self.start(self.installed, env=self.env)
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000))
        return client

    def test_silent_setup_and_uninstall_refuse_while_the_client_runs(self):
        self.start_installed_client()
        newer = os.path.join(self.scratch, "qorv.exe")
        with open(newer, "wb") as f:
            f.write(read(CLIENT) + b"\0newer")
        setup = os.path.join(self.scratch, "BrindleQorvane-Setup-9.9.9.exe")
        subprocess.run([BUILD_SETUP, "9.9.9", newer, setup], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        uninstaller = os.path.join(paths["default_dir"], "uninstall.exe")
        for name, args in (("setup", [setup, "/S"]),
                           ("uninstall", [uninstaller, "/S", "_?=" + winpath(paths["default_dir"])])):
            with self.subTest(name):
                rc, _ = run_wine(args, timeout=60)
                self.assertEqual(rc, 2)
                self.assertEqual(read(self.installed), read(CLIENT))
                self.assertEqual(reg_query(UNINSTALL_KEY)["DisplayVersion"], VERSION)
                self.assertTrue(os.path.exists(os.path.join(paths["desktop"], SHORTCUT)))

    def test_setup_asks_to_close_the_client_and_goes_on_after_retry(self):
        client = self.start_installed_client()
        setup = self.start(SETUP)
        box = message_box(title=SETUP_CAPTION, timeout_ms=30000)
        self.assertIsNotNone(box, "setup asked nothing")
        self.assertEqual(box["text"], CLIENT_RUNNING)
        self.assertEqual(box["buttons"], f"{RETRY},{CANCEL}")
        # Retry while it still runs asks again.
        message_box(title=SETUP_CAPTION, press="retry", timeout_ms=5000)
        time.sleep(0.5)
        box = message_box(title=SETUP_CAPTION, timeout_ms=10000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], CLIENT_RUNNING)

        # The player ends the client (it waits at its splash for a login page here).
        client.kill()
        message_box(title=SETUP_CAPTION, press="retry", timeout_ms=5000)
        # Then the wizard's first page: a dialog of the same caption with Back, Next and Cancel.
        self.assertTrue(wait_for(self.wizard_shown, 30), "no wizard after retry")
        self.assertTrue(setup.running())

    @staticmethod
    def wizard_shown():
        window = message_box(title=SETUP_CAPTION, timeout_ms=0)
        return window is not None and {"1", "2", "3"} <= set(window["buttons"].split(","))


class InstalledClientUpdateTest(update_tests.UpdateTestCase):
    """The updater writes into the installed client's folder without help."""

    def setUp(self):
        super().setUp()
        rc, _ = run_wine([SETUP, "/S"], timeout=120)
        self.assertEqual(rc, 0)
        self.client_dir = paths["default_dir"]

    def tearDown(self):
        super().tearDown()
        entry = reg_query(UNINSTALL_KEY)
        if entry is not None:
            run_wine([os.path.join(self.client_dir, "uninstall.exe"), "/S",
                      "_?=" + winpath(self.client_dir)], timeout=60)
        shutil.rmtree(self.client_dir, ignore_errors=True)

    def test_an_accepted_update_replaces_the_installed_client(self):
        self.accept_update_and_check()


if __name__ == "__main__":
    unittest.main()

"""Libraries dropped beside the programs: neither the client nor the updater loads them.

Wine prefers its own builtin libraries to one found beside a program, so each test tells it to
prefer native ones for the planted names: otherwise Wine would never load the planted file and the
test could not fail. (Wine's own libraries resolve their delayed imports without the program's
search restriction, so only the libraries the programs themselves load are planted here.)
"""
import os
import shutil
import tempfile
import time

from qorv_e2e import (BUILD, CLIENT, MESSAGE_TITLE, SPLASH_CLASS, UPDATER, E2ETestCase, find_window,
                      message_box)

PLANTED = os.path.join(BUILD, "tests", "qorv_planted.dll")
# The libraries each program links for delayed loading, and comctl32, which the manifest takes
# from the side-by-side store.
CLIENT_LIBRARIES = ["wininet", "bcrypt", "gdiplus", "msimg32", "urlmon", "comctl32"]
UPDATER_LIBRARIES = ["wininet", "bcrypt", "comctl32"]


class PlantingTest(E2ETestCase):
    def plant(self, program, libraries):
        """A folder holding a copy of the program and a planted DLL under each library's name."""
        folder = tempfile.mkdtemp(prefix="qorv-planted-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        shutil.copy(program, folder)
        for name in libraries:
            shutil.copy(PLANTED, os.path.join(folder, name + ".dll"))
        env = {"WINEDLLOVERRIDES": os.environ.get("WINEDLLOVERRIDES", "") + ";" +
               ",".join(libraries) + "=n,b"}
        return os.path.join(folder, os.path.basename(program)), folder, env

    def assertNothingLoaded(self, folder):
        self.assertEqual([f for f in os.listdir(folder) if f.endswith(".loaded")], [])

    def test_client_starts_without_loading_libraries_beside_it(self):
        exe, folder, env = self.plant(CLIENT, CLIENT_LIBRARIES)
        env.update(QORV_FILE_SERVER="http://127.0.0.1:9", QORV_GAME_SITE="http://127.0.0.1:9")
        client = self.start(exe, env=env)
        # Past the update check's download (WinINet) and the splash's picture (GDI+).
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=30000), "no splash")
        self.assertTrue(client.running())
        client.kill()
        self.assertNothingLoaded(folder)

    def test_updater_runs_to_its_end_without_loading_libraries_beside_it(self):
        exe, folder, env = self.plant(UPDATER, UPDATER_LIBRARIES)
        # No command line: nothing to update. It binds every library before it looks at that.
        updater = self.start(exe, env=env)
        deadline = time.time() + 60
        while updater.running() and time.time() < deadline:
            message_box(press="ok", timeout_ms=500, title=MESSAGE_TITLE)
        # A call into a planted library that lacks the function ends in Wine's debugger, which
        # keeps the process alive: ending by itself is the updater's own way out.
        self.assertFalse(updater.running(), "the updater did not end")
        self.assertNothingLoaded(folder)

"""The updater ended from outside (its process killed) at random moments of a signed three-file
update: after every kill the client's directory holds, file by file, the old or the new version,
the client there still starts, and the only other names are the downloads' part files, which the
next updater run removes.

The update fetches and checks all three files before it moves any into place. Most moments are
spread over one uninterrupted run's length, one in each sixteenth of it (the fetching), in an
order drawn from a seed; the others are taken from what the directory shows: the moment the last
file has arrived whole (its check and the moves follow), and the moment the first file has been
moved in (the others are being moved). Every kill is logged with its moment; set QORV_KILL_SEED
to replay a run.
"""
import os
import random
import re
import subprocess
import sys
import time
import unittest

from qorv_e2e import CLIENT, SPLASH_CLASS, find_window, message_box, probe, run_wine
from test_signed_update import sign
from test_update import UPDATED, UPDATER, UpdateTestCase
from test_update_all_or_nothing import next_version

KILLS = 16
WATCHED_KILLS = 3  # for each of the two moments read from the directory
PACE_KBPS = 1536  # about 2 s of downloading for the three files
# What the download writes before a file is whole: "<target name>.<pid>-<n>.part" in hexadecimal,
# beside the target. Nothing else may appear in the directory.
PART_NAME = re.compile(r"^(?P<target>.+)\.[0-9a-f]{1,8}-[0-9a-f]{1,8}\.part$")
# The player's own files that only look like part files: no run may remove them.
LOOK_ALIKES = {"a.pak.part": b"mine", "b.dat.12-zz.part": b"mine too",
               "save.123456789-1.part": b"and mine"}
# Left by an update killed before this test: the first run removes it.
STALE_PART = "qorv.exe.7fff-3.part"


def log(text):
    print(text, file=sys.stderr, flush=True)


def session_wineserver():
    """The pid of this session's wineserver (the one serving our WINEPREFIX), or None."""
    prefix = b"WINEPREFIX=" + os.path.realpath(os.environ["WINEPREFIX"]).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if not os.path.basename(os.readlink(f"/proc/{pid}/exe")).startswith("wineserver"):
                continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if prefix in f.read().split(b"\0"):
                    return int(pid)
        except OSError:
            continue
    return None


class UpdaterKillTest(UpdateTestCase):
    def setUp(self):
        super().setUp()
        with open(CLIENT, "rb") as f:
            old_client = f.read()
        # A real new client: the same program with other bytes after its image, which the loader
        # ignores; it starts like the old one.
        new_client = old_client + os.urandom(65536)
        # name -> (old bytes, new bytes); the client last, as a real update lists it.
        self.versions = {
            "a.pak": (os.urandom(200000), os.urandom(300000)),
            "b.dat": (os.urandom(600000), os.urandom(90000)),
            "qorv.exe": (old_client, new_client),
        }
        lines = [f"version={next_version()}", "EXPIRES=2999-01-01"]
        for name, (_, new) in self.versions.items():
            self.site_file(name, new)
            lines.append(f"{name}|{self.url}/paced/{PACE_KBPS}/files/{name}")
        self.put_manifest("\r\n".join(lines) + "\r\n")
        sign(self.fetched_manifest(), os.path.join(self.site, "files"))
        for name, data in LOOK_ALIKES.items():
            self.write_client_file(name, data)
        self.write_client_file(STALE_PART, b"half of an old download")

    def tearDown(self):
        # The client the last run opens is not ours to wait for; make sure it does not outlive us.
        if find_window(SPLASH_CLASS, timeout_ms=0):
            subprocess.run(["wine", "taskkill", "/f", "/im", "qorv.exe"], capture_output=True,
                           timeout=60)
        for name in ("update.txt.sig", "update.txt.aside", "update.txt.sig.aside"):
            if os.path.exists(os.path.join(self.temp, name)):
                os.remove(os.path.join(self.temp, name))
        super().tearDown()

    def install_old(self):
        for name, (old, _) in self.versions.items():
            self.write_client_file(name, old)

    def which(self, name):
        data = self.read_client_file(name)
        old, new = self.versions[name]
        return "old" if data == old else "new" if data == new else f"neither ({len(data)} bytes)"

    def part_files(self):
        """The part files in the directory; fails on any other name that is not ours."""
        parts = set()
        for name in os.listdir(self.client_dir):
            if name in self.versions or name in LOOK_ALIKES:
                continue
            m = PART_NAME.match(name)
            self.assertTrue(m and m.group("target") in self.versions,
                            f"{name!r} left in the client's directory")
            parts.add(name)
        return parts

    def start_updater(self):
        with self.server.lock:
            self.server.requests.clear()
        return self.start(UPDATER, args=self.updater_args(), env=self.client_env())

    def wineserver_survived(self, context):
        """Wine 8.0's wineserver now and then aborts on a killed process's socket
        (sock_get_poll_events assertion), taking the session down with it: a fault of Wine, not
        of the programs. The session is brought back, and the caller may say whether it was."""
        if session_wineserver() == self.wineserver:
            return True
        self.wineserver_restarts += 1
        log(f"{context}: the wineserver died (a Wine fault); starting the session again")
        # A program may have started a passing server meanwhile: end it, start a lasting one.
        for args in (["-k"], ["-w"], ["-p"]):
            # No pipes: a lasting server would hold them open.
            subprocess.run(["wineserver", *args], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        run_wine(["cmd", "/c", "exit"], timeout=60)
        self.wineserver = session_wineserver()
        self.assertIsNotNone(self.wineserver, f"{context}: the Wine session did not come back")
        return False

    def manifest_aside(self, aside):
        """Moves the update's manifest out of the temporary directory (aside=True) or back: it
        is newer than the client, which would offer the update instead of starting."""
        for name in ("update.txt", "update.txt.sig"):
            path = os.path.join(self.temp, name)
            os.replace(*((path, path + ".aside") if aside else (path + ".aside", path)))

    def assert_client_starts(self, context):
        self.manifest_aside(True)
        try:
            self.client_starts(context)
        finally:
            self.manifest_aside(False)

    def client_starts(self, context):
        for attempt in (1, 2):
            client = self.start(self.client_file("qorv.exe"), env=self.client_env())
            shown = find_window(SPLASH_CLASS, visible=True, timeout_ms=20000) is not None
            client.kill()
            # A second try only when the session itself went down under the first.
            if shown or self.wineserver_survived(context):
                break
        self.assertTrue(shown, f"{context}: the client in the directory shows no splash")

    def part_size(self, name):
        try:
            return os.path.getsize(os.path.join(self.client_dir, name))
        except OSError:
            return -1

    def inode(self, name):
        try:
            return os.stat(self.client_file(name)).st_ino
        except OSError:
            return None

    def after(self, moment, how):
        """A kill `moment` seconds after the start, by a signal or by Windows' own means."""
        def kill(updater, started):
            time.sleep(max(0.0, started + moment - time.monotonic()))
            if how == "sigkill":
                updater.proc.kill()
            else:
                subprocess.run(["wine", "taskkill", "/f", "/im", "Update.exe"],
                               capture_output=True, timeout=60)
            return how
        return kill

    def when(self, seen, timeout=60.0):
        """A kill as soon as `seen` holds: watched without pause, ended by a signal at once."""
        def kill(updater, started):
            while not seen() and time.monotonic() < started + timeout:
                pass
            updater.proc.kill()
            return "sigkill"
        return kill

    def killed_run(self, context, kill):
        self.install_old()
        self.installed_inode = self.inode(next(iter(self.versions)))
        started = time.monotonic()
        updater = self.start_updater()
        how = kill(updater, started)
        updater.wait(timeout=30)
        ended = time.monotonic() - started
        self.wineserver_survived(context)

        states = {name: self.which(name) for name in self.versions}
        parts = self.part_files()
        requested = self.requested()
        log(f"{context} ({how}): ended at {ended:.3f} s; "
            + ", ".join(f"{n} {s}" for n, s in states.items())
            + f"; requests {len(requested)}; part files {sorted(parts) or 'none'}")
        for name, state in states.items():
            self.assertIn(state, ("old", "new"), f"{context}: {name}")
        # A run that reached the server had cleaned up after the runs killed before it.
        if requested:
            self.assertFalse(parts & self.left, f"{context}: not removed by the next run")
        # At most one part file for each file of the update, all of them from this run.
        self.assertLessEqual(len(parts - self.left), len(self.versions), context)
        self.left = parts
        for name, data in LOOK_ALIKES.items():
            self.assertEqual(self.read_client_file(name), data, context)
        self.assertNotEqual(self.read_client_file("qorv.exe"), b"", context)
        self.assert_client_starts(context)
        return states

    def test_killed_at_random_moments_leaves_a_whole_client_and_no_part_file(self):
        seed = int(os.environ.get("QORV_KILL_SEED", str(random.randrange(1 << 32))))
        rng = random.Random(seed)
        log(f"updater kill test: QORV_KILL_SEED={seed}")
        t0 = time.monotonic()
        self.wineserver = session_wineserver()
        self.wineserver_restarts = 0
        self.assertIsNotNone(self.wineserver, "no persistent wineserver for this prefix")

        # One run without a kill: how long the update takes, and the stale part file goes.
        self.install_old()
        started = time.monotonic()
        updater = self.start_updater()
        box = message_box(press="none", timeout_ms=60000)
        length = time.monotonic() - started
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], UPDATED)
        updater.kill()
        self.assertEqual({n: self.which(n) for n in self.versions},
                         {n: "new" for n in self.versions})
        self.assertEqual(self.part_files(), set())
        log(f"an uninterrupted update takes {length:.2f} s")

        slot = length / KILLS
        moments = [slot * (k + rng.random()) for k in range(KILLS)]
        rng.shuffle(moments)
        kills = [(f"at {m:.3f} s", self.after(m, "taskkill" if rng.random() < 0.25 else "sigkill"))
                 for m in moments]
        # The last file whole on disk: its check and the moves are next.
        last_name, (_, last_new) = list(self.versions.items())[-1]
        fetched = lambda: any(self.part_size(p) == len(last_new) for p in self.part_files()
                              if p.startswith(last_name + ".") and p not in self.left)
        # The first file moved in: the others are being moved.
        first_name = next(iter(self.versions))
        moving = lambda: self.inode(first_name) != self.installed_inode
        for _ in range(WATCHED_KILLS):
            kills.append(("when the last file has arrived", self.when(fetched)))
            kills.append(("when the first file has been moved in", self.when(moving)))
        rng.shuffle(kills)

        self.left = self.part_files()
        mixed = 0
        for k, (moment, kill) in enumerate(kills, 1):
            context = f"seed {seed}, kill {k} {moment}"
            states = self.killed_run(context, kill)
            mixed += len(set(states.values())) > 1
        log(f"{mixed} kills left old and new files side by side")

        # The next run, left to finish, leaves the new client and nothing of the killed ones.
        updater = self.start_updater()
        box = message_box(press="none", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], UPDATED)
        self.manifest_aside(True)  # read by now; the client it opens starts without an offer
        message_box(press="ok", timeout_ms=5000)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertEqual(sorted(os.listdir(self.client_dir)),
                         sorted([*self.versions, *LOOK_ALIKES]))
        self.assertEqual({n: self.which(n) for n in self.versions},
                         {n: "new" for n in self.versions})
        # The updater opened the new client it installed.
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=20000))
        probe("key", "--class", SPLASH_CLASS, "--vk", "27")
        log(f"{len(kills)} kills and the runs around them took {time.monotonic() - t0:.1f} s; "
            f"wineserver restarts: {self.wineserver_restarts}")


if __name__ == "__main__":
    unittest.main()

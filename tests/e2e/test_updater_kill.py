"""The updater ended from outside (its process killed) at random moments of a three-file update:
after every kill the client's directory holds, file by file, the old or the new version, the
client there still starts, and the only other names are the download's part files, which the next
updater run removes.

The moments are spread over one uninterrupted run's length, one in each twentieth of it, in an
order drawn from a seed. Every kill is logged with its moment; set QORV_KILL_SEED to replay a run.
"""
import os
import random
import re
import subprocess
import sys
import time
import unittest

from qorv_e2e import BUILD, CLIENT, SPLASH_CLASS, find_window, message_box, probe, run_wine
from test_update import UPDATED, UPDATER, UpdateTestCase, running_version

NEW_CLIENT = os.path.join(BUILD, "keyed", "qorv.exe")  # another build: a real new client
KILLS = 20
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
        with open(NEW_CLIENT, "rb") as f:
            new_client = f.read()
        self.assertNotEqual(old_client, new_client)
        # name -> (old bytes, new bytes); the client last, as a real update lists it.
        self.versions = {
            "a.pak": (os.urandom(200000), os.urandom(300000)),
            "b.dat": (os.urandom(600000), os.urandom(90000)),
            "qorv.exe": (old_client, new_client),
        }
        lines = [f"version={running_version()}"]
        for name, (_, new) in self.versions.items():
            self.site_file(name, new)
            lines.append(f"{name}|{self.url}/paced/{PACE_KBPS}/files/{name}")
        self.put_manifest("\r\n".join(lines) + "\r\n")
        for name, data in LOOK_ALIKES.items():
            self.write_client_file(name, data)
        self.write_client_file(STALE_PART, b"half of an old download")

    def tearDown(self):
        # The client the last run opens is not ours to wait for; make sure it does not outlive us.
        if find_window(SPLASH_CLASS, timeout_ms=0):
            subprocess.run(["wine", "taskkill", "/f", "/im", "qorv.exe"], capture_output=True,
                           timeout=60)
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

    def assert_client_starts(self, context):
        for attempt in (1, 2):
            client = self.start(self.client_file("qorv.exe"), env=self.client_env())
            shown = find_window(SPLASH_CLASS, visible=True, timeout_ms=20000) is not None
            client.kill()
            # A second try only when the session itself went down under the first.
            if shown or self.wineserver_survived(context):
                break
        self.assertTrue(shown, f"{context}: the client in the directory shows no splash")

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
        left = self.part_files()
        for k, moment in enumerate(moments, 1):
            how = "taskkill" if rng.random() < 0.25 else "sigkill"
            context = f"seed {seed}, kill {k} at {moment:.3f} s ({how})"
            self.install_old()
            started = time.monotonic()
            updater = self.start_updater()
            time.sleep(max(0.0, started + moment - time.monotonic()))
            if how == "sigkill":
                updater.proc.kill()
            else:
                subprocess.run(["wine", "taskkill", "/f", "/im", "Update.exe"],
                               capture_output=True, timeout=60)
            updater.wait(timeout=30)
            ended = time.monotonic() - started
            self.wineserver_survived(context)

            states = {name: self.which(name) for name in self.versions}
            parts = self.part_files()
            requested = self.requested()
            log(f"{context}: ended at {ended:.3f} s; "
                + ", ".join(f"{n} {s}" for n, s in states.items())
                + f"; requests {len(requested)}; part files {sorted(parts) or 'none'}")
            for name, state in states.items():
                self.assertIn(state, ("old", "new"), f"{context}: {name}")
            # A run that reached the server had cleaned up after the runs killed before it.
            if requested:
                self.assertFalse(parts & left, f"{context}: not removed by the next run")
            # At most the one download that was running.
            self.assertLessEqual(len(parts - left), 1, context)
            left = parts
            for name, data in LOOK_ALIKES.items():
                self.assertEqual(self.read_client_file(name), data, context)
            self.assertNotEqual(self.read_client_file("qorv.exe"), b"", context)
            self.assert_client_starts(context)

        # The next run, left to finish, leaves the new client and nothing of the killed ones.
        updater = self.start_updater()
        box = message_box(press="ok", timeout_ms=60000)
        self.assertIsNotNone(box)
        self.assertEqual(box["text"], UPDATED)
        self.assertEqual(updater.wait(timeout=30), 0)
        self.assertEqual(sorted(os.listdir(self.client_dir)),
                         sorted([*self.versions, *LOOK_ALIKES]))
        self.assertEqual({n: self.which(n) for n in self.versions},
                         {n: "new" for n in self.versions})
        # The updater opened the new client it installed.
        self.assertIsNotNone(find_window(SPLASH_CLASS, visible=True, timeout_ms=20000))
        probe("key", "--class", SPLASH_CLASS, "--vk", "27")
        log(f"{KILLS} kills and the runs around them took {time.monotonic() - t0:.1f} s; "
            f"wineserver restarts: {self.wineserver_restarts}")


if __name__ == "__main__":
    unittest.main()

"""scripts/package refuses a release it must not build before building anything: no publisher
key, a build tree's own key, plain-http endpoints that leave the machine."""
import os
import subprocess
import tempfile
import unittest

SOURCE = os.environ.get("QORV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "../.."))
PACKAGE = os.path.join(SOURCE, "scripts", "package")
SIGN = os.path.join(SOURCE, "scripts", "sign-manifest")
NO_KEY = "a release needs the publisher's update key: --pubkey FILE"
HTTP = "is plain http. The login page carries the player's password"


class PackageRefusalTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="qorv-package-test-")
        self.build = os.path.join(self.dir.name, "build")

    def tearDown(self):
        self.dir.cleanup()

    def package(self, *args):
        proc = subprocess.run([PACKAGE, "--build-dir", self.build, *args], capture_output=True,
                              text=True, timeout=30, stdin=subprocess.DEVNULL)
        # Refused before configuring: the build folder holds nothing of a build.
        self.assertFalse(os.path.exists(os.path.join(self.build, "CMakeCache.txt")))
        return proc.returncode, proc.stderr

    def keygen(self, folder):
        subprocess.run([SIGN, "keygen", folder, "--no-passphrase"], check=True,
                       capture_output=True, timeout=30)
        return os.path.join(folder, "public.hex")

    def test_without_a_key_it_says_to_give_one(self):
        rc, err = self.package()
        self.assertEqual(rc, 2)
        self.assertIn(NO_KEY, err)

    def test_a_build_trees_own_key_is_refused_without_test_key(self):
        own = self.keygen(os.path.join(self.build, "update-key"))
        publisher = self.keygen(os.path.join(self.dir.name, "publisher"))
        for args in (["--pubkey", own], ["--pubkey", publisher, "--next-pubkey", own]):
            with self.subTest(args[-2]):
                rc, err = self.package(*args)
                self.assertEqual(rc, 2)
                self.assertIn("is a build tree's own test key", err)
                self.assertIn("--test-key", err)

    def test_keys_that_are_not_keys_or_clash(self):
        publisher = self.keygen(os.path.join(self.dir.name, "publisher"))
        not_a_key = os.path.join(self.dir.name, "public.hex")
        with open(not_a_key, "w") as f:
            f.write("04" + "ab" * 64 + "\n")
        for args, message in ((["--pubkey", not_a_key], "is not a P-256 public key"),
                              (["--pubkey", os.path.join(self.dir.name, "none")], "no such file"),
                              (["--pubkey", publisher, "--next-pubkey", publisher],
                               "the same key as --pubkey"),
                              (["--test-key", "--pubkey", publisher], "no --pubkey")):
            with self.subTest(message):
                rc, err = self.package(*args)
                self.assertEqual(rc, 2)
                self.assertIn(message, err)

    def test_plain_http_only_for_loopback_or_with_allow_http(self):
        # A refusal for the endpoint names it; one that passes reaches the key check, which
        # stops the run (no key given) before anything is built.
        cases = [("http://www.example.com/", False), ("http://Game.Example.COM", False),
                 ("http://127.0.0.1.example.com/", False), ("http://localhost.example.com/", False),
                 ("http://128.0.0.1/", False), ("http://127.0.0.256/", False),
                 ("http://10.0.0.1:8470", False), ("http://[::2]/", False),
                 ("http://127.0.0.1:8470", True), ("http://127.8.9.10/x", True),
                 ("http://LocalHost:1/", True), ("http://[::1]:8470/", True),
                 ("https://www.example.com/", True)]
        for option in ("--home-url", "--game-site", "--file-server"):
            for url, allowed in cases:
                with self.subTest(option=option, url=url):
                    rc, err = self.package(option, url)
                    self.assertEqual(rc, 2)
                    if allowed:
                        self.assertIn(NO_KEY, err)
                    else:
                        self.assertIn(f"{option} {url} {HTTP}", err)
                        rc, err = self.package(option, url, "--allow-http")
                        self.assertIn(NO_KEY, err)

    def test_not_web_addresses(self):
        for url in ("ftp://127.0.0.1/", "HTTPS://127.0.0.1/", "http://user@127.0.0.1/", "http://127.0.0.1/a b",
                    'http://127.0.0.1/"', "127.0.0.1:8470"):
            with self.subTest(url):
                rc, err = self.package("--file-server", url, "--allow-http")
                self.assertEqual(rc, 2)
                self.assertIn("not a web address", err)

    def test_authenticode_options_are_checked(self):
        cert = os.path.join(self.dir.name, "cert.pem")
        open(cert, "w").close()
        for args, message in ((["--cert", cert], "--cert and --cert-key go together"),
                              (["--cert", cert, "--cert-key", cert, "--pfx", cert], "not both"),
                              (["--pfx", os.path.join(self.dir.name, "none.pfx")], "no such file"),
                              (["--pfx", cert, "--pass-env", "QORV_TEST_UNSET_PASSWORD"],
                               "the variable is not set"),
                              (["--timestamp-url", "http://127.0.0.1/"], "without --cert")):
            with self.subTest(message):
                rc, err = self.package("--test-key", *args)
                self.assertEqual(rc, 2)
                self.assertIn(message, err)


if __name__ == "__main__":
    unittest.main()

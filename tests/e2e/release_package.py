"""The release package the end-to-end tests run: scripts/package --test-key with a next key,
Authenticode-signed with a throwaway certificate, every endpoint on a loopback port of its own (a release build
ignores the QORV_* variables, so the tests' server must listen where the build points).

usage: release_package.py     builds it (or brings it up to date); ctest runs this once, as the
                              fixture of the tests that need it
"""
import hashlib
import os
import subprocess
import sys
import time

from qorv_e2e import BUILD, SOURCE

RELEASE = os.path.join(os.path.abspath(BUILD), "release-test")
CERT_DIR = os.path.join(os.path.abspath(BUILD), "release-test-cert")
CERT = os.path.join(CERT_DIR, "cert.pem")
CERT_KEY = os.path.join(CERT_DIR, "key.pem")
# A port from the build folder's path: worktrees built side by side do not meet on one port.
PORT = 20000 + int(hashlib.sha256(RELEASE.encode()).hexdigest(), 16) % 20000
URL = f"http://127.0.0.1:{PORT}"
PRIVATE_KEY = os.path.join(RELEASE, "update-key", "private.pem")
# The key a publisher would move to next: the package takes it too.
NEXT_KEY_DIR = os.path.join(CERT_DIR, "next-key")
NEXT_PRIVATE_KEY = os.path.join(NEXT_KEY_DIR, "private.pem")


def version():
    with open(os.path.join(RELEASE, "generated", "build_config.h")) as f:
        for line in f:
            if line.startswith("#define QORV_VERSION_STRING "):
                return line.split('"')[1]
    raise RuntimeError("no version in the release build")


def setup_exe():
    return os.path.join(RELEASE, "installer", f"BrindleQorvane-Setup-{version()}-TESTKEY.exe")


def make_keys():
    if not os.path.exists(NEXT_PRIVATE_KEY):
        subprocess.run([os.path.join(SOURCE, "scripts", "sign-manifest"), "keygen", NEXT_KEY_DIR,
                        "--no-passphrase"], check=True, capture_output=True)
    if os.path.exists(CERT):
        return
    os.makedirs(CERT_DIR, exist_ok=True)
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
                    "-subj", "/CN=BrindleQorvane test code signing",
                    "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", CERT_KEY, "-out", CERT], check=True, capture_output=True)


def build():
    make_keys()
    start = time.monotonic()
    subprocess.run([os.path.join(SOURCE, "scripts", "package"), "--test-key",
                    "--next-pubkey", os.path.join(NEXT_KEY_DIR, "public.hex"),
                    "--build-dir", RELEASE, "--home-url", URL + "/", "--game-site", URL,
                    "--file-server", URL, "--cert", CERT, "--cert-key", CERT_KEY], check=True)
    print(f"release_package: built in {time.monotonic() - start:.0f} s")


if __name__ == "__main__":
    sys.exit(build())

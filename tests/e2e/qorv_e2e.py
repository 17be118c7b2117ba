"""End-to-end harness: runs the Windows programs under Wine and observes them from outside.

Tests run inside scripts/wine-session (DISPLAY, WINEPREFIX and a persistent wineserver are set).
The probe (tests/probe.exe of the Windows build) finds windows by class and caption, reads their
rectangles and styles, presses message-box buttons and reads their text, so tests wait for real
windows instead of sleeping.
"""
import contextlib
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

BUILD = os.environ.get("QORV_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build/win"))
SOURCE = os.environ.get("QORV_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "../.."))
CLIENT = os.path.join(BUILD, "bin", "qorv.exe")
UPDATER = os.path.join(BUILD, "bin", "Update.exe")
PROBE = os.path.join(BUILD, "tests", "probe.exe")

PRIVATE_KEY = os.path.join(BUILD, "update-key", "private.pem")
SIGN_MANIFEST = os.path.join(SOURCE, "scripts", "sign-manifest")

SPLASH_CLASS = "Qorv.LoadFrm"
MESSAGE_TITLE = "提示"


def sign_manifest(path, files_dir=None, expires=None):
    """Signs the manifest at PATH with the build tree's key as the publisher does: digests of the
    files in FILES_DIR on every file line, an EXPIRES line, PATH.sig beside it. Without FILES_DIR
    the lines stay as they are (a file line without a digest is never fetched) and only an
    EXPIRES line (EXPIRES, or 2099-01-01) is added after the first line when there is none."""
    if files_dir is not None:
        args = [SIGN_MANIFEST, "sign", path, "--key", PRIVATE_KEY, "--files", files_dir]
        if expires:
            args += ["--expires", expires]
        subprocess.run(args, check=True, capture_output=True, timeout=60)
        return
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec, utils
    with open(path, "rb") as f:
        data = f.read()
    if b"expires=" not in data.lower():
        first, sep, rest = data.partition(b"\n")
        data = (first + (sep or b"\r\n") + b"EXPIRES=" + (expires or "2099-01-01").encode()
                + b"\r\n" + rest)
    with open(PRIVATE_KEY, "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)
    r, s = utils.decode_dss_signature(key.sign(data, ec.ECDSA(hashes.SHA256())))
    with open(path, "wb") as f:
        f.write(data)
    with open(path + ".sig", "wb") as f:
        f.write(b"%064x%064x\n" % (r, s))


def parse_fields(line):
    """'found a=1 b=x text=with spaces' -> {'a': '1', 'b': 'x', 'text': 'with spaces'}"""
    fields = {}
    head, sep, text = line.partition(" text=")
    for token in head.split()[1:]:
        key, _, value = token.partition("=")
        fields[key] = value
    if sep:
        fields["text"] = text
    # title= may hold spaces too; it is never followed by text= in describe output
    if "title" in fields and " title=" in head:
        fields["title"] = head.split(" title=", 1)[1]
    return fields


def run_wine(args, timeout=30, env=None):
    """Runs a Windows program to its end and returns (exit code, its output as text).

    The output goes through a file, not a pipe: a program may be the one that starts Wine's
    desktop process, which inherits its handles and would hold a pipe open for ever.
    """
    full_env = dict(os.environ)
    full_env.update(env or {})
    with tempfile.TemporaryFile() as out:
        proc = subprocess.run(["wine", *args], stdout=out, stderr=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL, timeout=timeout, env=full_env)
        out.seek(0)
        return proc.returncode, out.read().decode("utf-8", "replace")


def probe(*args, timeout=60, env=None):
    """Runs the probe; returns (exit code, parsed fields of its first output line).

    The probe always prints a line. A run that failed having printed nothing never got going
    (in a busy session wine itself now and then ends at once): it is run once more, so a window
    that is there is not reported missing for it.
    """
    for _ in range(2):
        rc, text = run_wine([PROBE, *args], timeout=timeout, env=env)
        if rc == 0 or text.strip():
            break
    out = text.strip().splitlines()
    first = out[0] if out else ""
    if not first.startswith("found"):
        return rc, {"raw": first}
    fields = parse_fields(first)
    if "text" in fields and len(out) > 1:  # a text of several lines (a message box's)
        fields["text"] = "\n".join([fields["text"]] + out[1:])
    return rc, fields


def wait_for(pred, timeout=30.0, step=0.1):
    """Whether pred() came true within `timeout` seconds, looking every `step`."""
    end = time.time() + timeout
    while time.time() < end:
        if pred():
            return True
        time.sleep(step)
    return pred()


def find_window(cls, timeout_ms=10000, title=None, visible=False, env=None):
    args = ["find", "--class", cls, "--timeout", str(timeout_ms)]
    if title is not None:
        args += ["--title", title]
    if visible:
        args.append("--visible")
    rc, fields = probe(*args, env=env)
    return fields if rc == 0 else None


def absent_for(cls, ms, env=None):
    rc, _ = probe("absent", "--class", cls, "--for", str(ms), env=env)
    return rc == 0


def message_box(press="none", timeout_ms=10000, title=MESSAGE_TITLE, env=None):
    """The first visible message box with the title, pressed as asked; None when none came.

    A probe that printed neither "found" nor "notfound" did not get to look (a Wine start-up
    that failed under load, or a box caught before its buttons were made): it looks again until
    the deadline, so one bad start is not taken for a missing box.
    """
    deadline = time.time() + timeout_ms / 1000
    while True:
        left_ms = max(0, int((deadline - time.time()) * 1000))
        rc, fields = probe("msgbox", "--title", title, "--timeout", str(left_ms), "--press",
                           press, env=env, timeout=left_ms / 1000 + 30)
        if rc == 0:
            return fields
        if fields.get("raw") == "notfound" or time.time() >= deadline:
            print(f"message_box: no box titled {title!r}; the probe said {fields!r} (exit {rc})",
                  file=sys.stderr)
            return None
        time.sleep(0.2)


def screen_pixel(x, y):
    _, text = run_wine([PROBE, "pixel", "--x", str(x), "--y", str(y)])
    fields = dict(t.split("=") for t in text.split())
    return int(fields["r"]), int(fields["g"]), int(fields["b"])


def screenshot(path, crop=None):
    """The whole X screen (as composited) to a PNG; crop = (x, y, w, h)."""
    args = ["import", "-window", "root"]
    if crop:
        x, y, w, h = crop
        args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    subprocess.run(args + [path], check=True, timeout=60)


class OfflineSession:
    """A Wine session of its own whose services run in a network namespace with nothing but a
    loopback that is down: the machine is off line as far as any program in it can tell.

    Wine asks its network service (started by the session's first program) for the adapters, so
    the whole session, not just one process, must start inside the namespace. The probe talks to
    the same wineserver through the prefix's socket, from outside: pass `env` to it.
    """

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="qorv-offline-")
        self.prefix = os.path.join(self.dir, "prefix")
        subprocess.run(["cp", "-a", os.environ["WINEPREFIX"], self.prefix], check=True)
        self.ready_file = os.path.join(self.dir, "ready")
        self.env = {"WINEPREFIX": self.prefix, "QORV_OFFLINE_READY": self.ready_file}

    def stop_server(self):
        """Ends the session's wineserver (saving its registry), e.g. after preparing the prefix
        from outside: the next program must start the session inside the namespace."""
        full_env = dict(os.environ, **self.env)
        for flag in ("-k", "-w"):
            subprocess.run(["wineserver", flag], env=full_env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=60)

    def wait_ready(self, timeout_s=60):
        """Waits until the session has booted inside the namespace. Any program started before
        that (a probe, say) could start the session's services itself, outside the namespace,
        and the session would be on line after all."""
        deadline = time.time() + timeout_s
        while not os.path.exists(self.ready_file):
            if time.time() > deadline:
                raise TimeoutError("offline Wine session did not start")
            time.sleep(0.05)

    def command(self, exe, args):
        # Boot the session (services included) inside the namespace, say so, then run the program.
        script = ('wineserver -p && wine cmd /c exit >/dev/null 2>&1; '
                  'touch "$QORV_OFFLINE_READY" && exec wine "$@"')
        return ["unshare", "-n", "sh", "-c", script, "sh", exe, *args]

    def close(self):
        self.stop_server()
        shutil.rmtree(self.dir, ignore_errors=True)


class Program:
    """A Windows program started under Wine; killed at the end of the test if still running."""

    def __init__(self, exe, args=(), env=None, offline=None, cwd=None):
        cmd = ["wine", exe, *args]
        if offline is not None:
            cmd = offline.command(exe, args)
            env = dict(env or {}, **offline.env)
        full_env = dict(os.environ)
        full_env.update(env or {})
        self.proc = subprocess.Popen(cmd, env=full_env, cwd=cwd, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        if offline is not None:
            offline.wait_ready()

    def wait(self, timeout=30):
        return self.proc.wait(timeout=timeout)

    def running(self):
        return self.proc.poll() is None

    def kill(self):
        if self.running():
            self.proc.kill()
            self.proc.wait(timeout=30)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


@contextlib.contextmanager
def serve_directory(root):
    """A static HTTP server on 127.0.0.1 and a free port; yields its base URL."""
    handler = functools.partial(QuietHandler, directory=root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield f"http://127.0.0.1:{server.server_address[1]}"
    finally:
        server.shutdown()
        server.server_close()


class BrowserLog:
    """Registers a stand-in default browser that records the URLs Wine hands to it."""

    def __init__(self, offline=None):
        self.dir = tempfile.mkdtemp(prefix="qorv-urls-")
        self.path = os.path.join(self.dir, "opened-urls.txt")
        script = os.path.join(self.dir, "log-url.sh")
        with open(script, "w") as f:
            f.write(f"#!/bin/sh\nprintf '%s\\n' \"$*\" >> '{self.path}'\n")
        os.chmod(script, 0o755)
        if offline is not None:
            # Written into the stopped prefix's registry file: running "wine reg" would start the
            # offline session outside its namespace.
            with open(os.path.join(offline.prefix, "user.reg"), "a") as f:
                f.write(f'\n[Software\\\\Wine\\\\WineBrowser] 0\n"Browsers"="{script}"\n')
            return
        rc, _ = run_wine(["reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers",
                          "/d", script, "/f"], timeout=60)
        assert rc == 0, "could not register the stand-in browser"

    def urls(self, wait_s=0.0, expect=0):
        deadline = time.time() + wait_s
        while True:
            lines = []
            if os.path.exists(self.path):
                with open(self.path) as f:
                    lines = [l.strip() for l in f if l.strip()]
            if len(lines) >= expect or time.time() >= deadline:
                return lines
            time.sleep(0.1)

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def windows_temp_dir():
    """The prefix's %TEMP% as a Unix path."""
    _, out = run_wine(["cmd", "/c", "echo %TEMP%"], timeout=60)
    _, unix = run_wine(["winepath.exe", "-u", out.strip()], timeout=60)
    return unix.strip()


class E2ETestCase(unittest.TestCase):
    """Kills every program a test started, whatever the outcome."""

    def setUp(self):
        self.programs = []

    def start(self, exe=CLIENT, args=(), **kw):
        p = Program(exe, args, **kw)
        self.programs.append(p)
        return p

    def tearDown(self):
        for p in self.programs:
            p.kill()

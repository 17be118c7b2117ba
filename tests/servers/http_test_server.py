#!/usr/bin/env python3
"""A loopback HTTP server for download tests: answers shaped to test every outcome of a download.

usage: http_test_server.py [--root DIR] [--port-file PATH] [--lifetime SECONDS] [--quiet]

Listens on 127.0.0.1 at a free port, prints its base URL ("http://127.0.0.1:PORT") on the first
line of stdout (unless --quiet) and, with --port-file, writes it to that file (atomically). It
stops by itself after --lifetime seconds (default 300), on GET /__quit, or on SIGTERM/SIGINT.

Paths (N, M are byte counts, MS milliseconds). A generated answer ignores further path segments,
so a test can give it a file name: /bytes/1000/a.bin.
  /bytes/N              200, Content-Length N, the pattern bytes (see pattern_bytes)
  /status/CODE          that status, a short body with its Content-Length
  /chunked/N            200, chunked transfer, no Content-Length
  /empty                200, Content-Length 0
  /short/N/M            200, Content-Length N, only M bytes, then the connection closes
  /slow/N/MS            200, Content-Length N, one 8192-byte block every MS ms (at most 60 s)
  /rate/N/MBPS          200, Content-Length N, at MBPS megabytes per second (at most 60 s)
  /paced/KBPS/PATH      the file PATH under --root at KBPS kilobytes (1024 bytes) per second
                        (at most 60 s), in pieces of at most 8192 bytes
  /redirect/PATH        302 to /PATH
  /__log                the paths requested so far, one per line (this one excluded)
  /__quit               stops the server
  anything else         a file under --root, 200 with Content-Length, or 404

Every answer says Cache-Control: no-store. The pattern repeats every 65521 bytes, so a test can
check any byte of a large body without holding it.
"""
import argparse
import http.server
import os
import signal
import sys
import threading
import time

PERIOD = 65521  # prime: the pattern is not aligned with any block size
_PATTERN = bytes(((k * 31) + (k >> 8)) & 0xFF for k in range(PERIOD))
_DOUBLE = _PATTERN + _PATTERN
# Any run of up to 2 * PERIOD pattern bytes is a slice of this, sent without a copy: a fresh
# 64 KB object per block made glibc give a handler thread's arena pages back and fault them in
# again on every block, which held /bytes/ to about 130 MB/s, slower than the clients it measures.
_TRIPLE_VIEW = memoryview(_PATTERN * 3)
MAX_SLOW_SECONDS = 60
MAX_BODY = 1 << 32


def pattern_bytes(offset, length):
    """Bytes offset .. offset+length of the endless pattern."""
    out = bytearray()
    while length > 0:
        start = offset % PERIOD
        take = min(length, PERIOD)
        out += _DOUBLE[start:start + take]
        offset += take
        length -= take
    return bytes(out)


def pattern_view(offset, length):
    """pattern_bytes(offset, length) as a view into the pattern, for length <= 2 * PERIOD."""
    start = offset % PERIOD
    return _TRIPLE_VIEW[start:start + length]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QorvTestServer/1"

    def log_message(self, fmt, *args):
        pass

    def _head(self, status, length=None, extra=None, close=False):
        self.send_response(status)
        self.send_header("Cache-Control", "no-store")
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        if close:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()

    def _pattern(self, total, block=65536, delay=0.0, deadline=None):
        sent = 0
        while sent < total:
            if deadline is not None and time.monotonic() > deadline:
                self.close_connection = True
                return
            n = min(block, total - sent)
            self.wfile.write(pattern_view(sent, n))
            sent += n
            if delay:
                self.wfile.flush()
                time.sleep(delay)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        parts = [p for p in path.split("/") if p]
        if path != "/__log":
            with self.server.lock:
                self.server.requests.append(self.path)
        try:
            self._route(path, parts)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True
        except ValueError:
            self._head(400, 0)

    def _route(self, path, parts):
        kind = parts[0] if parts else ""
        if kind == "bytes" and len(parts) >= 2:
            n = min(int(parts[1]), MAX_BODY)
            self._head(200, n)
            self._pattern(n)
        elif kind == "status" and len(parts) >= 2:
            body = b"status " + parts[1].encode()
            self._head(int(parts[1]), len(body))
            self.wfile.write(body)
        elif kind == "chunked" and len(parts) >= 2:
            n = min(int(parts[1]), MAX_BODY)
            self._head(200, None, {"Transfer-Encoding": "chunked"})
            sent = 0
            while sent < n:
                piece = pattern_bytes(sent, min(4096, n - sent))
                self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
                sent += len(piece)
            self.wfile.write(b"0\r\n\r\n")
        elif kind == "empty":
            self._head(200, 0)
        elif kind == "short" and len(parts) >= 3:
            announced, sent = int(parts[1]), int(parts[2])
            self._head(200, announced, close=True)
            self._pattern(min(sent, announced))
            self.wfile.flush()
            # Close for real: the client must see the body end before Content-Length is reached.
            self.connection.shutdown(2)
        elif kind == "slow" and len(parts) >= 3:
            n, ms = min(int(parts[1]), MAX_BODY), int(parts[2])
            self._head(200, n)
            self._pattern(n, block=8192, delay=ms / 1000.0,
                          deadline=time.monotonic() + MAX_SLOW_SECONDS)
        elif kind == "rate" and len(parts) >= 3:
            n, rate = min(int(parts[1]), MAX_BODY), max(int(parts[2]), 1) * (1 << 20)
            self._head(200, n)
            start, sent = time.monotonic(), 0
            while sent < n and time.monotonic() - start < MAX_SLOW_SECONDS:
                k = min(65536, n - sent)
                self.wfile.write(pattern_view(sent, k))
                sent += k
                ahead = sent / rate - (time.monotonic() - start)
                if ahead > 0:
                    time.sleep(ahead)
            if sent < n:
                self.close_connection = True
        elif kind == "paced" and len(parts) >= 3:
            self._static("/" + "/".join(parts[2:]), rate=max(int(parts[1]), 1) * 1024)
        elif kind == "redirect":
            self._head(302, 0, {"Location": "/" + "/".join(parts[1:])})
        elif path == "/__log":
            with self.server.lock:
                body = "".join(p + "\n" for p in self.server.requests).encode()
            self._head(200, len(body))
            self.wfile.write(body)
        elif path == "/__quit":
            self._head(200, 0, close=True)
            threading.Thread(target=self.server.shutdown, daemon=True).start()
        else:
            self._static(path)

    def _static(self, path, rate=None):
        root = self.server.root
        full = os.path.realpath(os.path.join(root, *[p for p in path.split("/") if p])) if root else ""
        if not root or not full.startswith(os.path.realpath(root) + os.sep) or not os.path.isfile(full):
            body = b"not found"
            self._head(404, len(body))
            self.wfile.write(body)
            return
        size = os.path.getsize(full)
        self._head(200, size)
        start, sent = time.monotonic(), 0
        with open(full, "rb") as f:
            while True:
                chunk = f.read(65536 if rate is None else 8192)
                if not chunk:
                    break
                self.wfile.write(chunk)
                sent += len(chunk)
                if rate is None:
                    continue
                self.wfile.flush()
                elapsed = time.monotonic() - start
                if elapsed > MAX_SLOW_SECONDS:
                    self.close_connection = True
                    return
                ahead = sent / rate - elapsed
                if ahead > 0:
                    time.sleep(ahead)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, root, port=0):
        super().__init__(("127.0.0.1", port), Handler)
        self.root = root
        self.lock = threading.Lock()
        self.requests = []

    def handle_error(self, request, client_address):
        # A client ended mid-answer (a killed download) is an outcome tests cause on purpose.
        if isinstance(sys.exc_info()[1], (BrokenPipeError, ConnectionResetError)):
            return
        super().handle_error(request, client_address)

    @property
    def url(self):
        return f"http://127.0.0.1:{self.server_address[1]}"


def start_in_thread(root=None, port=0):
    """For Python tests: a running server in a daemon thread. Call .shutdown() when done.
    A port of 0 is a free one; a build whose endpoints are fixed needs the one it was given."""
    server = Server(root, port)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=None)
    parser.add_argument("--port-file", default=None)
    parser.add_argument("--lifetime", type=float, default=300)
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()

    server = Server(args.root)
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: threading.Thread(target=server.shutdown, daemon=True).start())
    if not args.quiet:
        print(server.url, flush=True)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(server.url + "\n")
        os.replace(tmp, args.port_file)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        timer.cancel()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

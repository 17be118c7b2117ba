#!/usr/bin/env python3
"""The local demo site: publisher home page, game site and static file server in one, on
127.0.0.1 only.

usage: demo/server.py [--port 8470] [--offer-update]

--offer-update serves gamehome/qorv/update-offer.txt (a manifest naming another version) in place
of gamehome/qorv/update.txt, so the client offers an update at start.
"""
import argparse
import functools
import http.server
import os
import sys

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")
MANIFEST = "/gamehome/qorv/update.txt"


class DemoHandler(http.server.SimpleHTTPRequestHandler):
    offer_update = False

    def translate_path(self, path):
        if self.offer_update and path.split("?", 1)[0] == MANIFEST:
            path = "/gamehome/qorv/update-offer.txt"
        return super().translate_path(path)

    def log_message(self, fmt, *args):
        sys.stderr.write("demo: " + (fmt % args) + "\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=8470)
    parser.add_argument("--offer-update", action="store_true")
    args = parser.parse_args()
    DemoHandler.offer_update = args.offer_update
    handler = functools.partial(DemoHandler, directory=SITE)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    print(f"demo site on http://127.0.0.1:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The local demo site: publisher home page, game site and static file server in one, on
127.0.0.1 only.

  /                  the home page, which is also the game site's root ("游戏官网")
  /index.aspx        the login page: "登录游戏" hands the client "app://loadgame|<site>/game/";
                     its links send "app://minimize" and "app://exitgame"
  /game/             the game: catch the gems; the score is the page title (the tab's caption);
                     a link with a blank target and a window.open, both for the default browser
  /gamehome/qorv/update.txt   the update manifest

usage: demo/server.py [--port 8470] [--offer-update] [--signed DIR]

--offer-update serves gamehome/qorv/update-offer.txt (a manifest naming another version) in place
of gamehome/qorv/update.txt, so the client offers an update at start. The update's client file is
the client as built (build/win/bin/qorv.exe); once the updater has fetched it, the site serves the
ordinary manifest again, so the restarted client finds itself up to date.

--signed DIR serves the manifests, their signatures (".sig") and the update's files from DIR, where
scripts/demo has signed them with the build tree's key (DIR/update.txt, DIR/update-offer.txt,
DIR/files/...).
"""
import argparse
import functools
import http.server
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SITE = os.path.join(HERE, "site")
MANIFEST = "/gamehome/qorv/update.txt"
CLIENT_FILE = "/gamehome/qorv/files/qorv.exe"
BUILT_CLIENT = os.path.join(HERE, "..", "build", "win", "bin", "qorv.exe")


class DemoHandler(http.server.SimpleHTTPRequestHandler):
    offer_update = False
    signed_dir = None
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".aspx": "text/html; charset=utf-8",
                             ".html": "text/html; charset=utf-8"})

    def translate_path(self, path):
        route = path.split("?", 1)[0]
        if route == CLIENT_FILE:
            DemoHandler.offer_update = False
            if self.signed_dir:
                return os.path.join(self.signed_dir, "files", "qorv.exe")
            return os.path.abspath(BUILT_CLIENT)
        if route in (MANIFEST, MANIFEST + ".sig"):
            name = "update-offer.txt" if self.offer_update else "update.txt"
            suffix = route[len(MANIFEST):]
            if self.signed_dir:
                return os.path.join(self.signed_dir, name + suffix)
            path = "/gamehome/qorv/" + name + suffix
        elif self.signed_dir and route.startswith("/gamehome/qorv/files/"):
            return os.path.join(self.signed_dir, "files", os.path.basename(route))
        return super().translate_path(path)

    def log_message(self, fmt, *args):
        sys.stderr.write("demo: " + (fmt % args) + "\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=8470)
    parser.add_argument("--offer-update", action="store_true")
    parser.add_argument("--signed", default=None)
    args = parser.parse_args()
    DemoHandler.offer_update = args.offer_update
    DemoHandler.signed_dir = os.path.abspath(args.signed) if args.signed else None
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

#!/usr/bin/env python3
"""Serves the page's folder on 127.0.0.1 as a static host would, with the
right types for the page's files, gzip for its text files when the browser
accepts it (the packed .gz files go as they are: the page unpacks them) and
no caching, so that a rebuilt page is what the next reload gets.

    serve.py FOLDER [--port N] [--no-compress]"""

import argparse
import functools
import gzip
import http.server
import os
import sys

TEXT = (".html", ".js", ".json", ".css", ".webmanifest", ".svg")


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm",
                      ".data": "application/octet-stream", ".js": "text/javascript",
                      ".gz": "application/octet-stream", ".webmanifest": "application/manifest+json"}
    compress = True

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def do_GET(self):
        path = self.translate_path(self.path)
        accepts = "gzip" in self.headers.get("Accept-Encoding", "")
        if not (self.compress and accepts and path.endswith(TEXT) and os.path.isfile(path)):
            return super().do_GET()
        with open(path, "rb") as f:
            body = gzip.compress(f.read(), 9)
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def make_server(folder, port=0, compress=True):
    handler = functools.partial(type("Served", (Handler,), {"compress": compress}), directory=folder)
    return http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("folder")
    ap.add_argument("--port", type=int, default=8000)
    ap.add_argument("--no-compress", action="store_true")
    args = ap.parse_args()
    server = make_server(args.folder, args.port, not args.no_compress)
    print(f"VOLTARI on http://127.0.0.1:{server.server_address[1]}/voltari.html", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())

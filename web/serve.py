#!/usr/bin/env python3
"""Serves the page's folder on 127.0.0.1 as a static host would, with the
right types for the page's files, gzip for its text files when the browser
accepts it (the packed .gz files go as they are: the page unpacks them) and
no caching, so that a rebuilt page is what the next reload gets. With
--relay CONF it also runs a relay for the page's rooms while it serves:
nats-server with that file's settings, but listening on 127.0.0.1 only
(clients on 4222, the page's WebSocket on 8443, plain), stopped with it.

    serve.py FOLDER [--port N] [--no-compress] [--relay relay/voltari-nats.conf]"""

import argparse
import functools
import gzip
import http.server
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

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


RELAY_PORT = 4222        # the desktop's port in relay/voltari-nats.conf
RELAY_WS_PORT = 8443     # the page's, there and in the page's default relay
RELAY_USER = "voltari:voltari"   # that file's user and password
RELAY_START_S = 10       # s for nats-server to say it is ready


def start_relay(conf, folder):
    """nats-server with conf's settings on 127.0.0.1 only; None, having said
    why, when it cannot run."""
    binary = shutil.which("nats-server") or "/usr/sbin/nats-server"
    if not os.path.exists(binary):
        print("No relay for rooms: nats-server is not installed (scripts/install-deps).", flush=True)
        return None
    local = os.path.join(folder, "relay.conf")
    with open(local, "w") as f:
        # An include is read relative to the including file; what follows overrides it.
        f.write(f'include "{os.path.relpath(os.path.abspath(conf), folder)}"\n'
                f"host: 127.0.0.1\nport: {RELAY_PORT}\n"
                f"websocket {{\n  host: 127.0.0.1\n  port: {RELAY_WS_PORT}\n  no_tls: true\n}}\n")
    log_path = os.path.join(folder, "relay.log")
    proc = subprocess.Popen([binary, "-c", local], stdout=subprocess.DEVNULL, stderr=open(log_path, "w"))
    deadline = time.monotonic() + RELAY_START_S
    while time.monotonic() < deadline and proc.poll() is None:
        with open(log_path) as f:
            if "Server is ready" in f.read():
                print(f"Relay for rooms on ws://{RELAY_USER}@127.0.0.1:{RELAY_WS_PORT} (the page's default; "
                      f"a desktop joins with --relay nats://{RELAY_USER}@127.0.0.1:{RELAY_PORT})", flush=True)
                return proc
        time.sleep(0.05)
    stop(proc)
    with open(log_path) as f:
        print("No relay for rooms: nats-server did not start: " + f.read().strip()[-300:], flush=True)
    return None


def stop(proc):
    if proc and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("folder")
    ap.add_argument("--port", type=int, default=8000)
    ap.add_argument("--no-compress", action="store_true")
    ap.add_argument("--relay", metavar="CONF", help="also run a relay for rooms with this nats-server file")
    args = ap.parse_args()
    server = make_server(args.folder, args.port, not args.no_compress)
    # A terminated server stops its relay too, as Ctrl-C does.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    folder = tempfile.mkdtemp(prefix="voltari-serve-")
    relay = start_relay(args.relay, folder) if args.relay else None
    print(f"VOLTARI on http://127.0.0.1:{server.server_address[1]}/voltari.html", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        stop(relay)
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

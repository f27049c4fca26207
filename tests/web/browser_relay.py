#!/usr/bin/env python3
"""The page's relay client (web/relay.js over npm's NATS client) in headless
Chromium against a real nats-server, which this test starts on 127.0.0.1
with a WebSocket listener, both at ports the kernel picks. Two pages, each
loaded as a player loads the page, connect through the page's own loader
(voltariRelay()) and say "connected"; each subscribes to its own subject,
and binary messages (every byte value, an empty one, one of 64 KiB) go from
one to the other and back unchanged, in order. The relay then stops: both
say "reconnecting"; it comes back on the same port: both say "connected"
again and exchange again. Both pages in one queue group on one subject get
each of a third link's messages once between them, as play anyone needs.
close() ends with "closed" and its reason, and a relay where nothing
listens ends at once with "closed" and why.

    browser_relay.py --web BUILD-WEB [--nats-server PATH]

Exits 77 (skipped) with one line when the page is not built, Chromium
cannot start or nats-server is missing."""

import argparse
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402

LISTEN_TIMEOUT = 30   # s for nats-server to say where it listens
STATE_TIMEOUT = 60    # s for a page to reach a state (reconnecting tries once a second)


# The user of relay/voltari-nats.conf, kept to the game's subjects as there.
SHIPPED_USER = """authorization {
  users: [ { user: voltari, password: voltari,
             permissions: { publish: { allow: ["voltari.>"] }, subscribe: { allow: ["voltari.>"] } } } ]
}
"""


class Relay:
    """One nats-server on 127.0.0.1: clients on a port the kernel picks, and
    WebSocket clients on ws_port (one the kernel picks when None); with
    tls=(cert, key) the WebSocket listener speaks wss://, and extra is more
    of the server's configuration (SHIPPED_USER)."""

    def __init__(self, binary, folder, ws_port=None, tls=None, extra=""):
        conf = os.path.join(folder, "relay.conf")
        secure = (f'  tls {{\n    cert_file: "{tls[0]}"\n    key_file: "{tls[1]}"\n  }}\n' if tls
                  else "  no_tls: true\n")
        with open(conf, "w") as f:
            f.write('listen: "127.0.0.1:-1"\n'
                    f'websocket {{\n  listen: "127.0.0.1:{ws_port or -1}"\n{secure}}}\n{extra}')
        self.log = os.path.join(folder, "relay.log")
        self.proc = subprocess.Popen([binary, "-c", conf], stdout=subprocess.DEVNULL,
                                     stderr=open(self.log, "w"))
        deadline = time.monotonic() + LISTEN_TIMEOUT
        while True:
            found = re.search(r"Listening for websocket clients on wss?://127\.0\.0\.1:(\d+)", self.text())
            clients = re.search(r"Listening for client connections on 127\.0\.0\.1:(\d+)", self.text())
            if found and clients and "Server is ready" in self.text():
                self.ws_port = int(found.group(1))
                self.port = int(clients.group(1))   # the desktop's (nats://)
                return
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise chromium.BrowserError("nats-server did not start: " + self.text())
            time.sleep(0.05)

    def text(self):
        with open(self.log) as f:
            return f.read()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


# Each page keeps its link and what it heard in window.relayTest.
CONNECT = """window.voltariRelay().then(function (relay) {
  var t = window.relayTest = { states: [], heard: [] };
  t.link = relay.connect(%r, function (state, reason) { t.states.push(state + (reason ? ': ' + reason : '')); });
  t.link.subscribe(%r, function (bytes) { t.heard.push(Array.from(bytes)); });
  return t.link.flush().then(function () { return 1; });
})"""


def state_is(page, state):
    return (f"(function(){{var s=window.relayTest && window.relayTest.states;"
            f"return s && s.length && s[s.length-1].indexOf({state!r})===0 ? 1 : 0;}})()")


def messages():
    """What one page sends: every byte value, nothing at all, 64 KiB."""
    return [list(range(256)), [], [(i * 7) & 0xFF for i in range(65536)]]


def exchange(a, b, subject_a, subject_b, failures, when):
    """a sends to b's subject, b sends each back to a's, reversed; both must
    arrive whole and in order."""
    for page in (a, b):
        page.evaluate("window.relayTest.heard = []; 1")
    sent = messages()
    for m in sent:
        a.evaluate(f"window.relayTest.link.publish({subject_b!r}, new Uint8Array({m})); 1")
    b.wait_for(f"window.relayTest.heard.length >= {len(sent)} ? 1 : 0", timeout=STATE_TIMEOUT, poll=0.1)
    got = b.evaluate("window.relayTest.heard")
    if got != sent:
        failures.append(f"{when}: the second page heard {[len(m) for m in got]} bytes, "
                        f"not {[len(m) for m in sent]} as sent")
    b.evaluate(f"window.relayTest.heard.forEach(function (m) {{ window.relayTest.link.publish({subject_a!r}, "
               "new Uint8Array(m.slice().reverse())); }); 1")
    a.wait_for(f"window.relayTest.heard.length >= {len(sent)} ? 1 : 0", timeout=STATE_TIMEOUT, poll=0.1)
    back = a.evaluate("window.relayTest.heard")
    if back != [list(reversed(m)) for m in sent]:
        failures.append(f"{when}: the first page heard back {[len(m) for m in back]} bytes, not its messages reversed")


QUEUED = 20   # messages a third link sends to the queue group


def queue_group(url, a, b, failures):
    """a and b subscribe in one queue group; a third link (in page a)
    publishes: every message reaches exactly one of them."""
    subject = "voltari.test.queue"
    for page in (a, b):
        page.evaluate(f"(function () {{ var t = window.relayTest; t.queued = [];"
                      f"  t.link.subscribe({subject!r}, function (bytes) {{ t.queued.push(bytes[0]); }}, 'waiting');"
                      f"  return t.link.flush().then(function () {{ return 1; }}); }})()")
    a.evaluate(f"window.voltariRelay().then(function (relay) {{"
               f"  var third = relay.connect({url!r});"
               f"  for (var i = 0; i < {QUEUED}; ++i) third.publish({subject!r}, new Uint8Array([i]));"
               f"  return third.flush().then(function () {{ third.close(); return 1; }}); }})")
    # Whatever the relay delivered before the third link's flush came back
    # is ahead of each subscriber's own flush.
    got = []
    for page in (a, b):
        got += page.evaluate("window.relayTest.link.flush().then(function () { return window.relayTest.queued; })")
    print(f"a queue group of two: {a.evaluate('window.relayTest.queued.length')} and "
          f"{b.evaluate('window.relayTest.queued.length')} of {QUEUED} messages")
    if sorted(got) != list(range(QUEUED)):
        failures.append(f"a queue group of two got {sorted(got)}, not each of 0..{QUEUED - 1} once")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    ap.add_argument("--nats-server", default=shutil.which("nats-server") or "/usr/sbin/nats-server")
    args = ap.parse_args()
    if not os.path.exists(args.nats_server):
        print("SKIP: nats-server is not installed (scripts/install-deps)")
        return chromium.SKIP
    if not os.path.exists(os.path.join(args.web, "relay.js")):
        print(f"SKIP: {os.path.join(args.web, 'relay.js')} is not built (make web)")
        return chromium.SKIP
    opened = chromium.start(args.web, args.chromium)
    if not opened:
        return chromium.SKIP
    browser, server, base = opened
    failures = []
    folder = tempfile.mkdtemp(prefix="voltari-relay-")
    relay = None
    try:
        relay = Relay(args.nats_server, folder)
        url = f"ws://127.0.0.1:{relay.ws_port}"
        subjects = ["voltari.test.first", "voltari.test.second"]
        pages = [browser.open_page(f"{base}voltari.html") for _ in subjects]
        for page, subject in zip(pages, subjects):
            page.wait_for("typeof window.voltariRelay === 'function' ? 1 : 0", timeout=60)
            page.evaluate(CONNECT % (url, subject))
            if page.evaluate("window.relayTest.states") != ["connected"]:
                failures.append("a page's states on connecting: " + str(page.evaluate("window.relayTest.states")))
        a, b = pages
        exchange(a, b, *subjects, failures, "through the relay")
        print(f"exchanged {len(messages())} messages each way through nats-server on port {relay.ws_port}")
        queue_group(url, a, b, failures)

        # The relay goes away and comes back on the same port: both links
        # say so, and carry messages again (subscriptions included).
        relay.stop()
        for page in pages:
            page.wait_for(state_is(page, "reconnecting"), timeout=STATE_TIMEOUT, poll=0.1)
        relay = Relay(args.nats_server, folder, ws_port=relay.ws_port)
        for page in pages:
            page.wait_for(state_is(page, "connected"), timeout=STATE_TIMEOUT, poll=0.1)
            page.evaluate("window.relayTest.link.flush().then(function () { return 1; })")
        print("states through a restart: " + " / ".join(a.evaluate("window.relayTest.states")))
        exchange(a, b, *subjects, failures, "after the relay came back")

        a.evaluate("window.relayTest.link.close(); 1")
        a.wait_for(state_is(a, "closed"), timeout=STATE_TIMEOUT, poll=0.1)
        if a.evaluate("window.relayTest.states.slice(-1)[0]") != "closed: closed by the page":
            failures.append("close() ends with: " + a.evaluate("window.relayTest.states.slice(-1)[0]"))

        # Nobody there: a port of our own that never listens.
        shut = socket.socket()
        shut.bind(("127.0.0.1", 0))
        try:
            b.evaluate("window.relayTest.link.close(); 1")
            b.evaluate(CONNECT.replace("return t.link.flush().then(function () { return 1; });", "return 1;")
                       % (f"ws://127.0.0.1:{shut.getsockname()[1]}", subjects[1]))
            b.wait_for(state_is(b, "closed"), timeout=STATE_TIMEOUT, poll=0.1)
            said = b.evaluate("window.relayTest.states")
            print("nobody there: " + " / ".join(said))
            if len(said) != 1 or "could not reach the relay" not in said[0]:
                failures.append("a relay where nothing listens gives: " + str(said))
        finally:
            shut.close()
        for page in pages:
            chromium.note_page_errors(page, failures)
    except chromium.BrowserError as e:
        failures.append(str(e))
    finally:
        if relay:
            relay.stop()
        browser.close()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)
    return chromium.report(failures, "relay: two pages exchanged binary messages through nats-server, "
                                     "through its restart, shared a queue group, and said each state")


if __name__ == "__main__":
    sys.exit(main())

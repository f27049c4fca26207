#!/usr/bin/env python3
"""The page as a player joins with it, in headless Chromium on 127.0.0.1.
First a port where nothing listens (a socket bound there, never
listening): ?join= fills the Join field, Join starts the game, and the
start screen comes back saying the host could not be reached. Then a
native host (voltari_lockstep_run host with tests/net/lockstep/host.script,
which starts a match, aborts it and quits both games from the menu): the
page joins it by its Join field, says how it plays, steers its own (right)
paddle by a finger on either half, plays the host's game to the end with every state hash agreeing (the host's session ends well),
and is back at its start screen saying so. Last a host that vanishes
mid-match: the page says the connection was lost, its game goes back to
the menu and plays on alone, and Escape leads to the start screen, which
still says why. Then the page watches a native host and guest by ?watch=
and its Watch button, to the end of their game. And the page over https: Join says that such a page cannot
join a game and which http address can, and starts nothing.

    browser_join.py --web BUILD-WEB --host LOCKSTEP_RUN --scripts DIR [--shots DIR]

Exits 77 (skipped) with one line when the page is not built or Chromium
cannot start."""

import argparse
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402
from browser_netplay import read, start_host  # noqa: E402
from browser_touch import shown  # noqa: E402


def text_of(page, element_id):
    return page.evaluate(f"document.getElementById('{element_id}').textContent")


def to_start_screen(page):
    """From a fresh page: the setup panel's Abort, then the start screen."""
    page.wait_for(shown("setupLayer"), timeout=300)
    page.evaluate("document.getElementById('abort').click()")
    page.wait_for(shown("startLayer"), timeout=30)


def watching(args, browser, base, folder, failures):
    """A native host and a native guest play; the page opened with
    ?watch= watches them by its Watch button, says so, and is back at its
    start screen when the host quits both games."""
    host, port, _ = start_host(args.host, args.scripts, folder)
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", VOLTARI_NET_PACED="1")
    guest = subprocess.Popen([os.path.abspath(args.host), "join", str(port), os.path.join(folder, "guest.log"),
                              os.path.join(os.path.abspath(args.scripts), "guest.script")], cwd=folder, env=env,
                             stderr=open(os.path.join(folder, "guest.err"), "w"))
    try:
        page = browser.open_page(f"{base}voltari.html?watch=127.0.0.1:{port}")
        to_start_screen(page)
        if "Watch" not in text_of(page, "start"):
            failures.append("?watch= does not say so on the start screen: " + text_of(page, "start"))
        page.evaluate("document.getElementById('watchButton').click()")
        page.wait_for("/^Watching: round trip/.test(document.getElementById('netStatusText').textContent) ? 1 : 0",
                      timeout=60, poll=0.2)
        print("watching: " + text_of(page, "netStatusText"))
        page.wait_for("Module.voltariView() && Module.voltariView().inMatch ? 1 : 0", timeout=60, poll=0.2)
        page.wait_for(shown("startLayer"), timeout=120)
        # A watcher is told in its own words (game/flow/netgame.cpp).
        if text_of(page, "joinNote") != "The game you watched has ended.":
            failures.append("after watching the page says: " + text_of(page, "joinNote"))
        if host.wait(timeout=60) != 0 or guest.wait(timeout=60) != 0:
            failures.append("the players' session did not end well with a watcher: " +
                            read(os.path.join(folder, "host.err")) + read(os.path.join(folder, "guest.err")))
        chromium.note_page_errors(page, failures)
        page.close()
    finally:
        for p in (host, guest):
            if p.poll() is None:
                p.kill()
                p.wait()


def https_refusal(args, folder, failures):
    """The page over https (a certificate made for the test) cannot open the
    host's plain WebSocket: Join says so, and how to join over http, and the
    game does not start. The address is never contacted."""
    if not shutil.which("openssl"):
        print("https: not tried (no openssl to make a certificate)")
        return
    key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "1", "-subj", "/CN=127.0.0.1"], check=True, capture_output=True)
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(cert, key)
    browser = chromium.Browser(args.chromium, extra_args=["--ignore-certificate-errors"])
    server, base = chromium.serve(args.web, tls)
    try:
        friend = "friend.invalid:24642"
        page = browser.open_page(f"{base}voltari.html?join={friend}")
        to_start_screen(page)
        page.evaluate("document.getElementById('joinButton').click()")
        page.wait_for(shown("joinNote"), timeout=30)
        note = text_of(page, "joinNote")
        print("https: " + note)
        if "loaded over https" not in note or f"http://127.0.0.1:{server.server_address[1]}/" not in note:
            failures.append("over https Join says: " + note)
        if not page.evaluate(shown("startLayer")) or page.evaluate("Module.voltariView()"):
            failures.append("over https Join started the game")
        if args.shots:
            page.screenshot(os.path.join(args.shots, "join-https.png"))
        chromium.note_page_errors(page, failures)
    finally:
        browser.close()
        server.shutdown()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--host", required=True, help="the native voltari_lockstep_run")
    ap.add_argument("--scripts", required=True, help="tests/net/lockstep")
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    ap.add_argument("--shots", help="folder for screenshots")
    args = ap.parse_args()

    opened = chromium.start(args.web, args.chromium)
    if not opened:
        return chromium.SKIP
    browser, server, base = opened
    failures = []
    folder = tempfile.mkdtemp(prefix="voltari-join-")
    host = None
    shut = socket.socket()
    try:
        # Nobody there: a port of our own that never listens.
        shut.bind(("127.0.0.1", 0))
        nobody = f"127.0.0.1:{shut.getsockname()[1]}"
        page = browser.open_page(f"{base}voltari.html?join={nobody}")
        to_start_screen(page)
        if page.evaluate("document.getElementById('joinAddress').value") != nobody:
            failures.append("?join= did not fill the Join field")
        if nobody not in text_of(page, "start"):
            failures.append("the start screen does not name the game to join: " + text_of(page, "start"))
        if args.shots:
            page.screenshot(os.path.join(args.shots, "join-field.png"))
        page.evaluate("document.getElementById('joinButton').click()")
        page.wait_for(shown("joinNote") + " && " + shown("startLayer"), timeout=60)
        note = text_of(page, "joinNote")
        if "Could not reach the host" not in note:
            failures.append("joining nobody says: " + note)
        if args.shots:
            page.screenshot(os.path.join(args.shots, "join-refused.png"))
        print("nobody there: " + note)
        chromium.note_page_errors(page, failures)
        page.close()

        # A native host: the page joins by its field and plays to the end.
        host, port, host_log = start_host(args.host, args.scripts, folder)
        page = browser.open_page(f"{base}voltari.html", touch=True)
        to_start_screen(page)
        page.evaluate(f"document.getElementById('joinAddress').value = '127.0.0.1:{port}'")
        page.evaluate("document.getElementById('joinButton').click()")
        page.wait_for("/^Playing: round trip/.test(document.getElementById('netStatusText').textContent) ? 1 : 0",
                      timeout=60, poll=0.2)
        print("joined: " + text_of(page, "netStatusText"))
        if args.shots:
            page.screenshot(os.path.join(args.shots, "join-playing.png"))
            # Mid-rally: once the host has moved its paddle (12.5 s into its script).
            page.wait_for("Module.voltariView() && Module.voltariView().inMatch ? 1 : 0", timeout=60, poll=0.2)
            x = page.evaluate("Module.voltariView().left.x")
            page.wait_for(f"Module.voltariView() && Module.voltariView().left.x != {x} ? 1 : 0", timeout=60, poll=0.1)
            page.screenshot(os.path.join(args.shots, "join-match.png"))
        # The guest's paddle is the right one: a finger on the left half
        # steers it too (up to the finger's height), and the host's game
        # moves with it (its state hashes agree to the end).
        page.wait_for("Module.voltariView() && Module.voltariView().inMatch ? 1 : 0", timeout=60, poll=0.2)
        court = page.evaluate("(function(){var r=document.getElementById('canvas').getBoundingClientRect();"
                              "return [r.left, r.top, r.width / 800, r.height / 600];})()")
        page.touch("touchStart", [(0, court[0] + 200 * court[2], court[1] + 120 * court[3])])
        try:
            page.wait_for("Math.abs(Module.voltariView().right.y + 40 - 120) <= 20 ? 1 : 0", timeout=30, poll=0.1)
        except chromium.BrowserError:
            failures.append(f"a finger on the left half did not steer the guest's paddle: "
                            f"{page.evaluate('Module.voltariView()')}")
        page.touch("touchEnd", [])
        page.wait_for(shown("startLayer"), timeout=120)
        host_status = host.wait(timeout=60)
        host_err = read(os.path.join(folder, "host.err"))
        print(host_err.strip().splitlines()[-1] if host_err.strip() else "the host said nothing")
        if host_status != 0 or " 0 hashes matched" in host_err or "failed" in host_err:
            failures.append(f"the host's session did not end well (status {host_status}): {host_err}")
        lines = len(read(host_log).splitlines())
        if lines < 400:
            failures.append(f"the host logged only {lines} lines")
        print("back at the start screen: " + text_of(page, "start") + " / " + text_of(page, "joinNote"))
        if text_of(page, "joinNote") != "The host ended the game.":
            failures.append("after the host quit the page says: " + text_of(page, "joinNote"))
        if args.shots:
            page.screenshot(os.path.join(args.shots, "join-ended.png"))
        chromium.note_page_errors(page, failures)
        page.close()

        # The host vanishes mid-match: the page says so, its game goes back
        # to the menu and plays on alone, and Escape there leaves it.
        host, port, host_log = start_host(args.host, args.scripts, folder)
        page = browser.open_page(f"{base}voltari.html?join=127.0.0.1:{port}")
        to_start_screen(page)
        page.evaluate("document.getElementById('joinButton').click()")
        page.wait_for("Module.voltariView() && Module.voltariView().inMatch ? 1 : 0", timeout=60, poll=0.2)
        host.kill()
        host.wait()
        page.wait_for("/lost/.test(document.getElementById('netStatusText').textContent) && "
                      "!Module.voltariView().inMatch ? 1 : 0", timeout=60, poll=0.2)
        print("host gone: " + text_of(page, "netStatusText"))
        if args.shots:
            page.screenshot(os.path.join(args.shots, "join-host-gone.png"))
        # The corner button, as a finger would: it does nothing once the game
        # is over, so pressing it until the start screen shows cannot start
        # another game. (The menu may pass over a key that comes too early.)
        for _ in range(60):
            if page.evaluate(shown("startLayer")):
                break
            page.evaluate("document.getElementById('escape').click()")
            page.evaluate("new Promise(function (done) { setTimeout(done, 500); })")
        else:
            failures.append("Escape in the menu did not leave the game after the host vanished")
        if "lost" not in text_of(page, "joinNote"):
            failures.append("after the host vanished the start screen says: " + text_of(page, "joinNote"))
        chromium.note_page_errors(page, failures)
        page.close()

        watching(args, browser, base, folder, failures)
        https_refusal(args, folder, failures)
    except chromium.BrowserError as e:
        failures.append(str(e))
    finally:
        shut.close()
        if host and host.poll() is None:
            host.kill()
            host.wait()
        browser.close()
        server.shutdown()
        subprocess.run(["rm", "-rf", folder])
    return chromium.report(failures, "the page joins by its Join field, says why when it cannot, and comes back")


if __name__ == "__main__":
    sys.exit(main())

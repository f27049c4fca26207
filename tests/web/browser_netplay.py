#!/usr/bin/env python3
"""A browser guest against a native host, on 127.0.0.1: the native side of
a network game (voltari_lockstep_run host, tests/net/lockstep/host.script)
waits on a port the kernel picks, and the same program compiled to
WebAssembly joins it from headless Chromium with guest.script, over a
WebSocket to that very port. Both are paced to real time as a real session
is. Every 50 virtual ms each logs the time, the state hash and the screen's
hash, and at the end the final state hash: all must be the same on every
line, and the session must end well on both sides.

    browser_netplay.py --web BUILD-WEB --host LOCKSTEP_RUN --scripts DIR

Exits 77 (skipped) with one line when the page is not built or Chromium
cannot start."""

import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402

DELAY = "100"   # ms: one fixed input delay, so every run is the same game


def start_host(run, scripts, folder):
    """The native host, listening: (process, port, log path)."""
    log = os.path.join(folder, "host.log")
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", VOLTARI_NET_PACED="1")
    run, scripts = os.path.abspath(run), os.path.abspath(scripts)
    proc = subprocess.Popen([run, "host", log, os.path.join(scripts, "host.script"), DELAY], cwd=folder, env=env,
                            stdout=subprocess.PIPE, stderr=open(os.path.join(folder, "host.err"), "w"), text=True)
    line = proc.stdout.readline().split()
    if len(line) != 2 or line[0] != "port":
        proc.kill()
        proc.wait()
        raise chromium.BrowserError("the native host did not start: " + read(os.path.join(folder, "host.err")))
    return proc, int(line[1]), log


def read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


# The host's quit (its script's last Escape): from then on the guest shows
# why its game closes, over the closing sequence both still play in step.
HOST_QUITS_MS = 27000


def compare(host_lines, guest_lines, failures):
    """Line by line: the same times and state hashes, and the same screens
    until the host quits (the page's headless display draws the desktop's
    pixels exactly)."""
    if len(host_lines) != len(guest_lines):
        failures.append(f"the host logged {len(host_lines)} lines, the browser {len(guest_lines)}")
    same_screens = 0
    lines = 0
    for n, (h, g) in enumerate(zip(host_lines, guest_lines)):
        hf, gf = h.split(), g.split()
        if hf[:2] != gf[:2]:
            failures.append(f"line {n + 1}: host '{h}', browser '{g}'")
            break
        if hf[0] != "end" and int(hf[0]) < HOST_QUITS_MS:
            lines += 1
            same_screens += hf[2:] == gf[2:]
    if same_screens != lines:
        failures.append(f"only {same_screens} of {lines} screens are the desktop's")
    return (f"{min(len(host_lines), len(guest_lines))} lines: the same times and state hashes; "
            f"{same_screens} of the {lines} screens before the host quits the same")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--host", required=True, help="the native voltari_lockstep_run")
    ap.add_argument("--scripts", required=True, help="tests/net/lockstep")
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    args = ap.parse_args()

    opened = chromium.start(args.web, args.chromium, os.path.join("test", "lockstep_run.html"))
    if not opened:
        return chromium.SKIP
    browser, server, base = opened
    failures = []
    folder = tempfile.mkdtemp(prefix="voltari-netplay-")
    host = None
    try:
        host, port, host_log = start_host(args.host, args.scripts, folder)
        page = browser.open_page(f"{base}test/lockstep_run.html?port={port}")
        page.wait_for("typeof Module !== 'undefined' && Module.lockstepDone ? 1 : 0", timeout=240)
        done = page.evaluate("Module.lockstepDone")
        guest_log = page.evaluate("Module.lockstepLog")
        host_status = host.wait(timeout=60)
        host_err = read(os.path.join(folder, "host.err"))
        print(host_err.strip())
        print(done)
        if host_status != 0:
            failures.append(f"the native host ended with status {host_status}")
        if not done.startswith("join: status 0, ") or "failed" in done:
            failures.append("the browser's session did not end well: " + done)
        host_lines = read(host_log).splitlines()
        guest_lines = guest_log.splitlines()
        # From the start (1000 ms) past the host's second Escape (27000 ms).
        if len(guest_lines) < 400:
            failures.append(f"the browser logged only {len(guest_lines)} lines")
        print(compare(host_lines, guest_lines, failures))
        chromium.note_page_errors(page, failures)
    except chromium.BrowserError as e:
        failures.append(str(e))
    finally:
        if host and host.poll() is None:
            host.kill()
            host.wait()
        browser.close()
        server.shutdown()
        subprocess.run(["rm", "-rf", folder])
    return chromium.report(failures, "the browser guest played the native host's game, frame by frame")


if __name__ == "__main__":
    sys.exit(main())

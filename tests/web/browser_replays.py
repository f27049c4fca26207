#!/usr/bin/env python3
"""The golden replays in headless Chromium: each replay, compiled to
WebAssembly, must end in the state of its expected file (scores, ball,
paddles, rand draws, ...), and its screen at every snapshot must match the
native game's in at least 99.5% of pixels.

    browser_replays.py --web BUILD-WEB --native REPLAYRUN --replays DIR

Exits 77 (skipped) with one line when the page is not built or Chromium
cannot start."""

import argparse
import base64
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402

MIN_SAME = 0.995


def parse(text):
    """(fields, screens): ordered [(key, value)] and {section: (w, h, rgb bytes)}."""
    fields, screens, section = [], {}, None
    for line in text.splitlines():
        if line.startswith("screen ["):
            head, rest = line[len("screen "):].split("] ", 1)
            w, h, data = rest.split(" ", 2)
            screens[head + "]"] = (int(w), int(h), base64.b64decode(data))
        elif line.startswith("["):
            section = line
        elif line and not line.startswith("#"):
            name, value = line.split(" ", 1)
            fields.append((f"{section} {name}", value))
    return fields, screens


def differing_pixels(a, b):
    return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--native", required=True)
    ap.add_argument("--replays", required=True)
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    args = ap.parse_args()

    opened = chromium.start(args.web, args.chromium, os.path.join("test", "replayrun.html"))
    if not opened:
        return chromium.SKIP
    browser, server, base = opened
    names = sorted(n[:-len(".replay")] for n in os.listdir(args.replays) if n.endswith(".replay"))
    failures = 0
    started = time.monotonic()
    try:
        for name in names:
            with open(os.path.join(args.replays, name + ".expected")) as f:
                expected, _ = parse(f.read())
            native = subprocess.run([args.native, os.path.join(args.replays, name + ".replay")],
                                    capture_output=True, text=True, check=True).stdout
            _, native_screens = parse(native)

            t = time.monotonic()
            tab = browser.open_page(f"{base}test/replayrun.html?replay={name}")
            try:
                tab.wait_for("typeof Module !== 'undefined' && Module.replayResult ? 1 : 0", timeout=600)
                web_fields, web_screens = parse(tab.evaluate("Module.replayResult"))
            except chromium.BrowserError as e:
                print(f"{name}: FAIL in the browser: {e}")
                failures += 1
                continue
            finally:
                tab.close()
            seconds = time.monotonic() - t

            # Everything but the screen hashes must be the same; the screens
            # are compared pixel by pixel below.
            want = {k: v for k, v in expected if not k.endswith(" screenHash")}
            got = {k: v for k, v in web_fields if not k.endswith(" screenHash")}
            wrong = [f"  {k}: expected {want.get(k)}, browser {got.get(k)}"
                     for k in sorted(set(want) | set(got)) if want.get(k) != got.get(k)]
            report = []
            for section, (w, h, rgb) in web_screens.items():
                if section not in native_screens:
                    wrong.append(f"  {section}: no native screen")
                    continue
                diff = differing_pixels(rgb, native_screens[section][2])
                same = 1 - diff / (w * h)
                report.append(f"{section} {diff} px differ ({100 * same:.2f}% same)")
                if same < MIN_SAME:
                    wrong.append(f"  {section}: {diff} of {w * h} pixels differ from the native screen")
            if set(native_screens) != set(web_screens):
                wrong.append(f"  snapshots: native {sorted(native_screens)}, browser {sorted(web_screens)}")
            status = "ok" if not wrong else "FAIL"
            print(f"{name}: {status}, {len(want)} fields, {seconds:.1f} s in the browser; " + "; ".join(report))
            for line in wrong:
                print(line)
            failures += bool(wrong)
    finally:
        browser.close()
        server.shutdown()
    print(f"{len(names) - failures} of {len(names)} replays match in the browser "
          f"({time.monotonic() - started:.0f} s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The page offline after one visit, in headless Chromium: the first visit
keeps the page's files (sw.js, once the page has downloaded them); with the
server gone, a reload still brings the setup panel and the game starts.
Also that the page points to its manifest and that the manifest names the
192 and 512 px icons, which are there.

    browser_offline.py --web BUILD-WEB

Exits 77 (skipped) with one line when the page is not built or Chromium
cannot start."""

import argparse
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402
from browser_touch import shown  # noqa: E402

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    args = ap.parse_args()

    if not os.path.exists(os.path.join(args.web, "voltari.html")):
        print(f"SKIP: {args.web}/voltari.html is not built (make web)")
        return chromium.SKIP
    failures = []
    with open(os.path.join(args.web, "voltari.webmanifest")) as f:
        manifest = json.load(f)
    sizes = {i["sizes"]: i["src"] for i in manifest["icons"]}
    for size in ("192x192", "512x512"):
        if size not in sizes or not os.path.exists(os.path.join(args.web, sizes[size])):
            failures.append(f"the manifest has no {size} icon on disk: {sizes}")
    with open(os.path.join(args.web, "voltari-files.json")) as f:
        listed = [entry["name"] for entry in json.load(f)]

    opened = chromium.start(args.web, args.chromium)
    if not opened:
        return chromium.SKIP
    browser, server, base = opened
    try:
        page = browser.open_page(f"{base}voltari.html")
        page.wait_for(shown("setupLayer"), timeout=300)
        if not page.evaluate("document.querySelector('link[rel=manifest]').href.endsWith('voltari.webmanifest')"):
            failures.append("the page does not point to its manifest")
        need = len(listed) + 2   # and the page itself and the list
        page.wait_for(f"caches.open('voltari').then(function(c){{return c.keys();}})"
                      f".then(function(k){{return k.length>={need} ? 1 : 0;}})", timeout=120)
        server.shutdown()
        server.server_close()
        server = None
        page.evaluate("window.firstVisit = 1")
        browser.call("Page.reload", {}, session=page.session)
        page.wait_for(f"typeof firstVisit === 'undefined' && {shown('setupLayer')}", timeout=120)
        if not page.evaluate("navigator.serviceWorker.controller ? 1 : 0"):
            failures.append("the page came back, but not from its kept copy (no service worker)")
        page.evaluate("document.getElementById('abort').click()")
        page.wait_for(shown("startLayer"), timeout=30)
        page.key("keyDown", "Enter", "Enter", 13)
        page.key("keyUp", "Enter", "Enter", 13)
        page.wait_for("Module.voltariView && Module.voltariView() ? 1 : 0", timeout=30)
        chromium.note_page_errors(page, failures, ignore=("Failed to load resource",))
    except chromium.BrowserError as e:
        failures.append(str(e))
    finally:
        browser.close()
        if server:
            server.shutdown()
    return chromium.report(failures, "offline: the page came back from its kept copy with no server and "
                                     "the game started")


if __name__ == "__main__":
    sys.exit(main())

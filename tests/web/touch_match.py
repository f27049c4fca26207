#!/usr/bin/env python3
"""A whole match played by touch alone in headless Chromium with touch
emulation, for the notes' screenshots (not a CTest case: a match lasts a
minute or two). The setup panel and the start screen by taps, "CPU EASY"
picked and started by taps, a finger sweeping the right half until the
match is over and the menu is back; checks that the court fits the window
without scroll bars at every step.

    touch_match.py --web BUILD-WEB --shots DIR [--size 844x390] ...
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402
from browser_touch import Court, centre, frames, paddles, rect_of, shown, swipe  # noqa: E402

FITS = ("(function(){var d=document.documentElement, c=document.getElementById('canvas').getBoundingClientRect();"
        "return d.scrollWidth<=innerWidth && d.scrollHeight<=innerHeight && c.left>=0 && c.top>=0 &&"
        " c.right<=innerWidth+0.5 && c.bottom<=innerHeight+0.5 ? 1 : 0;})()")


def play(browser, base, width, height, shots, problems):
    tag = f"{width}x{height}"
    page = browser.open_page(f"{base}voltari.html", width, height, touch=True)
    page.wait_for(shown("setupLayer"), timeout=300)
    page.screenshot(os.path.join(shots, f"{tag}-1-setup.png"))
    if not page.evaluate(FITS):
        problems.append(f"{tag}: the setup screen overflows")
    page.tap(*centre(rect_of(page, "abort")))
    page.wait_for(shown("startLayer"), timeout=30)
    court = Court(page)
    page.tap(*centre(rect_of(page, "playButton")))
    page.wait_for("Module.voltariView && Module.voltariView() ? 1 : 0", timeout=30)
    # Pick "CPU EASY" by a swipe down (the menu discards gestures made
    # before it is up); the description starts it.
    for _ in range(200):
        if paddles(page)["gameType"] == 1:
            break
        swipe(page, court, (600, 250), (600, 350))
        frames(page, 15)
    row1 = court.page_point(600, 300)
    page.screenshot(os.path.join(shots, f"{tag}-2-menu.png"))
    if not page.evaluate(FITS):
        problems.append(f"{tag}: the menu overflows")
    for _ in range(120):
        if paddles(page)["inMatch"]:
            break
        page.tap(*row1)   # the description: start
        frames(page, 15)
    started = time.monotonic()
    ys = [100, 300, 500, 300]
    step = 0
    page.touch("touchStart", [(1, *court.page_point(700, 300))])
    shot_mid = False
    while paddles(page)["inMatch"] and time.monotonic() - started < 600:
        x, y = 690, ys[step % len(ys)]
        page.touch("touchMove", [(1, *court.page_point(x, y))])
        step += 1
        frames(page, 20)
        if not shot_mid and time.monotonic() - started > 20:
            page.screenshot(os.path.join(shots, f"{tag}-3-match.png"))
            shot_mid = True
    page.touch("touchEnd", [])
    seconds = time.monotonic() - started
    if paddles(page)["inMatch"]:
        problems.append(f"{tag}: the match did not end within 600 s")
    frames(page, 60)
    page.screenshot(os.path.join(shots, f"{tag}-4-after.png"))
    if not page.evaluate(FITS):
        problems.append(f"{tag}: the court overflows")
    errors = page.errors()
    if errors:
        problems.append(f"{tag}: page errors: " + " | ".join(errors))
    print(f"{tag}: a whole match by touch in {seconds:.0f} s", flush=True)
    page.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--shots", required=True)
    ap.add_argument("--size", action="append")
    args = ap.parse_args()
    os.makedirs(args.shots, exist_ok=True)
    browser = chromium.Browser()
    server, base = chromium.serve(args.web)
    problems = []
    try:
        # A phone held upright is asked to turn; the picture of that only.
        page = browser.open_page(f"{base}voltari.html", 390, 844, touch=True)
        page.wait_for(shown("setupLayer"), timeout=300)
        page.screenshot(os.path.join(args.shots, "390x844-upright.png"))
        if not page.evaluate(shown("turn")):
            problems.append("390x844: no request to turn the phone")
        page.close()
        for size in args.size or ["844x390", "1024x768"]:
            w, h = (int(v) for v in size.split("x"))
            play(browser, base, w, h, args.shots, problems)
    finally:
        browser.close()
        server.shutdown()
    for p in problems:
        print("PROBLEM: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

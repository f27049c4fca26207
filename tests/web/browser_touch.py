#!/usr/bin/env python3
"""Touch play in headless Chromium with touch emulation, on a phone held
sideways (844 x 390): the setup panel and the start screen answer taps;
the court fits the window with no scroll bars; swipes in the menu move the
game type down and up, a tap on a game type row (narrower than a fingertip
here) does nothing, and a tap on the description starts a match for two
people. A finger held on the right half draws the right paddle to
itself, follows it back across the half and leaves the paddle resting where
it was let go; a second finger on the same half holds the smash (the paddle
stays put) until it is lifted; the left paddle is not touched meanwhile.
The corner button (Escape) leaves the match and then the game, the start
screen comes back, and a tap starts the game again without a reload.

    browser_touch.py --web BUILD-WEB [--shots DIR]

Exits 77 (skipped) with one line when the page is not built or Chromium
cannot start."""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402

WIDTH, HEIGHT = 844, 390    # CSS px: a phone held sideways
NEAR = 20                   # px (court): how close the paddle's centre must come
PADDLE_W, PADDLE_H = 20, 80


def centre(element_rect):
    return element_rect["x"] + element_rect["w"] / 2, element_rect["y"] + element_rect["h"] / 2


class Court:
    """Court px -> the page's CSS px, from where the canvas is drawn."""

    def __init__(self, page):
        r = page.evaluate("(function(){var r=document.getElementById('canvas').getBoundingClientRect();"
                          "return [r.left, r.top, r.width, r.height];})()")
        self.left, self.top, self.width, self.height = r

    def page_point(self, x, y):
        return self.left + x * self.width / 800, self.top + y * self.height / 600


def shown(element_id):
    """An expression: the element is there and not hidden."""
    return (f"(function(){{var e=document.getElementById('{element_id}');"
            "return e && !e.classList.contains('hidden') ? 1 : 0;})()")


def rect_of(page, element_id):
    r = page.evaluate(f"(function(){{var r=document.getElementById('{element_id}').getBoundingClientRect();"
                      "return {x: r.left, y: r.top, w: r.width, h: r.height};})()")
    return r


def paddles(page):
    return page.evaluate("Module.voltariView()")


def wait_paddle_near(page, side, x, y, timeout):
    """Polls until the paddle's centre is within NEAR px of (x, y)."""
    expr = (f"(function(){{var v=Module.voltariView(); if(!v) return 0; var p=v.{side};"
            f"return Math.abs(p.x+{PADDLE_W / 2}-{x})<={NEAR} && Math.abs(p.y+{PADDLE_H / 2}-{y})<={NEAR} ? 1 : 0;}})()")
    page.wait_for(expr, timeout=timeout, poll=0.1)


def swipe(page, court, start, end):
    """One finger from start to end (court px), in two moves."""
    (x0, y0), (x1, y1) = start, end
    page.touch("touchStart", [(0, *court.page_point(x0, y0))])
    page.touch("touchMove", [(0, *court.page_point((x0 + x1) / 2, (y0 + y1) / 2))])
    page.touch("touchMove", [(0, *court.page_point(x1, y1))])
    page.touch("touchEnd", [])


def frames(page, n):
    """Waits n animation frames of the page."""
    page.evaluate(f"new Promise(function(done){{var k={n};(function f(){{if(--k<=0) done(1); "
                  "else requestAnimationFrame(f);})();})")


def tap_until_match(page, point):
    """Taps the point until a match is on (a few seconds at most); whether one is."""
    for _ in range(120):
        if paddles(page)["inMatch"]:
            return True
        page.tap(*point)
        frames(page, 15)
    return False


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    ap.add_argument("--shots", help="folder for screenshots")
    args = ap.parse_args()

    opened = chromium.start(args.web, args.chromium)
    if not opened:
        return chromium.SKIP
    browser, server, base = opened
    failures = []
    try:
        page = browser.open_page(f"{base}voltari.html", WIDTH, HEIGHT, touch=True)
        page.wait_for(shown("setupLayer"), timeout=300)
        page.tap(*centre(rect_of(page, "abort")))
        page.wait_for(shown("startLayer"), timeout=30)
        court = Court(page)
        fits = page.evaluate("(function(){var d=document.documentElement;"
                             "return [d.scrollWidth<=innerWidth && d.scrollHeight<=innerHeight]})()")[0]
        if not fits or court.width > WIDTH or court.height > HEIGHT or court.left < 0 or court.top < 0:
            failures.append(f"the court does not fit {WIDTH} x {HEIGHT}: {vars(court)}")
        page.tap(*centre(rect_of(page, "start")))
        page.wait_for("Module.voltariView && Module.voltariView() ? 1 : 0", timeout=30)

        # The menu discards what came before it, so each gesture is made
        # until the menu answers, as a player would: a swipe down picks the
        # next game type, a swipe up the one before.
        for want, (y0, y1) in ((1, (250, 350)), (0, (350, 250))):
            for _ in range(120):
                if paddles(page)["gameType"] == want:
                    break
                swipe(page, court, (600, y0), (600, y1))
                frames(page, 15)
            else:
                failures.append(f"swiping did not pick game type {want}")
        # A tap on a row picks nothing here (rows are 20 CSS px); the
        # description starts the picked game type ("2 PLAYERS", row 0).
        page.tap(*court.page_point(200, 198 + 2 * 31))
        frames(page, 30)
        if paddles(page)["gameType"] != 0 or paddles(page)["inMatch"]:
            failures.append(f"a tap on a narrow game type row did something: {paddles(page)}")
        row0 = court.page_point(600, 300)
        if not tap_until_match(page, row0):
            failures.append("tapping the description did not start a match")
            raise chromium.BrowserError("no match")
        if paddles(page)["gameType"] != 0:
            failures.append(f"the match is of game type {paddles(page)['gameType']}, not 0")
        if args.shots:
            page.screenshot(os.path.join(args.shots, "touch-match-start.png"))

        left_before = paddles(page)["left"]
        # One finger on the right half: up to the top right, then down to
        # the bottom near the centre line, then let go.
        for step, (x, y) in enumerate([(700, 90), (560, 500)]):
            kind = "touchStart" if step == 0 else "touchMove"
            page.touch(kind, [(1, *court.page_point(x, y))])
            try:
                wait_paddle_near(page, "right", x, y, timeout=30)
            except chromium.BrowserError:
                failures.append(f"the right paddle did not come to ({x}, {y}): {paddles(page)['right']}")
        if args.shots:
            page.screenshot(os.path.join(args.shots, "touch-match-steered.png"))
        # A second finger on the same half holds the smash: the paddle stays
        # while the first finger moves away, and follows once it is lifted.
        page.touch("touchStart", [(1, *court.page_point(560, 500)), (2, *court.page_point(760, 300))])
        frames(page, 10)
        held_at = paddles(page)["right"]
        page.touch("touchMove", [(1, *court.page_point(700, 90)), (2, *court.page_point(760, 300))])
        frames(page, 30)
        if paddles(page)["right"] != held_at:
            failures.append(f"the right paddle moved while a second finger held the smash: "
                            f"{held_at} -> {paddles(page)['right']}")
        # Both fingers lifted, the first one down again where it was.
        page.touch("touchEnd", [])
        page.touch("touchStart", [(1, *court.page_point(700, 90))])
        try:
            wait_paddle_near(page, "right", 700, 90, timeout=30)
        except chromium.BrowserError:
            failures.append(f"the right paddle did not follow after the smash: {paddles(page)['right']}")
        page.touch("touchEnd", [])
        frames(page, 10)
        rest = paddles(page)["right"]
        frames(page, 30)
        after = paddles(page)["right"]
        if rest != after:
            failures.append(f"the right paddle moved on after the finger left: {rest} -> {after}")
        if paddles(page)["left"] != left_before:
            failures.append(f"the left paddle moved: {left_before} -> {paddles(page)['left']}")

        # Leaving: the corner button is Escape. The first leaves the match,
        # the next quit from the menu; the start screen comes back and a
        # tap starts the game again in the same page.
        escape = centre(rect_of(page, "escape"))
        for _ in range(120):
            if page.evaluate(shown("startLayer")):
                break
            page.tap(*escape)
            frames(page, 15)
        else:
            raise chromium.BrowserError("Escape by touch did not lead back to the start screen")
        page.tap(*centre(rect_of(page, "playButton")))
        page.wait_for("Module.voltariView && Module.voltariView() ? 1 : 0", timeout=30)
        if not tap_until_match(page, row0):
            failures.append("the game started again did not start a match by touch")
        chromium.note_page_errors(page, failures)
    except chromium.BrowserError as e:
        failures.append(str(e))
    finally:
        browser.close()
        server.shutdown()
    return chromium.report(failures, "touch: the right paddle followed a finger there and back and stopped when it left; "
              "Escape by touch led back to the start screen and the game started again")


if __name__ == "__main__":
    sys.exit(main())

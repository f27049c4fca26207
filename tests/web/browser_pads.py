#!/usr/bin/env python3
"""Pads in headless Chromium, with stand-in pads in the browser's
"standard" layout behind navigator.getGamepads: the setup panel is worked
with a pad (d-pad down from SAVE to "enable Joypads", A ticks it, Start saves, A
closes the message, A starts), the game takes up the first pad as
joystick 0 and a second one plugged in later, in the menu, as joystick 1;
releasing A starts a match; the first pad's d-pad and stick steer the right
paddle, the second pad's d-pad the left one, and the paddles stop when the
pad is let go.

    browser_pads.py --web BUILD-WEB

Exits 77 (skipped) with one line when the page is not built or Chromium
cannot start."""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402
from browser_touch import frames, paddles, shown  # noqa: E402

A, START, UP, DOWN, LEFT, RIGHT = 0, 9, 12, 13, 14, 15   # standard layout buttons
MOVED = 40   # px the paddle must travel

# Stand-in pads: testPads.plug(i) connects pad i; button and axis change it
# as a browser would (a new timestamp on every change).
FAKE_PADS = """
(function () {
  var pads = [null, null, null, null];
  function makePad(i) {
    var buttons = [];
    for (var b = 0; b < 17; ++b) buttons.push({ pressed: false, touched: false, value: 0 });
    return { id: 'Stand-in pad ' + i + ' (STANDARD GAMEPAD)', index: i, connected: true, mapping: 'standard',
             timestamp: 1, axes: [0, 0, 0, 0], buttons: buttons };
  }
  navigator.getGamepads = function () { return pads; };
  window.testPads = {
    plug: function (i) {
      pads[i] = makePad(i);
      var e = new Event('gamepadconnected');
      e.gamepad = pads[i];
      window.dispatchEvent(e);
    },
    button: function (i, b, down) {
      pads[i].buttons[b] = { pressed: down, touched: down, value: down ? 1 : 0 };
      pads[i].timestamp++;
    },
    axis: function (i, a, value) { pads[i].axes[a] = value; pads[i].timestamp++; },
  };
})();
"""


def press(page, pad, b, down):
    page.evaluate(f"testPads.button({pad}, {b}, {'true' if down else 'false'})")
    frames(page, 4)


def click(page, pad, b):
    press(page, pad, b, True)
    press(page, pad, b, False)


def wait_moved(page, side, axis, sign, start, timeout=30):
    expr = (f"(function(){{var v=Module.voltariView(); return v && ({sign})*(v.{side}.{axis}-({start}))"
            f">={MOVED} ? 1 : 0;}})()")
    page.wait_for(expr, timeout=timeout, poll=0.1)


def still(page, side):
    frames(page, 10)
    before = paddles(page)[side]
    frames(page, 30)
    return before == paddles(page)[side]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    args = ap.parse_args()

    opened = chromium.start(args.web, args.chromium)
    if not opened:
        return chromium.SKIP
    browser, server, base = opened
    failures = []
    try:
        target = browser.call("Target.createTarget", {"url": "about:blank"})
        session = browser.call("Target.attachToTarget", {"targetId": target["targetId"],
                                                         "flatten": True})["sessionId"]
        browser.call("Runtime.enable", session=session)
        browser.call("Page.enable", session=session)
        browser.call("Page.addScriptToEvaluateOnNewDocument", {"source": FAKE_PADS}, session=session)
        browser.call("Page.navigate", {"url": f"{base}voltari.html"}, session=session)
        page = chromium.Page(browser, session, target["targetId"])

        page.wait_for(shown("setupLayer"), timeout=300)
        page.evaluate("testPads.plug(0)")
        frames(page, 4)
        for _ in range(3):             # from SAVE past Abort and "Fullscreen"
            click(page, 0, DOWN)       # to "enable Joypads"
        click(page, 0, A)
        if not page.evaluate("document.getElementById('box1001').checked"):
            failures.append("the pad did not tick \"enable Joypads\"")
        click(page, 0, START)          # SAVE
        page.wait_for(shown("messageLayer"), timeout=30)
        click(page, 0, A)              # OK
        page.wait_for(shown("startLayer"), timeout=30)
        click(page, 0, A)              # start
        page.wait_for("Module.voltariView && Module.voltariView() ? 1 : 0", timeout=30)

        # A second pad, plugged in once the game runs, is the left player's.
        page.evaluate("testPads.plug(1)")
        # Button 0 released starts the match; the menu discards what came
        # before it, so press until the match is on, as a player would.
        for _ in range(120):
            if paddles(page)["inMatch"]:
                break
            click(page, 0, A)
            frames(page, 10)
        else:
            raise chromium.BrowserError("releasing A on the pad did not start a match")

        start = paddles(page)
        press(page, 0, UP, True)
        try:
            wait_moved(page, "right", "y", -1, start["right"]["y"])
        except chromium.BrowserError:
            failures.append(f"d-pad up of pad 1 did not move the right paddle up: {paddles(page)['right']}")
        press(page, 0, UP, False)
        if not still(page, "right"):
            failures.append("the right paddle moved on after the d-pad was let go")

        now = paddles(page)["right"]
        # A stick passes through the values on the way (SDL2 takes the first
        # value it sees on an axis for where the axis rests).
        for value in (-0.3, -0.6, -1):
            page.evaluate(f"testPads.axis(0, 0, {value})")
            frames(page, 4)
        try:
            wait_moved(page, "right", "x", -1, now["x"])
        except chromium.BrowserError:
            failures.append(f"the stick of pad 1 did not move the right paddle left: {paddles(page)['right']}")
        page.evaluate("testPads.axis(0, 0, 0)")
        if not still(page, "right"):
            failures.append("the right paddle moved on after the stick was let go")

        press(page, 1, DOWN, True)
        try:
            wait_moved(page, "left", "y", 1, start["left"]["y"])
        except chromium.BrowserError:
            failures.append(f"d-pad down of pad 2 (plugged in late) did not move the left paddle: "
                            f"{paddles(page)['left']}")
        press(page, 1, DOWN, False)
        if not still(page, "left"):
            failures.append("the left paddle moved on after the d-pad was let go")
        chromium.note_page_errors(page, failures)
    except chromium.BrowserError as e:
        failures.append(str(e))
    finally:
        browser.close()
        server.shutdown()
    return chromium.report(failures, "pads: the setup panel, the start screen, the menu and both paddles answer pads in the "
              "standard layout, a pad plugged in late included")


if __name__ == "__main__":
    sys.exit(main())

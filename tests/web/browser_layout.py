#!/usr/bin/env python3
"""The page's own screens fit a phone held upright (390 x 844), held sideways
(844 x 390) and a tablet upright (820 x 1180), with touch: on the setup
panel, the message box, the start screen (also with a note under Join) and
in the game, no visible control or text overlaps another (bounding boxes),
each lies inside the window, and every control a finger uses is at least
44 CSS px high and wide; the Escape button lies off the court. The start
screen says how touch play works and only an upright screen is asked to
turn; Play anyone, where no relay answers, says so under its own button,
and that note fits too. Then the rooms' side of the start screen: Host, Play
anyone and a room code go to the relay named by relay.json beside the page,
or ?relay= over it, and when nothing answers there the start screen comes
back saying which relay could not be reached; a code is read in any case with or without its
dash, look-alikes are refused, ?join=CODE fills the field, and a room the
game opened shows its code and link. Last, a window
of the court's own shape (4:3), where the Escape button has to lie on the
court: in a match its first tap only asks for a second.

    browser_layout.py --web BUILD-WEB [--shots DIR]

Exits 77 (skipped) with one line when the page is not built or Chromium
cannot start."""

import argparse
import json
import os
import shutil
import socket
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402
from browser_touch import Court, centre, frames, rect_of, shown, tap_until_match  # noqa: E402

SIZES = [(390, 844, "phone-upright"), (844, 390, "phone-sideways"), (820, 1180, "tablet-upright")]
FINGER = 44   # CSS px: the least a control a finger uses may measure each way

# Every visible control and text of a screen, with its box and whether a
# finger uses it. A text is its element's box; a check box counts as
# part of its label, which a finger uses.
BOXES = """(function (root) {
  var out = [];
  var picks = root.querySelectorAll('button, input, #setup label, #setup .caption, #setup legend, ' +
                                    '#messageText, #start, #startPanel p, #startPanel h2, #hostNote, ' +
                                    '#join > label, #joinNote, #anyoneAbout, #anyoneNote, #roomCode, #roomLink');
  picks.forEach(function (e) {
    if (e.closest('#setup label') && e.tagName === 'INPUT') return;
    if (e.closest('.hidden') || e.offsetParent === null) return;
    var r = e.getBoundingClientRect();
    if (r.width === 0 || r.height === 0) return;
    var finger = /^(BUTTON|INPUT)$/.test(e.tagName) || !!e.closest('#setup label');
    out.push({ id: e.id || e.tagName.toLowerCase() + ':' + e.textContent.trim().slice(0, 24), finger: finger,
               x: r.left, y: r.top, w: r.width, h: r.height });
  });
  return out;
})(document.getElementById(%r))"""


def overlap(a, b):
    return (min(a["x"] + a["w"], b["x"] + b["w"]) - max(a["x"], b["x"]) > 0.5 and
            min(a["y"] + a["h"], b["y"] + b["h"]) - max(a["y"], b["y"]) > 0.5)


def check_screen(page, root, size, what, failures):
    """No two boxes overlap, each lies in the window, fingers' controls are
    big enough."""
    width, height = size
    boxes = page.evaluate(BOXES % root)
    if not boxes:
        failures.append(f"{what}: nothing visible")
    for i, a in enumerate(boxes):
        if a["x"] < -0.5 or a["y"] < -0.5 or a["x"] + a["w"] > width + 0.5 or a["y"] + a["h"] > height + 0.5:
            failures.append(f"{what}: {a['id']} leaves the window: {a}")
        if a["finger"] and (a["w"] < FINGER or a["h"] < FINGER):
            failures.append(f"{what}: {a['id']} is {a['w']:.0f} x {a['h']:.0f} CSS px, under {FINGER}")
        for b in boxes[i + 1:]:
            if overlap(a, b):
                failures.append(f"{what}: {a['id']} overlaps {b['id']}")
    fingers = [b for b in boxes if b["finger"]]
    if fingers:
        least = min(fingers, key=lambda b: min(b["w"], b["h"]))
        print(f"{what}: {len(boxes)} boxes, the smallest control {least['id']} "
              f"{least['w']:.0f} x {least['h']:.0f} CSS px")
    return boxes


def to_start(page, failures, size, name, shots):
    """From a fresh page: the setup panel, SAVE, its message, OK, the start screen; each checked."""
    page.wait_for(shown("setupLayer"), timeout=300)
    check_screen(page, "setupLayer", size, f"{name} setup panel", failures)
    if shots:
        page.screenshot(os.path.join(shots, f"layout-{name}-setup.png"))
    page.tap(*centre(rect_of(page, "save")))
    page.wait_for(shown("messageLayer"), timeout=30)
    check_screen(page, "messageLayer", size, f"{name} message box", failures)
    page.tap(*centre(rect_of(page, "messageOk")))
    page.wait_for(shown("startLayer"), timeout=30)


def sizes(browser, base, shots, failures):
    shut = socket.socket()
    try:
        shut.bind(("127.0.0.1", 0))
        for width, height, name in SIZES:
            one_size(browser, base, shots, (width, height), name, nobody_at(shut), failures)
    finally:
        shut.close()


def one_size(browser, base, shots, size, name, relay, failures):
    """The screens at one size; the page's relay is one where nothing listens."""
    width, height = size
    page = browser.open_page(f"{base}voltari.html?relay={relay}", width, height, touch=True)
    to_start(page, failures, size, name, shots)
    boxes = {b["id"]: b for b in check_screen(page, "startLayer", size, f"{name} start screen", failures)}
    for needed in ("start", "playButton", "howTouch", "hostButton", "joinAddress", "joinButton", "watchButton",
                   "anyoneButton"):
        if needed not in boxes:
            failures.append(f"{name}: the start screen does not show {needed}")
    upright = height > width
    if ("turn" in boxes) != upright:
        failures.append(f"{name}: the hint to turn the screen is {'missing' if upright else 'shown'}")
    if "phone" in page.evaluate("document.getElementById('turn').textContent"):
        failures.append(f"{name}: the hint to turn says phone, and a tablet is no phone")
    if shots:
        page.screenshot(os.path.join(shots, f"layout-{name}-start.png"))
    # The relay's client is loaded only when asked for.
    fetched = page.evaluate("performance.getEntriesByType('resource').map(function (e) { return e.name; })")
    if any(n.endswith(("/relay.js", "/nats-core.js")) for n in fetched):
        failures.append(f"{name}: the start screen loaded the relay's client")
    # A note under Join makes the panel taller: still no overlap.
    page.evaluate("document.getElementById('joinAddress').value = 'K7QX-2M9O'; 1")
    page.tap(*centre(rect_of(page, "joinButton")))
    page.wait_for(shown("joinNote"), timeout=30)
    check_screen(page, "startLayer", size, f"{name} start screen with a note", failures)
    if shots:
        page.screenshot(os.path.join(shots, f"layout-{name}-note.png"))
    # Play anyone with no relay there: the note moves under its button.
    page.tap(*centre(rect_of(page, "anyoneButton")))
    page.wait_for(shown("anyoneNote"), timeout=60)
    page.wait_for(shown("startLayer"), timeout=60)
    said = page.evaluate("document.getElementById('anyoneNote').textContent")
    if not said.startswith(f"Cannot reach the relay at {relay} (") or page.evaluate(shown("joinNote")):
        failures.append(f"{name}: Play anyone with no relay there says {said!r} under its button")
    check_screen(page, "startLayer", size, f"{name} start screen with Play anyone's note", failures)
    if shots:
        page.screenshot(os.path.join(shots, f"layout-{name}-anyone-note.png"))

    # The game: the Escape button lies off the court, and so does a
    # room's box, which shows its code and link without overlapping it.
    page.tap(*centre(rect_of(page, "playButton")))
    page.wait_for("Module.voltariView && Module.voltariView() ? 1 : 0", timeout=30)
    page.evaluate("Module.onRoomOpened('K7QX-2M9P'); 1")
    boxes = check_screen(page, "stage", size, f"{name} in the game", failures)
    court = rect_of(page, "canvas")
    for box in boxes:
        if box["id"] == "escape" and overlap(box, court):
            failures.append(f"{name}: the Escape button lies on the court: {box} {court}")
    link = page.evaluate("document.getElementById('roomLink').textContent")
    if not link.endswith("voltari.html?join=K7QX-2M9P"):
        failures.append(f"{name}: the room's link is {link}")
    if shots:
        page.screenshot(os.path.join(shots, f"layout-{name}-room.png"))
    chromium.note_page_errors(page, failures)
    page.close()


def note_after(page, expression):
    page.evaluate("document.getElementById('joinNote').textContent = ''; 1")
    page.evaluate(expression)
    page.wait_for("document.getElementById('joinNote').textContent ? 1 : 0", timeout=30)
    return page.evaluate("document.getElementById('joinNote').textContent")


def nobody_at(shut):
    """A relay's URL at a port of our own that never listens."""
    return f"ws://127.0.0.1:{shut.getsockname()[1]}"


def rooms(browser, base, top, folder, failures):
    """Codes, the relay's address, ?join=CODE and ?host (the published copy
    at top), against relays where nothing listens."""
    shut = [socket.socket(), socket.socket()]
    try:
        for s in shut:
            s.bind(("127.0.0.1", 0))
        rooms_nobody_there(browser, base, top, folder, shut, failures)
    finally:
        for s in shut:
            s.close()


def rooms_nobody_there(browser, base, top, folder, shut, failures):
    page = browser.open_page(f"{base}voltari.html?join=k7qx2m9p&relay={nobody_at(shut[0])}", touch=True)
    page.wait_for(shown("setupLayer"), timeout=300)
    page.evaluate("document.getElementById('abort').click(); 1")
    page.wait_for(shown("startLayer"), timeout=30)
    if page.evaluate("document.getElementById('joinAddress').value") != "K7QX-2M9P":
        failures.append("?join=k7qx2m9p fills the field with " +
                        page.evaluate("document.getElementById('joinAddress').value"))
    if "room K7QX-2M9P" not in page.evaluate("document.getElementById('start').textContent"):
        failures.append("?join=CODE: the start screen says " + page.evaluate("document.getElementById('start').textContent"))
    said = note_after(page, "document.getElementById('joinButton').click(); 1")
    page.wait_for(shown("startLayer"), timeout=60)
    if f"Cannot reach the relay at {nobody_at(shut[0])}" not in said:
        failures.append("Join with a code and no relay there says: " + said)
    for typed in ("K7QX-2M9O", "1234-5678"):
        page.evaluate(f"document.getElementById('joinAddress').value = {typed!r}; 1")
        said = note_after(page, "document.getElementById('watchButton').click(); 1")
        if "no 0, 1, I or O" not in said:
            failures.append(f"Watch with {typed} says: {said}")
    chromium.note_page_errors(page, failures)
    page.close()

    # relay.json beside the page names the relay; ?relay= overrides it; ?host
    # hosts and ?anyone plays anyone at once.
    named, asked = nobody_at(shut[0]), nobody_at(shut[1])
    with open(os.path.join(folder, "relay.json"), "w") as f:
        json.dump({"relay": named}, f)
    for query, relay, note in (("host", named, "joinNote"), (f"host&relay={asked}", asked, "joinNote"),
                               ("anyone", named, "anyoneNote"), (f"anyone&relay={asked}", asked, "anyoneNote")):
        page = browser.open_page(f"{top}published/voltari.html?{query}", touch=True)
        page.wait_for(shown("setupLayer"), timeout=300)
        page.evaluate("document.getElementById('abort').click(); 1")
        page.wait_for(shown(note), timeout=30)
        said = page.evaluate(f"document.getElementById({note!r}).textContent")
        print(f"?{query}: {said}")
        if not said.startswith(f"Cannot reach the relay at {relay} ("):
            failures.append(f"?{query} says: {said}")
        chromium.note_page_errors(page, failures)
        page.close()


def escape_on_court(browser, base, failures):
    """A 4:3 window: Escape over the court's corner asks for a second tap in a match."""
    page = browser.open_page(f"{base}voltari.html", 800, 600, touch=True)
    page.wait_for(shown("setupLayer"), timeout=300)
    page.evaluate("document.getElementById('abort').click(); 1")
    page.wait_for(shown("startLayer"), timeout=30)
    page.tap(*centre(rect_of(page, "playButton")))
    page.wait_for("Module.voltariView && Module.voltariView() ? 1 : 0", timeout=30)
    court = Court(page)
    if not tap_until_match(page, court.page_point(600, 300)):
        failures.append("4:3: a tap on the description did not start a match")
        return
    escape = rect_of(page, "escape")
    if not overlap(escape, rect_of(page, "canvas")):
        failures.append(f"4:3: the Escape button is not where expected: {escape}")
    page.tap(*centre(escape))
    frames(page, 30)
    armed = page.evaluate("document.getElementById('escape').textContent")
    if not page.evaluate("Module.voltariView().inMatch") or "again" not in armed:
        failures.append(f"4:3: one tap on Escape over the court left the match (it says {armed!r})")
    page.tap(*centre(rect_of(page, "escape")))
    try:
        page.wait_for("Module.voltariView().inMatch ? 0 : 1", timeout=30, poll=0.1)
    except chromium.BrowserError:
        failures.append("4:3: a second tap on Escape did not leave the match")
    chromium.note_page_errors(page, failures)
    page.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--chromium", default="/usr/bin/chromium")
    ap.add_argument("--shots", help="folder for screenshots")
    args = ap.parse_args()
    if not os.path.exists(os.path.join(args.web, "voltari.html")):
        print(f"SKIP: {os.path.join(args.web, 'voltari.html')} is not built (make web)")
        return chromium.SKIP
    # The page as served, and beside it a copy as a publisher lays it out,
    # with its own relay.json.
    folder = tempfile.mkdtemp(prefix="voltari-layout-")
    web = os.path.abspath(args.web)
    os.symlink(web, os.path.join(folder, "page"))
    published = os.path.join(folder, "published")
    os.mkdir(published)
    for name in os.listdir(web):
        if os.path.isfile(os.path.join(web, name)):
            os.symlink(os.path.join(web, name), os.path.join(published, name))
    opened = chromium.start(folder, args.chromium, page="page/voltari.html")
    if not opened:
        shutil.rmtree(folder, ignore_errors=True)
        return chromium.SKIP
    browser, server, base = opened
    failures = []
    try:
        sizes(browser, base + "page/", args.shots, failures)
        rooms(browser, base + "page/", base, published, failures)
        escape_on_court(browser, base + "page/", failures)
    except chromium.BrowserError as e:
        failures.append(str(e))
    finally:
        browser.close()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)
    return chromium.report(failures, "layout: the page's screens fit 390 x 844, 844 x 390 and 820 x 1180 by touch, "
                                     "Escape stays off the court or asks twice, and rooms say what they need")


if __name__ == "__main__":
    sys.exit(main())

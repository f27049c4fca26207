#!/usr/bin/env python3
"""The page's figures, measured in headless Chromium on 127.0.0.1 (not a
test: it prints numbers for the notes).

  - bytes the page downloads up to its setup panel, from a server that
    compresses nothing and from one that gzips text (web/serve.py);
  - seconds from navigation to the setup panel and to the menu at 10 Mbit/s
    with 40 ms latency (Chromium's network emulation), from both servers;
  - the CPU share of 30 s of a computer match (renderer and GPU processes,
    CPU time over wall time from /proc), for this page and, with --before,
    for another build of the page.

    page_figures.py --web BUILD-WEB [--before OTHER-BUILD-WEB] [--seconds 30]
"""

import argparse
import os
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
sys.path.insert(0, os.path.join(here, "..", "..", "web"))
import chromium  # noqa: E402
import serve  # noqa: E402
from browser_touch import frames, shown  # noqa: E402

MBIT = 10          # Mbit/s of the emulated network
LATENCY = 40       # ms
# The menu on screen: court pixels and their colours in the native menu
# picture (docs/screenshots/menu.png), within TOLERANCE per channel.
MENU_PIXELS = None
TOLERANCE = 40


def menu_pixels():
    """(x, y, (r, g, b)) at a few points of the native menu picture."""
    import zlib
    import struct
    path = os.path.join(here, "..", "..", "docs", "screenshots", "menu.png")
    with open(path, "rb") as f:
        data = f.read()
    pos, chunks, width = 8, b"", 0
    colour_type = 2
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            chunks += body
        pos += 12 + length
    raw = zlib.decompress(chunks)
    bpp = 4 if colour_type == 6 else 3
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(len(raw) // (stride + 1)):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    points = [(200, 198), (100, 260), (560, 440), (120, 580), (400, 60)]
    return [(x, y, tuple(rows[y][x * bpp:x * bpp + 3])) for x, y in points]


def menu_on_screen_expr():
    checks = " && ".join(
        f"near(ctx.getImageData({x},{y},1,1).data,[{r},{g},{b}])" for x, y, (r, g, b) in MENU_PIXELS)
    return ("(function(){var c=document.getElementById('canvas'); if(!c||c.width!==800) return 0;"
            "var ctx=c.getContext('2d'); if(!ctx) return 0;"
            f"function near(p,q){{for(var i=0;i<3;++i) if(Math.abs(p[i]-q[i])>{TOLERANCE}) return false;"
            "return true;}"
            f"return {checks} ? 1 : 0;}})()")


def open_tab(browser, url, throttle):
    target = browser.call("Target.createTarget", {"url": "about:blank"})
    session = browser.call("Target.attachToTarget", {"targetId": target["targetId"], "flatten": True})["sessionId"]
    for method in ("Runtime.enable", "Page.enable", "Network.enable"):
        browser.call(method, session=session)
    browser.call("Network.setCacheDisabled", {"cacheDisabled": True}, session=session)
    if throttle:
        rate = MBIT * 1e6 / 8
        browser.call("Network.emulateNetworkConditions",
                     {"offline": False, "latency": LATENCY, "downloadThroughput": rate,
                      "uploadThroughput": rate}, session=session)
    browser.call("Emulation.setDeviceMetricsOverride",
                 {"width": 1024, "height": 768, "deviceScaleFactor": 1, "mobile": False}, session=session)
    started = time.monotonic()
    browser.call("Page.navigate", {"url": url}, session=session)
    return chromium.Page(browser, session, target["targetId"]), started


def downloaded(browser, session):
    return sum(e["params"]["encodedDataLength"] for e in browser.events
               if e.get("sessionId") == session and e["method"] == "Network.loadingFinished")


def start_game(page, music=True):
    if not music:   # SAVE with "play Music" unticked, then OK
        page.evaluate("document.getElementById('box1002').checked = false; document.getElementById('save').click()")
        page.wait_for(shown("messageLayer"), timeout=30, poll=0.05)
        page.evaluate("document.getElementById('messageOk').click()")
    else:
        page.evaluate("document.getElementById('abort').click()")
    page.wait_for(shown("startLayer"), timeout=30, poll=0.05)
    page.key("keyDown", "Enter", "Enter", 13)
    page.key("keyUp", "Enter", "Enter", 13)


def key_tap(page, key, code, keycode):
    page.key("keyDown", key, code, keycode)
    frames(page, 6)
    page.key("keyUp", key, code, keycode)
    frames(page, 20)


def load_figures(folder, compress):
    """Bytes to the setup panel, then (in a fresh browser, so that no kept
    copy of the first visit answers) seconds to the setup panel and to the
    menu on the throttled network."""
    server = serve.make_server(folder, 0, compress)
    import threading
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}/"
    try:
        browser = chromium.Browser()
        try:
            page, t0 = open_tab(browser, base + "voltari.html", throttle=False)
            page.wait_for(shown("setupLayer"), timeout=120, poll=0.05)
            frames(page, 5)
            bytes_ = downloaded(browser, page.session)
        finally:
            browser.close()
        browser = chromium.Browser()
        try:
            page, t0 = open_tab(browser, base + "voltari.html", throttle=True)
            page.wait_for(shown("setupLayer"), timeout=300, poll=0.05)
            setup_s = time.monotonic() - t0
            start_game(page)
            page.wait_for(menu_on_screen_expr(), timeout=120, poll=0.05)
            menu_s = time.monotonic() - t0
        finally:
            browser.close()
    finally:
        server.shutdown()
    return bytes_, setup_s, menu_s


def process_cpu(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])   # utime + stime, clock ticks


def chromium_parts(root):
    """{pid: kind} of the renderer and GPU processes under root."""
    parts = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/cmdline", "rb") as f:
                cmd = f.read().replace(b"\0", b" ").split()   # Chromium rewrites its argv as one string
            with open(f"/proc/{name}/stat") as f:
                ppid = int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        kind = next((a.decode()[7:] for a in cmd if a.startswith(b"--type=")), None)
        if kind in ("renderer", "gpu-process") and (ppid == root or _descends(ppid, root)):
            parts[int(name)] = kind
    return parts


def _descends(pid, root):
    for _ in range(8):
        if pid == root:
            return True
        try:
            with open(f"/proc/{pid}/stat") as f:
                pid = int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            return False
        if pid <= 1:
            return False
    return False


def cpu_share(folder, seconds, music=True):
    server, base = chromium.serve(folder)
    browser = chromium.Browser()
    try:
        page = browser.open_page(base + "voltari.html", 1024, 768)
        page.wait_for(shown("setupLayer"), timeout=300)
        start_game(page, music)
        page.wait_for(menu_on_screen_expr(), timeout=120, poll=0.1)
        for _ in range(4):
            key_tap(page, "ArrowDown", "ArrowDown", 40)   # to "CPU vs CPU"
        key_tap(page, "Enter", "Enter", 13)
        time.sleep(5)   # the court fades in and the paddles appear
        parts = chromium_parts(browser.proc.pid)
        ticks = os.sysconf("SC_CLK_TCK")
        before = {pid: process_cpu(pid) for pid in parts}
        t = time.monotonic()
        time.sleep(seconds)
        wall = time.monotonic() - t
        share = {"renderer": 0.0, "gpu-process": 0.0}
        for pid, kind in parts.items():
            share[kind] += (process_cpu(pid) - before[pid]) / ticks / wall * 100
        in_match = page.evaluate("Module.voltariView ? (Module.voltariView()||{}).inMatch : null")
    finally:
        browser.close()
        server.shutdown()
    return share, in_match


def main():
    global MENU_PIXELS
    ap = argparse.ArgumentParser()
    ap.add_argument("--web", required=True)
    ap.add_argument("--before", help="another build of the page, for the CPU share before")
    ap.add_argument("--seconds", type=int, default=30)
    ap.add_argument("--skip-load", action="store_true")
    ap.add_argument("--no-music", action="store_true", help="the CPU share with \"play Music\" unticked")
    args = ap.parse_args()
    MENU_PIXELS = menu_pixels()

    for name, folder in (("before", args.before), ("after", args.web)):
        if not folder or args.skip_load:
            continue
        for compress in (False, True):
            b, setup_s, menu_s = load_figures(folder, compress)
            label = "gzip server" if compress else "plain server"
            print(f"load {name}, {label}: {b} bytes ({b / 1e6:.2f} MB) to the setup panel; at {MBIT} Mbit/s + "
                  f"{LATENCY} ms: setup panel {setup_s:.1f} s, menu {menu_s:.1f} s", flush=True)
    for name, folder in (("before", args.before), ("after", args.web)):
        if not folder:
            continue
        share, in_match = cpu_share(folder, args.seconds, not args.no_music)
        print(f"cpu {name}{' without music' if args.no_music else ''}: renderer {share['renderer']:.1f}% + GPU process {share['gpu-process']:.1f}% = "
              f"{share['renderer'] + share['gpu-process']:.1f}% of a core over {args.seconds} s "
              f"(in a match: {in_match})", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""A headless Chromium driven over its DevTools protocol on a pipe (fds 3
and 4, NUL-delimited JSON), and a static file server on 127.0.0.1; only
the Python standard library."""

import fcntl
import functools
import http.server
import json
import os
import select
import shutil
import subprocess
import tempfile
import threading
import time


class BrowserError(Exception):
    pass


class Browser:
    def __init__(self, binary="/usr/bin/chromium", start_timeout=30, extra_args=()):
        if not os.path.exists(binary):
            raise BrowserError(f"{binary} is not installed")
        self.profile = tempfile.mkdtemp(prefix="voltari-chromium-")
        to_chrome_r, self._to_chrome = os.pipe()
        self._from_chrome, from_chrome_w = os.pipe()
        args = [binary, "--headless", "--remote-debugging-pipe", "--disable-gpu",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--no-first-run", "--no-default-browser-check", "--mute-audio",
                "--autoplay-policy=no-user-gesture-required",
                f"--user-data-dir={self.profile}", *extra_args, "about:blank"]
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")

        def pipes():
            # Lift both ends above 4 first: a pipe end that already is fd 3
            # or 4 would be clobbered, or kept close-on-exec by a dup2 onto
            # itself.
            r = fcntl.fcntl(to_chrome_r, fcntl.F_DUPFD, 10)
            w = fcntl.fcntl(from_chrome_w, fcntl.F_DUPFD, 10)
            os.dup2(r, 3)
            os.dup2(w, 4)

        self.proc = subprocess.Popen(args, preexec_fn=pipes, close_fds=False, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        try:
            self.call("Browser.getVersion", timeout=start_timeout)
        except BrowserError:
            self.close()
            raise

    def close(self):
        if self.proc.poll() is None:
            try:
                self._send({"id": -1, "method": "Browser.close"})
                self.proc.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()
        for fd in (self._to_chrome, self._from_chrome):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)

    def _send(self, message):
        os.write(self._to_chrome, json.dumps(message).encode() + b"\0")

    def _read(self, timeout):
        """One message, or None when none came within the timeout (s)."""
        deadline = time.monotonic() + timeout
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self._from_chrome], [], [], left)
            if not ready:
                return None
            chunk = os.read(self._from_chrome, 1 << 20)
            if not chunk:
                raise BrowserError("Chromium closed its DevTools pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=None, timeout=60):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self._send(message)
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read(max(0.0, deadline - time.monotonic()))
            if reply is None:
                raise BrowserError(f"no answer to {method} within {timeout} s")
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise BrowserError(f"{method}: {reply['error'].get('message')}")
                return reply.get("result", {})
            if "method" in reply:
                self.events.append(reply)

    def open_page(self, url, width=800, height=600, touch=False):
        target = self.call("Target.createTarget", {"url": "about:blank"})
        session = self.call("Target.attachToTarget", {"targetId": target["targetId"], "flatten": True})["sessionId"]
        self.call("Runtime.enable", session=session)
        self.call("Page.enable", session=session)
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": touch}, session=session)
        if touch:
            self.call("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5},
                      session=session)
        self.call("Page.navigate", {"url": url}, session=session)
        return Page(self, session, target["targetId"])


class Page:
    def __init__(self, browser, session, target):
        self.browser = browser
        self.session = session
        self.target = target

    def evaluate(self, expression, timeout=60):
        result = self.browser.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                        "awaitPromise": True}, session=self.session,
                                   timeout=timeout)
        if "exceptionDetails" in result:
            raise BrowserError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result.get("result", {}).get("value")

    def errors(self):
        """Uncaught exceptions and console errors of this page so far."""
        out = []
        for e in self.browser.events:
            if e.get("sessionId") != self.session:
                continue
            if e["method"] == "Runtime.exceptionThrown":
                details = e["params"]["exceptionDetails"]
                out.append(details.get("exception", {}).get("description") or details.get("text"))
            elif e["method"] == "Runtime.consoleAPICalled" and e["params"]["type"] == "error":
                out.append(" ".join(str(a.get("value", a.get("description"))) for a in e["params"]["args"]))
        return out

    def console(self):
        return [" ".join(str(a.get("value", a.get("description"))) for a in e["params"]["args"])
                for e in self.browser.events
                if e.get("sessionId") == self.session and e["method"] == "Runtime.consoleAPICalled"]

    def wait_for(self, expression, timeout, poll=0.5):
        """Polls until the expression is truthy; its value."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            if self.errors():
                raise BrowserError("page failed: " + " | ".join(self.errors()))
            time.sleep(poll)
        raise BrowserError(f"timed out after {timeout} s waiting for {expression}")

    def key(self, kind, key, code, keycode):
        """A key event as the keyboard gives it: kind is keyDown or keyUp."""
        self.browser.call("Input.dispatchKeyEvent", {"type": kind, "key": key, "code": code,
                                                     "windowsVirtualKeyCode": keycode,
                                                     "nativeVirtualKeyCode": keycode}, session=self.session)

    def touch(self, kind, points):
        """A touch event: kind is touchStart, touchMove, touchEnd; points
        [(id, x, y)] in CSS px, the fingers still down (none for touchEnd)."""
        self.browser.call("Input.dispatchTouchEvent",
                          {"type": kind, "touchPoints": [{"id": i, "x": x, "y": y} for i, x, y in points]},
                          session=self.session)

    def tap(self, x, y):
        self.touch("touchStart", [(0, x, y)])
        self.touch("touchEnd", [])

    def screenshot(self, path):
        import base64
        data = self.browser.call("Page.captureScreenshot", {"format": "png"}, session=self.session)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        self.browser.call("Target.closeTarget", {"targetId": self.target})


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm",
                      ".data": "application/octet-stream", ".js": "text/javascript"}

    def log_message(self, *args):
        pass


def serve(folder, tls=None):
    """A file server on 127.0.0.1 and a free port, in a thread: (server, base
    URL); over https when tls is an ssl.SSLContext."""
    handler = functools.partial(Quiet, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    if tls:
        server.socket = tls.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f"{'https' if tls else 'http'}://127.0.0.1:{server.server_address[1]}/"


SKIP = 77  # CTest's skip code for the browser tests


def start(web, chromium_path, page="voltari.html", extra_args=()):
    """The browser (with these more flags) and a file server of the built
    page folder, as (browser, server, base URL); None, having said why, when
    the test skips."""
    if not os.path.exists(os.path.join(web, page)):
        print(f"SKIP: {os.path.join(web, page)} is not built (make web)")
        return None
    try:
        browser = Browser(chromium_path, extra_args=extra_args)
    except (BrowserError, OSError) as e:
        print(f"SKIP: Chromium cannot start: {e}")
        return None
    server, base = serve(web)
    return browser, server, base


def note_page_errors(page, failures, ignore=()):
    """Adds the page's script errors, less those containing a text of ignore, as one failure."""
    errors = [e for e in page.errors() if not any(text in e for text in ignore)]
    if errors:
        failures.append("page errors: " + " | ".join(errors))


def report(failures, success):
    """Prints each failure, or the success line when there is none; the exit status."""
    for f in failures:
        print("FAIL: " + f)
    if not failures:
        print(success)
    return 1 if failures else 0

#!/usr/bin/python3
# SPDX-License-Identifier: Zlib
# The page's side of the play tests: serves a site folder on 127.0.0.1, plays it in Chromium
# headless or, on the display in $DISPLAY, in Firefox (WebDriver BiDi) or WebKitGTK
# (WebDriver), and answers the test over the socket it was handed (web_page.cpp).
# One request a line: "<command> <argument>"; one answer: "ok <bytes>\n" or "error <bytes>\n",
# then that many bytes.
#
#   web_bridge.py <socket fd> <site folder> chromium|firefox|webkit <pixel ratio> <width> <height>
#
# The player's hands are the keyboard, touch (the page's stick and button, a finger on the
# field) or a standard gamepad stubbed into the page: "input keyboard|touch|pad" says which
# the keys and pointer that follow are given by (the pad's before the page is opened).
import base64
import functools
import http.server
import json
import math
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.common.exceptions import WebDriverException

# Every page the server hands out starts with this script. A WebGL canvas hands its pixels to
# a script only while its frame is being drawn, unless it keeps its drawing buffer: unless
# told otherwise (the benchmark), every WebGL context keeps it, so that the test can read the
# frame last drawn at any moment. The game draws the same either way. Each animation frame in
# which the engine drew (it clears the canvas once a frame) also calls window.__frames.after,
# when one is set (a recording, the benchmark's watch). What the page says on its console is
# kept for the test, and with a pad wanted, a standard gamepad stands in the browser's list.
FRAMES = """
window.__frames = {gl: null, drawn: false, after: null, list: [], keep: KEEP_BUFFER};
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (type, attributes) {
  if (!String(type).startsWith('webgl')) return getContext.call(this, type, attributes);
  const keep = __frames.keep ? {preserveDrawingBuffer: true} : {};
  const gl = getContext.call(this, type, Object.assign({}, attributes, keep));
  if (gl && !__frames.gl) {
    __frames.gl = gl;
    const clear = gl.clear;
    gl.clear = function (mask) { __frames.drawn = true; return clear.call(this, mask); };
  }
  return gl;
};
const requestFrame = window.requestAnimationFrame;
window.requestAnimationFrame = function (callback) {
  return requestFrame.call(window, function (time) {
    __frames.drawn = false;
    callback(time);
    if (__frames.drawn && __frames.after) __frames.after();
  });
};
window.__console = [];
for (const level of ['log', 'info', 'warn', 'error']) {
  const say = console[level];
  console[level] = function (...words) { __console.push(level + ': ' + words.join(' ')); return say.apply(console, words); };
}
addEventListener('error', e => __console.push('error: ' + (e.message || (e.target && e.target.src) || e.type)), true);
addEventListener('unhandledrejection', e => __console.push('error: ' + e.reason));
if (WITH_PAD) {
  window.__pad = {id: 'Test pad', index: 0, connected: true, mapping: 'standard', timestamp: 1, axes: [0, 0, 0, 0],
                  buttons: Array.from({length: 17}, () => ({pressed: false, touched: false, value: 0}))};
  navigator.getGamepads = () => [__pad];
}
"""


class Server(http.server.ThreadingHTTPServer):
    keep_buffer = True
    with_pad = False
    extra = ""  # a script of the caller's, after the page's hooks


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split("?")[0]
        if path not in ("/", "/index.html"):
            return super().do_GET()
        with open(os.path.join(self.directory, "index.html"), "rb") as f:
            page = f.read()
        script = (FRAMES.replace("KEEP_BUFFER", json.dumps(self.server.keep_buffer))
                  .replace("WITH_PAD", json.dumps(self.server.with_pad))) + self.server.extra
        at = page.find(b"<head>") + len(b"<head>") if b"<head>" in page else 0
        page = page[:at] + b"<script>" + script.encode() + b"</script>" + page[at:]
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(page)))
        self.end_headers()
        self.wfile.write(page)


def serve(folder, keep_buffer=True):
    server = Server(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
    server.keep_buffer = keep_buffer
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


class Browser:  # touch is played in Chromium only
    def touch(self, kind, points):
        raise ValueError("touch is played in Chromium")


class Selenium(Browser):
    """Chromium and WebKitGTK, through WebDriver."""

    def __init__(self, driver):
        self.driver = driver

    def get(self, url):
        self.driver.get(url)

    def run(self, script, *args):
        return self.driver.execute_script(script, *args)

    def act(self, actions):
        self.driver.execute("actions", {"actions": actions})

    def size(self, width, height, ratio, mobile):
        self.driver.set_window_size(width, height)

    def quit(self):
        self.driver.quit()


class Chromium(Selenium):
    def __init__(self, ratio, width, height, profile):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--enable-unsafe-swiftshader", "--disable-gpu-sandbox",
                     "--no-first-run", "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--disable-extensions", "--user-data-dir=" + profile,
                     "--force-device-scale-factor=%g" % ratio, "--window-size=%d,%d" % (width, height)):
            options.add_argument(flag)
        from selenium.webdriver.chrome.service import Service
        super().__init__(webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options))
        self.size(width, height, ratio, False)  # the page itself that size, whatever the window keeps

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    # The viewport of a window of that size, a zoomed one, or a phone's (with touch).
    def size(self, width, height, ratio, mobile):
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=ratio,
                 mobile=mobile)
        self.cdp("Emulation.setTouchEmulationEnabled", enabled=mobile, maxTouchPoints=5)

    def touch(self, kind, points):
        self.cdp("Input.dispatchTouchEvent", type=kind, touchPoints=points)


class WebKit(Selenium):
    def __init__(self, ratio, width, height, profile):
        from selenium.webdriver.webkitgtk.options import Options
        options = Options()
        options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
        options.add_argument("--automation")
        try:  # Selenium's arguments changed over its versions
            from selenium.webdriver.webkitgtk.service import Service
            driver = webdriver.WebKitGTK(service=Service("/usr/bin/WebKitWebDriver"), options=options)
        except TypeError:
            driver = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
        super().__init__(driver)
        self.size(width, height, ratio, False)


class Firefox(Browser):
    """Firefox ESR through WebDriver BiDi, which it speaks itself, over a WebSocket."""

    def __init__(self, ratio, width, height, profile):
        import websocket
        with open(os.path.join(profile, "user.js"), "w") as prefs:
            for pref in ('"browser.shell.checkDefaultBrowser", false', '"datareporting.policy.dataSubmissionEnabled", false',
                         '"toolkit.telemetry.reportingpolicy.firstRun", false', '"webgl.force-enabled", true',
                         '"browser.startup.homepage_override.mstone", "ignore"'):
                prefs.write("user_pref(%s);\n" % pref)
        self.process = subprocess.Popen(
            ["/usr/bin/firefox-esr", "--no-remote", "--profile", profile, "--remote-debugging-port", "0",
             "about:blank"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
        address = None
        for line in self.process.stderr:
            line = line.decode(errors="replace")
            if "WebDriver BiDi listening on " in line:
                address = line.split("listening on ")[1].strip()
                break
        if not address:
            raise RuntimeError("Firefox did not offer WebDriver BiDi")
        threading.Thread(target=lambda: [None for _ in self.process.stderr], daemon=True).start()
        self.socket = websocket.create_connection(address + "/session", timeout=120, suppress_origin=True)
        self.sent = 0
        self.call("session.new", capabilities={})
        self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
        self.size(width, height, ratio, False)

    def call(self, method, **params):
        self.sent += 1
        self.socket.send(json.dumps({"id": self.sent, "method": method, "params": params}))
        while True:
            answer = json.loads(self.socket.recv())
            if answer.get("id") == self.sent:
                if answer.get("type") == "error":
                    raise ValueError("%s: %s" % (answer.get("error"), answer.get("message")))
                return answer["result"]

    def get(self, url):
        self.call("browsingContext.navigate", context=self.context, url=url, wait="complete")

    @staticmethod
    def value(remote):
        kind, v = remote["type"], remote.get("value")
        if kind == "array":
            return [Firefox.value(item) for item in v]
        if kind == "object":
            return {key: Firefox.value(item) for key, item in v}
        if kind == "number" and isinstance(v, float) and v.is_integer():
            return int(v)
        return v if kind in ("number", "string", "boolean") else None

    def run(self, script, *args):
        result = self.call("script.callFunction", functionDeclaration="function () {" + script + "\n}",
                           arguments=[{"type": "number", "value": a} for a in args],
                           target={"context": self.context}, awaitPromise=False, resultOwnership="none")
        if result["type"] == "exception":
            raise ValueError(result["exceptionDetails"]["text"])
        return self.value(result["result"])

    def act(self, actions):
        self.call("input.performActions", context=self.context, actions=actions)

    def size(self, width, height, ratio, mobile):
        self.call("browsingContext.setViewport", context=self.context, viewport={"width": width, "height": height},
                  devicePixelRatio=ratio)

    def quit(self):
        try:
            self.call("session.end")
        finally:
            self.process.kill()
            self.process.wait()


BROWSERS = {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}

# Where the canvas's backing store shows the game's 800 x 600 field: scaled to fit, centred,
# with bars on the other sides, as the engine draws it (SDL's logical size).
FIELD = """
const c = document.getElementById('canvas'), W = c.width, H = c.height, narrow = W * 600 < H * 800;
const s = narrow ? W / 800 : H / 600;
const left = narrow ? 0 : Math.floor((W - Math.floor(800 * s)) / 2);
const fieldTop = narrow ? Math.floor((H - Math.floor(600 * s)) / 2) : 0;
"""
# The field's pixels as RGBA rows, each read at its middle (exact at any scale of 1 or more),
# straight from the drawing buffer: only the rows wanted, cheaply enough for every frame.
READ_CANVAS = FIELD + """
const top = arguments[0], rows = arguments[1] || 600 - top, w = 800, gl = __frames.gl;
const y0 = fieldTop + Math.floor((top + 0.5) * s), y1 = fieldTop + Math.floor((top + rows - 0.5) * s);
const band = new Uint8Array(W * (y1 - y0 + 1) * 4);
const read = () => {
  if (!gl) return new Uint8Array(w * rows * 4);  // no game drawn yet
  gl.readPixels(0, H - 1 - y1, W, y1 - y0 + 1, gl.RGBA, gl.UNSIGNED_BYTE, band);  // bottom row first
  const out = new Uint8Array(w * rows * 4);
  for (let y = 0; y < rows; y++) {
    const from = (y1 - (fieldTop + Math.floor((top + y + 0.5) * s))) * W;
    for (let x = 0; x < w; x++) {
      const i = (from + left + Math.floor((x + 0.5) * s)) * 4, o = (y * w + x) * 4;
      out[o] = band[i], out[o + 1] = band[i + 1], out[o + 2] = band[i + 2], out[o + 3] = 255;
    }
  }
  return out;
};
"""
TEXT = """
const text = bytes => {
  let t = '';
  for (let i = 0; i < bytes.length; i += 0x8000) t += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return t;
};
"""

# One picture now, or one of every frame the engine draws from now on (each with the page's
# time of its animation frame), handed over when the recording stops.
SHOT = READ_CANVAS + TEXT + "return [w, rows, btoa(text(read()))];"
RECORD = READ_CANVAS + "__frames.list = []; __frames.after = () => __frames.list.push([performance.now(), read()]);"
RECORDED = TEXT + """
const list = __frames.list, w = 800;
__frames.after = null; __frames.list = [];
return [w, list.length ? list[0][1].length / 4 / w : 0, list.map(f => f[0]), btoa(list.map(f => text(f[1])).join(''))];
"""
# A field pixel's middle in the page's CSS pixels.
POINT = FIELD + """
const r = c.getBoundingClientRect(), css = r.width / W;
return [r.left + (left + (arguments[0] + 0.5) * s) * css, r.top + (fieldTop + (arguments[1] + 0.5) * s) * css];
"""
# The middle of a control, found by what it does, and its half width.
CONTROL = """
const e = document.querySelector('[aria-label=' + JSON.stringify(NAME) + ']'), r = e.getBoundingClientRect();
return e.hidden ? null : [r.left + r.width / 2, r.top + r.height / 2, r.width / 2];
"""
MOVES = {"w": (0, -1), "a": (-1, 0), "s": (0, 1), "d": (1, 0)}


class Hands:
    """The keys and the pointer, as the keyboard and mouse, touches or a pad give them."""

    def __init__(self, browser):
        self.browser, self.mode, self.held, self.fingers = browser, "keyboard", set(), {}

    def key(self, key, down):
        if self.mode == "keyboard" or (key not in MOVES and key != "e"):
            self.browser.act([{"type": "key", "id": "keys", "actions": [{"type": "keyDown" if down else "keyUp",
                                                                         "value": key}]}])
            return
        (self.held.add if down else self.held.discard)(key)
        x = sum(MOVES[k][0] for k in self.held if k in MOVES)
        y = sum(MOVES[k][1] for k in self.held if k in MOVES)
        if self.mode == "pad":
            self.browser.run("__pad.axes[0] = arguments[0]; __pad.axes[1] = arguments[1];"
                             "Object.assign(__pad.buttons[0], {pressed: !!arguments[2], touched: !!arguments[2],"
                             " value: arguments[2]}); __pad.timestamp = performance.now();",
                             x, y, 1 if "e" in self.held else 0)
        elif key == "e":
            cx, cy, _ = self.control("Take or set down a box")
            self.finger(3, (cx, cy) if down else None)
        else:  # the stick, pushed most of the way toward the keys held
            cx, cy, half = self.control("Walk")
            length = math.hypot(x, y)
            self.finger(1, (cx + 0.8 * half * x / length, cy + 0.8 * half * y / length) if length else None, (cx, cy))

    def control(self, name):
        place = self.browser.run(CONTROL.replace("NAME", json.dumps(name)))
        if not place:
            raise ValueError("the page shows no control named " + name)
        return place

    # A finger put down (at `start` first, when given), moved, or lifted (at None).
    def finger(self, finger, at, start=None):
        if at is None:
            self.fingers.pop(finger, None)
            points = [{"x": x, "y": y, "id": i} for i, (x, y) in self.fingers.items()]
            return self.browser.touch("touchMove" if points else "touchEnd", points)
        for kind, place in (("touchStart", start), ("touchMove", at)):
            if kind == "touchStart" and finger in self.fingers:
                continue
            self.fingers[finger] = place or at
            self.browser.touch(kind, [{"x": x, "y": y, "id": i} for i, (x, y) in self.fingers.items()])
            if not start:
                break

    def point(self, x, y, click):
        px, py = self.browser.run(POINT, x, y)
        if self.mode == "touch":  # a finger on the field, kept there, or a tap
            self.finger(2, (px, py))
            if click:
                self.finger(2, None)
            return
        pointer = [{"type": "pointerMove", "x": round(px), "y": round(py), "origin": "viewport", "duration": 0}]
        if click:
            pointer += [{"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]
        self.browser.act([{"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                           "actions": pointer}])


# The answer to one request; None for an empty one.
def handle(browser, server, url, hands, command, argument):
    if command == "url":
        return url
    if command == "eval":
        return json.dumps(browser.run(argument))
    if command == "log":
        return "\n".join(browser.run("return __console.splice(0)") or [])
    if command == "shot":
        top, rows = (int(v) for v in argument.split())
        width, height, data = browser.run(SHOT, top, rows)
        return b"%d %d\n" % (width, height) + base64.b64decode(data)
    if command == "recorded":
        # "<width> <rows> <frames>\n", a line of the frames' times in ms, then their RGBA rows.
        width, rows, times, data = browser.run(RECORDED)
        return (b"%d %d %d\n" % (width, rows, len(times)) + " ".join("%.3f" % t for t in times).encode() +
                b"\n" + base64.b64decode(data))
    if command == "open":  # what the hands held stays with the page they held it in
        hands.held.clear()
        if hands.fingers:
            hands.fingers.clear()
            browser.touch("touchEnd", [])
        browser.get(url + argument)
    elif command == "record":
        top, rows = (int(v) for v in argument.split())
        browser.run(RECORD, top, rows)
    elif command in ("down", "up"):
        hands.key(argument, command == "down")
    elif command in ("move", "click"):  # in the game's pixels
        x, y = (int(v) for v in argument.split())
        hands.point(x, y, command == "click")
    elif command == "size":  # "<width> <height> <ratio> mobile|desktop"
        width, height, ratio, kind = argument.split()
        browser.size(int(width), int(height), float(ratio), kind == "mobile")
    elif command == "input":
        hands.mode = argument
        server.with_pad = server.with_pad or argument == "pad"
    else:
        raise ValueError("no such request: " + command)


def main():
    link = socket.socket(fileno=int(sys.argv[1]))
    server, url = serve(sys.argv[2])
    kind, ratio, width, height = sys.argv[3], float(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6])
    with tempfile.TemporaryDirectory(prefix="stealthbox-" + kind + "-") as profile:
        browser = BROWSERS[kind](ratio, width, height, profile)
        hands = Hands(browser)
        try:
            requests = link.makefile("rb")
            for line in requests:
                command, _, argument = line.decode().rstrip("\n").partition(" ")
                if command == "quit":
                    break
                try:
                    answer, verdict = handle(browser, server, url, hands, command, argument) or "", "ok"
                    if isinstance(answer, str):
                        answer = answer.encode()
                except (WebDriverException, ValueError) as e:
                    answer, verdict = str(e).encode(), "error"
                link.sendall(b"%s %d\n" % (verdict.encode(), len(answer)) + answer)
        finally:
            browser.quit()


if __name__ == "__main__":
    main()

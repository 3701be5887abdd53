#!/usr/bin/python3
# SPDX-License-Identifier: Zlib
# The page's side of the play tests: serves a site folder on 127.0.0.1, plays it in Chromium
# headless through WebDriver and answers the test over the socket it was handed (web_page.cpp).
# One request a line: "<command> <argument>"; one answer: "ok <bytes>\n" or "error <bytes>\n",
# then that many bytes.
#
#   web_bridge.py <socket fd> <site folder> <device pixel ratio> <window width> <window height>
import base64
import functools
import http.server
import json
import socket
import sys
import tempfile
import threading

from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return "http://127.0.0.1:%d/" % server.server_address[1]


def browser(ratio, width, height, profile, keep_buffer=True):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--enable-unsafe-swiftshader", "--disable-gpu-sandbox",
                 "--no-first-run", "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-extensions", "--user-data-dir=" + profile,
                 "--force-device-scale-factor=" + ratio, "--window-size=%s,%s" % (width, height)):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    source = FRAMES.replace("KEEP_BUFFER", "true" if keep_buffer else "false")
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": source})
    return driver


# A WebGL canvas hands its pixels to a script only while its frame is being drawn, unless it
# keeps its drawing buffer: unless told otherwise (the benchmark), every page this browser
# opens has its WebGL contexts keep it, so that the test can read the frame last drawn at any
# moment. The game draws the same either way. Each animation frame in which the engine drew
# (it clears the canvas once a frame) also calls window.__frames.after, when one is set (a
# recording, the benchmark's watch).
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
"""

# The canvas's pixels in the game's pixels, as RGBA rows: at a higher pixel density the
# engine draws the game scaled up into a larger canvas, so its picture is read back at the
# canvas's CSS size (800 x 600), each pixel taken whole from the one drawn over it.
READ_CANVAS = """
const c = document.getElementById('canvas'), w = c.clientWidth, h = c.clientHeight;
const top = arguments[0], rows = arguments[1] || h - top, scale = c.width / w;
const copy = document.createElement('canvas');
copy.width = w; copy.height = rows;
const g = copy.getContext('2d');
g.imageSmoothingEnabled = false;
const read = () => {
  g.drawImage(c, 0, top * scale, c.width, rows * scale, 0, 0, w, rows);
  return g.getImageData(0, 0, w, rows).data;
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
const list = __frames.list, w = document.getElementById('canvas').clientWidth;
__frames.after = null; __frames.list = [];
return [w, list.length ? list[0][1].length / 4 / w : 0, list.map(f => f[0]), btoa(list.map(f => text(f[1])).join(''))];
"""


def handle(driver, url, command, argument):
    if command == "url":
        return url
    if command == "open":
        driver.get(url + argument)
        return ""
    if command == "eval":
        return json.dumps(driver.execute_script(argument))
    if command == "shot":
        top, rows = (int(v) for v in argument.split())
        width, height, data = driver.execute_script(SHOT, top, rows)
        return b"%d %d\n" % (width, height) + base64.b64decode(data)
    if command == "record":
        top, rows = (int(v) for v in argument.split())
        driver.execute_script(RECORD, top, rows)
        return ""
    if command == "recorded":
        # "<width> <rows> <frames>\n", a line of the frames' times in ms, then their RGBA rows.
        width, rows, times, data = driver.execute_script(RECORDED)
        return (b"%d %d %d\n" % (width, rows, len(times)) + " ".join("%.3f" % t for t in times).encode() +
                b"\n" + base64.b64decode(data))
    canvas = driver.find_element(By.ID, "canvas")
    if command in ("down", "up"):
        chain = ActionChains(driver, duration=0)
        (chain.key_down if command == "down" else chain.key_up)(argument).perform()
        return ""
    if command in ("move", "click"):
        # In the canvas's CSS pixels, which the page shows at the game's 800 by 600.
        x, y = (int(v) for v in argument.split())
        left, top = driver.execute_script(
            "const r = arguments[0].getBoundingClientRect(); return [r.left, r.top];", canvas)
        chain = ActionChains(driver, duration=0)
        chain.w3c_actions.pointer_action.move_to_location(int(left) + x, int(top) + y)
        if command == "click":
            chain.w3c_actions.pointer_action.click()
        chain.perform()
        return ""
    if command == "log":
        return "\n".join(e["message"] for e in driver.get_log("browser"))
    raise ValueError("no such request: " + command)


def main():
    link = socket.socket(fileno=int(sys.argv[1]))
    url = serve(sys.argv[2])
    with tempfile.TemporaryDirectory(prefix="stealthbox-chromium-") as profile:
        driver = browser(sys.argv[3], sys.argv[4], sys.argv[5], profile)
        try:
            requests = link.makefile("rb")
            for line in requests:
                command, _, argument = line.decode().rstrip("\n").partition(" ")
                if command == "quit":
                    break
                try:
                    answer, verdict = handle(driver, url, command, argument), "ok"
                    if isinstance(answer, str):
                        answer = answer.encode()
                except (WebDriverException, ValueError) as e:
                    answer, verdict = str(e).encode(), "error"
                link.sendall(b"%s %d\n" % (verdict.encode(), len(answer)) + answer)
        finally:
            driver.quit()


if __name__ == "__main__":
    main()

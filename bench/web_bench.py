#!/usr/bin/python3
# SPDX-License-Identifier: Zlib
# The page's size and speed; every verdict a ratio or a count, the load time information:
#   - the bytes of the page's files, as served and gzip-compressed;
#   - the tick in wasm under node against the same program built natively (game_bench tick);
#   - page load to the first frame drawn, in Chromium headless, cache off;
#   - frames and ticks a second in the page over 10 s of play, the hero walked to and fro.
#
#   bench/web_bench.py <native build folder> <web build folder>
import gzip
import itertools
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
import web_bridge  # noqa: E402  (the play tests' server and browser)
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402

TICK_RATE = 1000 / 17
missed = []


def verdict(name, ok):
    if not ok:
        missed.append(name)
    return "met" if ok else "MISSED"


def sizes(site):
    print("=== web: the page's files (bytes as served, gzip -9)")
    raw = packed = 0
    for root, _, files in os.walk(site):
        for name in sorted(files):
            path = os.path.join(root, name)
            data = open(path, "rb").read()
            size, small = len(data), len(gzip.compress(data, 9))
            raw, packed = raw + size, packed + small
            print("  %-32s %9d %9d" % (os.path.relpath(path, site), size, small))
    print("web: page total %d bytes (%.2f MB), gzip %d bytes (%.2f MB): %s, %s" % (
        raw, raw / 1e6, packed, packed / 1e6,
        verdict("page size", raw <= 2.5e6) + " (<= 2.5 MB)", verdict("page gzip", packed <= 1e6) + " (<= 1 MB)"))


def tick(build, web):
    print("=== web: the standard tick, native against wasm under node (game_bench tick, 5 runs each)")
    runs = {"native": [os.path.join(build, "bin", "game_bench"), "tick"],
            "wasm": ["node", "--no-experimental-fetch", os.path.join(web, "bin", "game_bench.js"), "tick"]}
    medians = {}
    for kind in ("native", "wasm") * 5:
        # Only the standard tick's median is read here; the run's own verdicts are game_bench's.
        out = subprocess.run(runs[kind], capture_output=True, text=True).stdout
        line = next(x for x in out.splitlines() if x.startswith("tick standard calls="))[len("tick standard "):]
        print("  %-6s %s" % (kind, line))
        medians.setdefault(kind, []).append(float(dict(w.split("=") for w in line.split() if "=" in w)["median_us"]))
    native, wasm = statistics.median(medians["native"]), statistics.median(medians["wasm"])
    print("web: tick median %.2f us native, %.2f us wasm: %.2f x, %s (<= 2 x)" % (
        native, wasm, wasm / native, verdict("wasm tick", wasm <= 2 * native)))


# Counts the frames the page draws and, after each (web_bridge's hook, within the animation
# frame that drew it, so the canvas need not keep its drawing buffer), notes the time and where
# on the hero's row his square begins.
WATCH = """
window.bench = {first: null, frames: 0, row: -1, findHero: false, xs: []};
const isHero = (p, i) => p[i] === 0xAF && p[i + 1] === 0x52 && p[i + 2] === 0x52;
__frames.after = function () {
  const gl = __frames.gl, now = performance.now(), w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
  bench.frames++;
  if (bench.first === null) bench.first = now;
  if (bench.findHero) {
    const p = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, p);
    for (let i = 0; i < p.length && bench.row < 0; i += 4)
      if (isHero(p, i)) bench.row = h - 1 - (Math.floor(i / 4 / w) + 10);
    bench.findHero = false;
  }
  if (bench.row >= 0) {
    const p = bench.line || (bench.line = new Uint8Array(w * 4));
    gl.readPixels(0, h - 1 - bench.row, w, 1, gl.RGBA, gl.UNSIGNED_BYTE, p);
    let x = -1;
    for (let i = 0; i < w && x < 0; i++) if (isHero(p, 4 * i)) x = i;
    // In the field's pixels: the canvas shows the field scaled to fit, centred.
    const narrow = w * 600 < h * 800, s = narrow ? w / 800 : h / 600;
    const left = narrow ? 0 : Math.floor((w - Math.floor(800 * s)) / 2);
    bench.xs.push([now, x < 0 ? x : Math.round((x - left) / s)]);
  }
};
"""


def wait_for(driver, script, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if value := driver.execute_script(script):
            return value
        time.sleep(0.02)
    raise RuntimeError("the page never answered: " + script)


def page(site):
    print("=== web: the page in Chromium headless (served on 127.0.0.1, cache off)")
    with tempfile.TemporaryDirectory(prefix="stealthbox-bench-") as profile:
        server, url = web_bridge.serve(site, keep_buffer=False)
        server.extra = WATCH
        driver = web_bridge.Chromium(1, 900, 780, profile).driver
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        try:
            loads = []
            for _ in range(5):
                driver.get(url + "index.html?seed=15")
                loads.append(wait_for(driver, "return bench.first"))
            print("  loads to the first frame (ms): " + ", ".join("%.0f" % t for t in loads))
            print("web: page load to first frame, median of 5: %.0f ms (information)" % statistics.median(loads))

            # Seed 15's hero starts on a row open for 420 pixels: walked right and back for 10 s.
            driver.execute_script("bench.findHero = true")
            wait_for(driver, "return bench.row >= 0 && bench.xs.length > 0")
            driver.find_element("id", "canvas").click()
            start_x = driver.execute_script("return bench.xs[bench.xs.length - 1][1]")
            end = time.monotonic() + 10
            key, ahead = "d", start_x + 340
            driver.execute_script("bench.xs = []")
            while time.monotonic() < end:
                ActionChains(driver, duration=0).key_down(key).perform()
                while time.monotonic() < end:
                    x = driver.execute_script("return bench.xs.length ? bench.xs[bench.xs.length - 1][1] : -1")
                    if (key == "d" and x >= ahead) or (key == "a" and 0 <= x <= start_x + 20):
                        break
                    time.sleep(0.01)
                ActionChains(driver, duration=0).key_up(key).perform()
                key = "a" if key == "d" else "d"
            xs = driver.execute_script("return bench.xs")
        finally:
            driver.quit()
    frames = (len(xs) - 1) / ((xs[-1][0] - xs[0][0]) / 1000)
    # Each stretch of frames that shows him walking one way: its ticks (5 pixels each) over its
    # time, from the first frame that shows him moved to the last.
    def way(k):  # of the step into frame k: 1 right, -1 left, 0 none or not seen
        a, b = xs[k - 1][1], xs[k][1]
        return 0 if a < 0 or b < 0 else (b > a) - (b < a)
    ticks = seconds = 0.0
    for moving, stretch in itertools.groupby(range(1, len(xs)), way):
        stretch = list(stretch)
        i, j = stretch[0], stretch[-1]
        if moving and j > i:
            ticks += abs(xs[j][1] - xs[i][1]) / 5
            seconds += (xs[j][0] - xs[i][0]) / 1000
    rate = ticks / seconds if seconds else 0
    print("  %d frames over %.1f s; %.0f ticks of walking over %.2f s" % (
        len(xs), (xs[-1][0] - xs[0][0]) / 1000, ticks, seconds))
    print("web: ticks a second in the page %.3f, %s (58.8 +- 1 %%)" % (
        rate, verdict("page ticks", abs(rate - TICK_RATE) <= 0.01 * TICK_RATE)))
    print("web: frames a second in the page %.2f, %s (<= ticks + 1)" % (
        frames, verdict("page frames", frames <= rate + 1)))


def main():
    build, web = sys.argv[1], sys.argv[2]
    sizes(os.path.join(web, "site"))
    tick(build, web)
    page(os.path.join(web, "site"))
    print("web: every target met" if not missed else "web: MISSED " + ", ".join(missed))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())

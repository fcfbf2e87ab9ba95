#!/usr/bin/env python3
"""Loads the page in headless Chromium and writes what it showed and said.

usage: page_client.py PAGE_DIR OUT_DIR [--arg CHROMIUM_ARG]... [--before-load SCRIPT.js]
                      [--after-drawn EXPRESSION]

Serves PAGE_DIR on 127.0.0.1 (a port of its own), starts chromedriver on loopback, opens
swancage.html, waits (bounded) until the page's body leaves data-state "loading", and writes to
OUT_DIR: state, first-frame-ms, message (the page's visible message), canvas.png (the canvas
read back as the page shows it) and console.txt (one line per console entry: LEVEL TEXT).
SCRIPT.js, when given, runs in the page before any of its own scripts, as a shim would: it
stands for a browser or a driver that behaves otherwise. EXPRESSION, when given, is evaluated in
the page a second after it has drawn, and its value written to OUT_DIR/after-drawn. Exits 0 when all of that was written,
1 with one line on standard error when the browser could not be driven.
"""
import base64
import http.server
import json
import os
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.request

LOAD_SECONDS = 240  # the page's whole frame on a software GL, and more
START_SECONDS = 30  # chromedriver and the browser ready
IDLE_SECONDS = 1  # how long the page is watched once drawn
CHROMIUM_ARGS = [
    "--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1280,720",
    # WebGL 2 on the CPU: ANGLE over SwiftShader, which a machine without a GPU needs allowed.
    "--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(directory):
    handler = lambda *a, **k: QuietHandler(*a, directory=directory, **k)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Driver:
    def __init__(self, port):
        self.base = f"http://127.0.0.1:{port}"
        self.session = None

    def call(self, method, path, body=None, timeout=60):
        data = None if body is None else json.dumps(body).encode()
        url = self.base + (f"/session/{self.session}" if self.session else "") + path
        request = urllib.request.Request(url, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=timeout) as response:
                return json.load(response)["value"]
        except urllib.error.HTTPError as e:
            raise RuntimeError(f"{method} {path}: {e.read().decode(errors='replace')[:400]}")

    def script(self, text):
        return self.call("POST", "/execute/sync", {"script": text, "args": []})


def main(argv):
    page_dir, out_dir = argv[1], argv[2]
    args, before_load, after_drawn, rest = list(CHROMIUM_ARGS), None, None, argv[3:]
    while rest:
        if rest[0] == "--arg":
            args.append(rest[1])
        elif rest[0] == "--before-load":
            before_load = open(rest[1]).read()
        elif rest[0] == "--after-drawn":
            after_drawn = rest[1]
        else:
            raise SystemExit(f"usage: {__doc__.splitlines()[2]}")
        rest = rest[2:]
    server = serve(page_dir)
    port = free_port()
    profile = os.path.join(out_dir, "profile")
    args.append(f"--user-data-dir={profile}")
    log = open(os.path.join(out_dir, "chromedriver.log"), "w")
    # Its own process group, killed whole: the browser and its helpers go with the driver.
    driver_process = subprocess.Popen(["chromedriver", f"--port={port}"], stdout=log,
                                      stderr=subprocess.STDOUT, start_new_session=True)
    driver = Driver(port)
    try:
        deadline = time.monotonic() + START_SECONDS
        while True:
            try:
                if driver.call("GET", "/status", timeout=2)["ready"]:
                    break
            except (OSError, RuntimeError):
                pass
            if time.monotonic() > deadline:
                raise RuntimeError(f"chromedriver not ready after {START_SECONDS} s")
            time.sleep(0.1)
        capabilities = {"browserName": "chrome",
                        "goog:chromeOptions": {"binary": os.environ.get("CHROMIUM", "/usr/bin/chromium"),
                                               "args": args},
                        "goog:loggingPrefs": {"browser": "ALL"}}
        driver.session = driver.call("POST", "/session",
                                     {"capabilities": {"alwaysMatch": capabilities}})["sessionId"]
        if before_load is not None:
            driver.call("POST", "/goog/cdp/execute",
                        {"cmd": "Page.addScriptToEvaluateOnNewDocument",
                         "params": {"source": before_load}})
        url = f"http://127.0.0.1:{server.server_address[1]}/swancage.html"
        driver.call("POST", "/url", {"url": url}, timeout=LOAD_SECONDS)
        deadline = time.monotonic() + LOAD_SECONDS
        state = "loading"
        while state == "loading" and time.monotonic() < deadline:
            state = driver.script("return document.body.dataset.state")
            time.sleep(0.1)
        shown = driver.script(
            "return [document.body.dataset.firstFrameMs || '',"
            " document.getElementById('message').textContent,"
            " document.getElementById('canvas').toDataURL('image/png')]")
        entries = driver.call("POST", "/se/log", {"type": "browser"})
        write = lambda name, text: open(os.path.join(out_dir, name), "w").write(text)
        if after_drawn is not None and state == "drawn":
            time.sleep(IDLE_SECONDS)
            write("after-drawn", json.dumps(driver.script("return " + after_drawn)) + "\n")
        write("state", state + "\n")
        write("first-frame-ms", shown[0] + "\n")
        write("message", shown[1])
        with open(os.path.join(out_dir, "canvas.png"), "wb") as png:
            png.write(base64.b64decode(shown[2].split(",", 1)[1]))
        write("console.txt", "".join(f"{e['level']} {e['message']}\n" for e in entries))
        return 0
    except (OSError, RuntimeError, KeyError, ValueError) as e:
        print(f"page_client: {e}", file=sys.stderr)
        return 1
    finally:
        try:
            if driver.session:
                driver.call("DELETE", "", timeout=10)
        except (OSError, RuntimeError):
            pass
        os.killpg(driver_process.pid, signal.SIGKILL)
        driver_process.wait()
        server.shutdown()


if __name__ == "__main__":
    sys.exit(main(sys.argv))

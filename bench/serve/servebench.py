"""What the quelta-serve soak and figures share: a service on the test camera with a private
home, its memory and CPU from /proc, and picture-stream readers on one thread."""

import json
import os
import re
import selectors
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time
import urllib.request

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_SERVE = os.path.join(os.environ.get("QUELTA_BUILD_DIR", os.path.join(TOP, "build")),
                             "serve", "quelta-serve")
TICKS = os.sysconf("SC_CLK_TCK")


class Service:
    def __init__(self, serve, source):
        self.home = tempfile.mkdtemp(prefix="quelta-serve-bench-")
        env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_CONFIG_DIRS=os.path.join(self.home, "xdg"), QT_QPA_PLATFORM="offscreen",
                   LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.process = subprocess.Popen([serve, "--source", source, "--listen", "127.0.0.1:0"],
                                        env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        text=True)
        timer = threading.Timer(30, self.process.kill)
        timer.start()
        try:
            for line in self.process.stderr:
                match = re.search(r"serving http://([\d.]+):(\d+)/", line)
                if match:
                    self.host, self.port = match.group(1), int(match.group(2))
                    break
            else:
                raise SystemExit("quelta-serve did not start")
        finally:
            timer.cancel()
        # Its later lines are not wanted, but the pipe must not fill.
        threading.Thread(target=self.process.stderr.read, daemon=True).start()
        deadline = time.monotonic() + 30
        while self.status()["frames"] == 0:
            if time.monotonic() > deadline:
                raise SystemExit("no frame tracked within 30 s")
            time.sleep(0.1)

    def status(self):
        url = "http://%s:%d/api/status" % (self.host, self.port)
        with urllib.request.urlopen(url, timeout=10) as answer:
            return json.load(answer)

    def resident_bytes(self):
        with open("/proc/%d/status" % self.process.pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) * 1024
        return 0

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.process.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime

    def stop(self):
        try:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        finally:
            shutil.rmtree(self.home, ignore_errors=True)


def open_stream(host, port):
    connection = socket.create_connection((host, port), timeout=10)
    connection.sendall(b"GET /stream.mjpg HTTP/1.1\r\nHost: %s:%d\r\n\r\n" % (host.encode(), port))
    return connection


class Readers:
    """`count` stream readers on one thread; each part's lateness (receive time minus its
    X-Capture-Time, calendar seconds) is kept."""

    def __init__(self, host, port, count):
        self.selector = selectors.DefaultSelector()
        self.lateness = []
        self.parts = 0
        self.stop = threading.Event()
        for _ in range(count):
            connection = open_stream(host, port)
            connection.setblocking(False)
            self.selector.register(connection, selectors.EVENT_READ, {"buffer": b"", "head": True})
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while not self.stop.is_set():
            for key, _ in self.selector.select(timeout=0.5):
                data = key.fileobj.recv(1 << 20)
                if not data:
                    self.selector.unregister(key.fileobj)
                    continue
                state = key.data
                state["buffer"] += data
                self.take_parts(state, time.time())
        for key in list(self.selector.get_map().values()):
            key.fileobj.close()

    def take_parts(self, state, now):
        buffer = state["buffer"]
        if state["head"]:
            end = buffer.find(b"\r\n\r\n")
            if end < 0:
                return
            buffer, state["head"] = buffer[end + 4:], False
        while True:
            start = buffer.find(b"--quelta-frame\r\n")
            end = buffer.find(b"\r\n\r\n", start)
            if start < 0 or end < 0:
                break
            headers = dict(line.split(": ", 1) for line in
                           buffer[start + 16:end].decode().split("\r\n"))
            size = int(headers["Content-Length"])
            if len(buffer) < end + 4 + size:
                break
            buffer = buffer[end + 4 + size:]
            self.parts += 1
            self.lateness.append(now - float(headers["X-Capture-Time"]))
        state["buffer"] = buffer

    def close(self):
        self.stop.set()
        self.thread.join(timeout=10)

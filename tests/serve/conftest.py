"""What the service's tests share: a running quelta-serve on the test camera and its requests."""

import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import urllib.error
import urllib.request

import cv2
import numpy as np
import pytest

SERVE = os.environ.get("QUELTA_SERVE", "")
START_WAIT = 30.0  # seconds for the service to open the camera and listen
STOP_WAIT = 10.0   # seconds for it to end after SIGTERM
REQUEST_WAIT = 10.0


class Service:
    """One quelta-serve process with a private home; ended (and waited for) by stop()."""

    def __init__(self, *args, token=None):
        assert SERVE, "QUELTA_SERVE must name the quelta-serve program"
        self.home = tempfile.mkdtemp(prefix="quelta-serve-test-")
        self.token = token
        command = [SERVE, "--source", "testcam-multi", "--listen", "127.0.0.1:0", *args]
        if token is not None:
            path = os.path.join(self.home, "token")
            with open(path, "w") as f:
                f.write(token + "\n")
            command += ["--token-file", path]
        env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_CONFIG_DIRS=os.path.join(self.home, "xdg"), QT_QPA_PLATFORM="offscreen",
                   LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        text=True)
        self.base = self._address()

    def _address(self):
        # The service names the port it took on stderr; readline blocks, so the deadline is
        # kept by a timer that ends the process (and with it the pipe).
        killer = _Deadline(START_WAIT, self.process)
        try:
            for line in self.process.stderr:
                match = re.search(r"serving (http://\S+)/", line)
                if match:
                    return match.group(1)
        finally:
            killer.cancel()
        self.stop()
        raise AssertionError("quelta-serve did not say where it serves within %.0f s" % START_WAIT)

    def request(self, path, method="GET", body=None, headers=None, token=None, raw=None):
        """(status, headers, body bytes) of one request; HTTP errors are answers too."""
        headers = dict(headers or {})
        token = self.token if token is None else token
        if token:
            headers.setdefault("Authorization", "Bearer " + token)
        data = raw
        if body is not None:
            data = json.dumps(body).encode()
            headers.setdefault("Content-Type", "application/json")
        req = urllib.request.Request(self.base + path, data=data, method=method, headers=headers)
        try:
            with urllib.request.urlopen(req, timeout=REQUEST_WAIT) as answer:
                return answer.status, answer.headers, answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.headers, error.read()

    def json(self, path, **kwargs):
        status, _, body = self.request(path, **kwargs)
        return status, json.loads(body) if body else None

    def stop(self):
        """SIGTERM, then the exit status (the process is killed if it does not end in time)."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            status = self.process.wait(timeout=STOP_WAIT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            status = "still running %.0f s after SIGTERM" % STOP_WAIT
        self.process.stderr.close()
        shutil.rmtree(self.home, ignore_errors=True)
        return status


class _Deadline:
    def __init__(self, seconds, process):
        import threading
        self.timer = threading.Timer(seconds, process.kill)
        self.timer.start()

    def cancel(self):
        self.timer.cancel()


def wait_for(what, condition, seconds=15.0, pause=0.1):
    """condition()'s first true value within `seconds`; fails naming `what` otherwise."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(pause)
    raise AssertionError("waited %.0f s for %s" % (seconds, what))


@pytest.fixture
def service():
    running = Service()
    yield running
    running.stop()


def colour(name, **limits):
    """One colour of a set as /api/colours takes it: everything in range unless given."""
    entry = {"name": name, "lMin": 0, "lMax": 255, "a1Min": 0, "a1Max": 255, "a2Min": 0,
             "a2Max": 255, "MinARatio": 0, "MinWidth": 3, "MaxWidth": 640, "MinHeight": 3,
             "MaxHeight": 480}
    entry.update(limits)
    return entry


def green_disc(service):
    """The centre of the largest green disc on the newest picture, or None while none is in view."""
    status, _, jpeg = service.request("/snapshot.jpg")
    if status != 200:
        return None
    picture = cv2.imdecode(np.frombuffer(jpeg, np.uint8), cv2.IMREAD_COLOR)
    b, g, r = (picture[:, :, i].astype(int) for i in range(3))
    mask = ((g > 150) & (r < 110) & (b < 110)).astype(np.uint8)
    count, _, stats, centres = cv2.connectedComponentsWithStats(mask)
    best = max(range(1, count), key=lambda i: stats[i, cv2.CC_STAT_AREA], default=None)
    if best is None or stats[best, cv2.CC_STAT_AREA] < 150:
        return None
    return int(centres[best][0]), int(centres[best][1])


def first_frame(service):
    """The marks object once the first frame is tracked."""
    def ready():
        status, marks = service.json("/api/marks")
        return marks if status == 200 else None
    return wait_for("a first tracked frame", ready)

"""quelta-serve on a real mosquitto broker, as a subscriber (and Home Assistant) sees it: the
frames on quelta-track's topics, the discovery that follows the set, and wrong options."""

import json
import os
import shutil
import socket
import subprocess
import tempfile
import threading

import jinja2
import paho.mqtt.client as mqtt
import pytest

from conftest import SERVE, Service, colour, first_frame, wait_for

MOSQUITTO = shutil.which("mosquitto") or "/usr/sbin/mosquitto"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.fixture
def broker():
    if not os.access(MOSQUITTO, os.X_OK):
        pytest.skip("mosquitto is not installed")
    folder = tempfile.mkdtemp(prefix="quelta-broker-")
    port = free_port()
    config = os.path.join(folder, "mosquitto.conf")
    with open(config, "w") as f:
        f.write("listener %d 127.0.0.1\nallow_anonymous true\n" % port)
    process = subprocess.Popen([MOSQUITTO, "-c", config], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        def accepting():
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return True
            except OSError:
                return False
        wait_for("mosquitto to listen", accepting, seconds=10)
        yield port
    finally:
        process.kill()
        process.wait()
        shutil.rmtree(folder, ignore_errors=True)


class Subscriber:
    """Every message on `#`, newest payload per topic; retained ones included."""

    def __init__(self, port):
        self.lock = threading.Lock()
        self.latest = {}
        self.client = mqtt.Client()
        self.client.on_message = self._message
        self.client.connect("127.0.0.1", port)
        self.client.subscribe("#", qos=1)
        self.client.loop_start()

    def _message(self, _client, _userdata, message):
        with self.lock:
            self.latest[message.topic] = message.payload.decode()

    def get(self, topic):
        with self.lock:
            return self.latest.get(topic)

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()


def config(subscriber, topic):
    payload = subscriber.get(topic)
    return json.loads(payload) if payload else None


def test_frames_and_discovery_follow_the_set(broker):
    subscriber = Subscriber(broker)
    service = Service("--publish", "mqtt://127.0.0.1:%d/cam" % broker, "--ha-discovery")
    try:
        first_frame(service)
        present = "homeassistant/binary_sensor/quelta_cam/mark_present/config"
        found = wait_for("the first colour's discovery", lambda: config(subscriber, present))
        assert found["state_topic"] == "cam/mark/present"
        assert found["availability_topic"] == "cam/status"
        wait_for("the status online", lambda: subscriber.get("cam/status") == "online")
        wait_for("the presence", lambda: subscriber.get("cam/mark/present") in ("0", "1"))

        # Renamed and one added: the old configurations go, the new ones come.
        whole = colour("tot", MaxWidth=640, MaxHeight=480)
        body = {"colours": [whole, colour("blau", lMax=0, a1Max=0, a2Max=0)]}
        assert service.json("/api/colours", method="PUT", body=body)[0] == 200
        wait_for("the old colour's discovery cleared", lambda: subscriber.get(present) == "")
        wait_for("the old colour's presence cleared",
                 lambda: subscriber.get("cam/mark/present") == "")
        x = wait_for("the new x sensor",
                     lambda: config(subscriber, "homeassistant/sensor/quelta_cam/tot_x/config"))
        assert config(subscriber, "homeassistant/binary_sensor/quelta_cam/blau_present/config")
        wait_for("the whole picture seen", lambda: subscriber.get("cam/tot/present") == "1")
        wait_for("the empty colour absent", lambda: subscriber.get("cam/blau/present") == "0")

        # The sensor's template, on a real frame, gives the first mark's x.
        assert x["state_topic"] == "cam/marks"
        marks = json.loads(wait_for("marks of the new set",
                                    lambda: "tot" in (subscriber.get("cam/marks") or "")
                                    and subscriber.get("cam/marks")))
        first = [m for m in marks["marks"] if m["colour"] == "tot" and m["lost"] == 0][0]
        template = jinja2.Environment().from_string(x["value_template"])
        assert float(template.render(value_json=marks)) == pytest.approx(first["center"][0])
        none = dict(marks, marks=[])
        assert template.render(value_json=none) == "None"
        assert service.stop() == 0
        wait_for("the status offline after the end",
                 lambda: subscriber.get("cam/status") == "offline")
    finally:
        service.stop()
        subscriber.close()


def run(*args):
    with tempfile.TemporaryDirectory(prefix="quelta-serve-test-") as home:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                   HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"))
        return subprocess.run([SERVE, "--source", "testcam", "--listen", "127.0.0.1:0", *args],
                              env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=30)


@pytest.mark.parametrize("args, status", [
    (["--ha-discovery"], 2),
    (["--publish", "mqtt://127.0.0.1:1/cam", "--ha-discovery", "a/#"], 2),
    (["--publish", "http://127.0.0.1/cam"], 2),
    (["--publish", "mqtt://127.0.0.1:%d/cam" % free_port()], 1),  # nobody listens there
])
def test_wrong_publishing_is_one_line_and_a_status(args, status):
    result = run(*args)
    assert result.returncode == status
    assert len(result.stderr.strip().splitlines()) == 1, result.stderr

"""quelta-serve's answers on the test camera: marks after a click, the set all or nothing, the
picture stream, and an end that saves nothing it was not asked to."""

import http.client
import os
import urllib.parse

import cv2
import numpy as np

from conftest import Service, colour, first_frame, green_disc, wait_for


def test_a_click_teaches_a_colour_and_its_marks_follow(service):
    first_frame(service)
    status, _ = service.json("/api/colours", method="PUT",
                             body={"colours": [colour("verd", lMax=0, a1Max=0, a2Max=0)]})
    assert status == 200
    wait_for("a frame tracked with the new set",
             lambda: list(service.json("/api/marks")[1]["regions"]) == ["verd"])

    def taught():
        place = green_disc(service)
        if not place:
            return None
        status, _ = service.json("/api/calibrate", method="POST",
                                 body={"colour": "verd", "x": place[0], "y": place[1]})
        assert status == 202
        _, marks = service.json("/api/marks")
        return [m for m in marks["marks"] if m["colour"] == "verd" and m["lost"] == 0] or None

    seen = wait_for("green marks after a click on a green disc", taught, seconds=45, pause=0.3)
    mark = seen[0]
    assert list(mark.keys()) == ["id", "colour", "box", "center", "pixels", "row", "col", "angle",
                                 "elongation", "age", "lost", "velocity"]
    x0, y0, x1, y1 = mark["box"]
    assert 0 <= x0 <= mark["center"][0] <= x1 < 640 and 0 <= y0 <= mark["center"][1] <= y1 < 480
    assert mark["pixels"] > 100
    # The learnt limits are the set's now.
    _, colours = service.json("/api/colours")
    learnt = colours["colours"][0]
    assert learnt["name"] == "verd" and learnt["lMax"] > 0 and learnt["a1Max"] > 0


def test_a_set_is_taken_whole_or_not_at_all(service):
    good = {"colours": [colour("vermell"), colour("blau", maxMarks=3, display="#0000FF")]}
    assert service.json("/api/colours", method="PUT", body=good)[0] == 200
    before = service.json("/api/colours")[1]
    assert [c["name"] for c in before["colours"]] == ["vermell", "blau"]
    assert before["colours"][1]["maxMarks"] == 3 and before["colours"][1]["display"] == "#0000FF"

    bad_sets = [
        {"colours": [colour("a"), colour("b", lMax=256)]},           # out of range, second one
        {"colours": [colour("a"), colour("b", MaxWidth=641)]},
        {"colours": [colour("a"), colour("a")]},                     # names not unique
        {"colours": [colour("a"), colour("b c")]},                   # not a valid name
        {"colours": [colour("a"), dict(colour("b"), lMin=-1)]},
        {"colours": [colour("a"), dict(colour("b"), lMin=1.5)]},
        {"colours": [colour("a"), dict(colour("b"), colour="x")]},   # unknown field
        {"colours": [colour("a"), {k: v for k, v in colour("b").items() if k != "a2Max"}]},
        {"colours": []},
        {"colours": [colour("c%d" % i) for i in range(17)]},
        {"colours": [colour("a")], "extra": 1},
    ]
    for bad in bad_sets:
        status, answer = service.json("/api/colours", method="PUT", body=bad)
        assert 400 <= status < 500 and answer["error"], bad
    for raw in [b"{", b"[]", b"", b"\xff\xfe"]:
        status, _, _ = service.request("/api/colours", method="PUT", raw=raw,
                                       headers={"Content-Type": "application/json"})
        assert 400 <= status < 500, raw
    assert service.json("/api/colours")[1] == before
    status, answer = service.json("/api/calibrate", method="POST",
                                  body={"colour": "groc", "x": 10, "y": 10})
    assert status == 422 and answer["error"]


def read_part(stream):
    """One part of a multipart stream: its headers and its body."""
    boundary = stream.readline()
    while boundary in (b"\r\n", b"\n"):
        boundary = stream.readline()
    assert boundary.strip() == b"--quelta-frame", boundary
    headers = {}
    for line in iter(stream.readline, b"\r\n"):
        name, _, value = line.decode().partition(":")
        headers[name.strip().lower()] = value.strip()
    body = stream.read(int(headers["content-length"]))
    return headers, body


def test_the_stream_sends_whole_jpeg_pictures(service):
    first_frame(service)
    host = urllib.parse.urlsplit(service.base)
    connection = http.client.HTTPConnection(host.hostname, host.port, timeout=10)
    try:
        connection.request("GET", "/stream.mjpg")
        answer = connection.getresponse()
        assert answer.status == 200
        assert answer.getheader("Content-Type") == "multipart/x-mixed-replace; boundary=quelta-frame"
        pictures = []
        for _ in range(3):
            headers, body = read_part(answer)
            assert headers["content-type"] == "image/jpeg"
            assert body[:2] == b"\xff\xd8" and body[-2:] == b"\xff\xd9"
            picture = cv2.imdecode(np.frombuffer(body, np.uint8), cv2.IMREAD_COLOR)
            assert picture.shape == (480, 640, 3)
            pictures.append(picture)
        assert any(cv2.norm(pictures[0], p) > 0 for p in pictures[1:]), "the picture never moved"
    finally:
        connection.close()
    status, _ = service.json("/api/status")
    assert status == 200


def stored_files(home):
    return [os.path.join(d, f) for d, _, files in os.walk(home) for f in files]


def test_sigterm_ends_with_0_and_saves_only_when_asked():
    service = Service()
    home_config = os.path.join(service.home, "config")
    try:
        first_frame(service)
        assert service.json("/api/colours", method="PUT",
                            body={"colours": [colour("verd")]})[0] == 200
        assert stored_files(home_config) == []
        assert service.json("/api/save", method="POST", body={})[0] == 200
        saved = stored_files(home_config)
        assert saved
        with open(saved[0], errors="replace") as f:
            assert "verd" in f.read()
        assert service.json("/api/colours", method="PUT",
                            body={"colours": [colour("blau")]})[0] == 200
        service.process.send_signal(15)
        assert service.process.wait(timeout=10) == 0
        with open(saved[0], errors="replace") as f:
            text = f.read()
        assert "verd" in text and "blau" not in text
    finally:
        assert service.stop() == 0

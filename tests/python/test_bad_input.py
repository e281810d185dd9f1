"""Bad input gets a clear Python exception, never a crash; a Tracker shared by threads holds."""

import threading

import numpy as np
import pytest

import quelta
from conftest import MARK_BGR, fields, limits_around, scene

FRAME = np.zeros((48, 64, 4), np.uint8)


@pytest.mark.parametrize("frame, error, message", [
    ([[[0, 0, 0]]], TypeError, "numpy array"),
    (FRAME.astype(np.float32), TypeError, "uint8"),
    (FRAME.astype(np.int8), TypeError, "uint8"),
    (FRAME[..., 0], ValueError, r"got shape \(48, 64\)"),
    (np.zeros((48, 64, 2), np.uint8), ValueError, "H x W x 3"),
    (np.zeros((0, 64, 4), np.uint8), ValueError, "empty"),
])
def test_frames_of_the_wrong_kind_are_refused(frame, error, message):
    with pytest.raises(error, match=message):
        quelta.Tracker().track(frame)


def test_read_only_frames_are_tracked_but_not_drawn_on():
    frame = np.broadcast_to(np.uint8(90), (48, 64, 3))
    tracker = quelta.Tracker()
    assert not tracker.track(frame).found
    with pytest.raises(ValueError, match="read-only"):
        tracker.track(frame, draw=True)


def test_calibrating_at_no_point_is_refused():
    with pytest.raises(ValueError):
        quelta.Tracker().calibrate(0, 0)


@pytest.mark.parametrize("name, error", [
    ("camera0", ValueError),
    ("file:/no/such/clip.avi", OSError),
    ("testcam:8x8@30", OSError),
])
def test_sources_that_cannot_open_raise(name, error):
    with pytest.raises(error, match="source"):
        quelta.Source(name)


def test_one_tracker_shared_by_threads_gives_each_its_own_result():
    limits = limits_around(MARK_BGR, 30)
    frames = [scene(320, 240, seed, discs=[(40 + 60 * seed, 120, 10 + 3 * seed)])
              for seed in range(4)]
    alone = quelta.Tracker(limits)
    expected = [fields(alone.track(f)) for f in frames]
    shared = quelta.Tracker(limits)
    wrong = []

    def work(i):
        for _ in range(200):
            got = fields(shared.track(frames[i], draw=False))
            if got != expected[i]:
                wrong.append((i, got))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=60)
        assert not thread.is_alive(), "a tracking thread did not finish in 60 s"
    assert wrong == []


def test_bad_colour_sets_raise_and_change_nothing(tmp_path):
    red, green = quelta.Colour("red", lMin=10, lMax=200), quelta.Colour("green", max_marks=3)
    tracker = quelta.Tracker(colours=[red, green])
    before = tracker.colours
    for colours, error, message in [
        ([quelta.Colour("c%d" % i) for i in range(17)], ValueError, "1 to 16 colours, not 17"),
        ([], ValueError, "not 0"),
        ([red, quelta.Colour("red", lMin=3)], ValueError, "'red' is repeated"),
        ([red, "green"], TypeError, "item 1 is str"),
        ("red", TypeError, "list of quelta.Colour"),
    ]:
        with pytest.raises(error, match=message):
            tracker.colours = colours
        with pytest.raises(error, match=message):
            quelta.Tracker(colours=colours)
        with pytest.raises(error, match=message):
            quelta.save_colours(colours, tmp_path / "bad.qta")
    assert tracker.colours == before and not (tmp_path / "bad.qta").exists()

    colour = red.copy()
    for field, value, error in [
        ("name", "", ValueError), ("name", "re d", ValueError), ("name", "x" * 33, ValueError),
        ("name", 5, TypeError), ("lMin", 256, ValueError), ("MaxWidth", 641, ValueError),
        ("max_marks", 0, ValueError), ("max_marks", 65, ValueError), ("max_marks", 2.0, TypeError),
        ("display", 0x1000000, ValueError), ("params", 3, TypeError), ("lmin", 3, TypeError),
    ]:
        if hasattr(colour, field):
            with pytest.raises(error):
                setattr(colour, field, value)
        with pytest.raises(error):
            quelta.Colour(value) if field == "name" else quelta.Colour("ok", **{field: value})
    assert colour == red

    frame = np.zeros((48, 64, 3), np.uint8)
    with pytest.raises(ValueError, match="no colour 'blue'"):
        tracker.calibrate(5, 5, colour="blue")
    with pytest.raises(ValueError, match="no colour 'blue'"):
        tracker.track_marks(frame, mask="blue")
    with pytest.raises(ValueError, match="finite"):
        tracker.track_marks(frame, time=float("nan"))
    assert tracker.point is None and tracker.colours == before and tracker.regions == {}


def test_bad_colour_set_files_raise_settings_error(tmp_path):
    sixteen = [quelta.Colour("c%d" % i, lMin=i) for i in range(16)]
    quelta.save_colours(sixteen, tmp_path / "sixteen.qta")
    assert quelta.load_colours(tmp_path / "sixteen.qta") == sixteen
    text = (tmp_path / "sixteen.qta").read_bytes()
    last = text[text.rindex(b"Name c15"):]
    files = {
        "seventeen.qta": (text.replace(b"Colours 16", b"Colours 17") +
                          last.replace(b"c15", b"c16"), "from 1 to 16"),
        "repeated.qta": (text.replace(b"Name c15", b"Name c14"), "'c14' is repeated"),
        "no-marks.qta": (text.replace(b"Name c15\r\nDisplay FF0000\r\nMaxMarks 8",
                                      b"Name c15\r\nDisplay FF0000\r\nMaxMarks 0"),
                         "MaxMarks must be a whole number from 1 to 64"),
    }
    for name, (bad, reason) in files.items():
        (tmp_path / name).write_bytes(bad)
        with pytest.raises(quelta.SettingsError, match=name + ".*" + reason):
            quelta.load_colours(tmp_path / name)

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

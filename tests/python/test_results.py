"""The module gives quelta-track's numbers on the same frames: images, a video, the test camera,
learnt colours and drawn pixels."""

import cv2
import numpy as np

import quelta
from conftest import MARK_BGR, fields, limits_around, run_track, scene


def padded_bgra(bgr):
    """BGRA with rows further apart than the pixels need (tracked in place)."""
    h, w = bgr.shape[:2]
    wide = np.zeros((h, w + 7, 4), np.uint8)
    wide[:, :w] = cv2.cvtColor(bgr, cv2.COLOR_BGR2BGRA)
    return wide[:, :w]


# The same picture in every layout a caller may hand over.
LAYOUTS = {
    "bgr": lambda bgr: bgr,
    "bgra": lambda bgr: cv2.cvtColor(bgr, cv2.COLOR_BGR2BGRA),
    "bgra rows apart": padded_bgra,
    "bgr column-major": np.asfortranarray,
    "bgr channels reversed in memory": lambda bgr: np.ascontiguousarray(bgr[..., ::-1])[..., ::-1],
}


def dots(width, height):
    """Isolated specks every other pixel: far more regions than a 16-bit mask can number."""
    picture = scene(width, height, 9)
    picture[::2, ::2] = MARK_BGR
    picture[100:140, 200:260] = MARK_BGR
    return picture


def write_images(folder):
    pictures = [
        scene(640, 480, 1, discs=[(320, 240, 25)]),
        scene(640, 480, 2, discs=[(100, 80, 12), (500, 400, 30), (300, 200, 5)], specks=300),
        scene(640, 480, 3),
        scene(1280, 720, 4, discs=[(900, 300, 40), (200, 600, 20)], specks=1000),
        scene(200, 150, 5, discs=[(0, 0, 30)]),
        dots(1280, 720),
    ]
    names = []
    for i, picture in enumerate(pictures):
        names.append("picture%d.png" % i)
        cv2.imwrite(str(folder / names[-1]), picture)
    return names


def test_images_in_every_layout_give_quelta_tracks_columns(tmp_path):
    names = write_images(tmp_path)
    limits = limits_around(MARK_BGR, 30)
    limits.save(tmp_path / "limits.qta")
    rows = run_track(["--settings", "limits.qta", *names], tmp_path)
    assert len(rows) == len(names)
    trackers = {layout: quelta.Tracker(limits) for layout in LAYOUTS}
    for name, row in zip(names, rows):
        bgr = cv2.imread(str(tmp_path / name))
        for layout, arrange in LAYOUTS.items():
            assert fields(trackers[layout].track(arrange(bgr))) == row[1:], (name, layout)
    assert int(rows[-1][2]) > 65534  # the dots: every group counts


def test_video_frames_give_quelta_tracks_columns(tmp_path):
    writer = cv2.VideoWriter(str(tmp_path / "clip.avi"), cv2.VideoWriter_fourcc(*"MJPG"), 30,
                             (320, 240))
    assert writer.isOpened()
    for i in range(12):
        writer.write(scene(320, 240, 20 + i, discs=[(30 + 22 * i, 120 + 3 * i, 14)], specks=40))
    writer.release()
    limits = limits_around(MARK_BGR, 40)
    limits.save(tmp_path / "limits.qta")
    rows = run_track(["--settings", "limits.qta", "clip.avi"], tmp_path)
    assert len(rows) == 12
    tracker = quelta.Tracker(limits)
    video = cv2.VideoCapture(str(tmp_path / "clip.avi"))
    for row in rows:
        ok, bgr = video.read()
        assert ok
        assert fields(tracker.track(bgr)) == row[1:], row[0]
    assert sum(row[1] == "1" for row in rows) >= 10


def test_calibration_learns_what_quelta_track_learns(tmp_path):
    bgr = scene(640, 480, 7, discs=[(250, 180, 30)], specks=50)
    cv2.imwrite(str(tmp_path / "still.png"), bgr)
    rows = run_track(["--click", "252,178", "--save-settings", "learnt.qta", "still.png"],
                     tmp_path)
    tracker = quelta.Tracker()
    tracker.calibrate(252, 178)
    assert fields(tracker.track(bgr)) == rows[0][1:]
    assert rows[0][1] == "1"
    assert tracker.params == quelta.Params.load(tmp_path / "learnt.qta")
    assert tracker.point == (252, 178)


def test_drawn_pixels_are_quelta_tracks(tmp_path):
    bgr = scene(320, 240, 8, discs=[(120, 100, 20)], specks=30)
    cv2.imwrite(str(tmp_path / "still.png"), bgr)
    limits = limits_around(MARK_BGR, 30)
    limits.save(tmp_path / "limits.qta")
    for extra in ([], ["--show-mask"]):
        run_track(["--settings", "limits.qta", "--point", "200,50", "--draw", "out%d.png", *extra,
                   "still.png"], tmp_path)
        expected = cv2.imread(str(tmp_path / "out0.png"))
        tracker = quelta.Tracker(limits)
        tracker.params.ShowMask = bool(extra)
        tracker.point = (200, 50)
        drawn_bgr = bgr.copy()
        tracker.track(drawn_bgr, draw=True)  # through the buffer, then back
        drawn_bgra = cv2.cvtColor(bgr, cv2.COLOR_BGR2BGRA)
        tracker.track(drawn_bgra, draw=True)  # in place
        assert not np.array_equal(drawn_bgr, bgr)
        assert np.array_equal(drawn_bgr, expected), extra
        assert np.array_equal(cv2.cvtColor(drawn_bgra, cv2.COLOR_BGRA2BGR), expected), extra


def test_test_camera_frames_follow_the_truth_and_match_quelta_track(tmp_path):
    tracker = quelta.Tracker()
    frames, truths, results = [], [], []
    with quelta.Source("testcam:320x240@30") as source:
        for frame, info in source:
            if not frames and info.truth is None:
                continue
            if not frames:  # the mark rests in the middle at first: learn its colour there
                tracker.calibrate(int(info.truth[0]), int(info.truth[1]))
            results.append(tracker.track(frame))
            frames.append(frame)
            truths.append(info.truth)
            if len(frames) == 150:
                break
    tracker.params.save(tmp_path / "limits.qta")
    names = []
    for i, frame in enumerate(frames[1:]):
        names.append("f%03d.png" % i)
        cv2.imwrite(str(tmp_path / names[-1]), frame)
    rows = run_track(["--settings", "limits.qta", *names], tmp_path)
    assert [fields(r) for r in results[1:]] == [row[1:] for row in rows]

    inside = [(r, t) for r, t in zip(results, truths)
              if t is not None and 30 <= t[0] <= 290 and 30 <= t[1] <= 210]
    close = [r for r, t in inside if r.found and np.hypot(r.center[0] - t[0],
                                                          r.center[1] - t[1]) <= 2.0]
    assert len(inside) > 50
    assert len(close) >= len(inside) * 0.98, (len(close), len(inside))

#!/usr/bin/env python3
"""The Python module's speed, side by side in one run (single thread, as quelta-bench):

  bgra  Tracker.track on a B,G,R,A frame against the C++ pass itself (CColorTracker::Track,
        timed in C++ by the quelta_pass_timer extension on the same frame and limits, in this
        process)
  bgr   Tracker.track on a B,G,R frame against the usual Python pipeline: cv2.cvtColor to YUV,
        cv2.inRange, cv2.connectedComponentsWithStats and the same choice of blob in numpy

on the benchmark's scenes (mark, clutter, noise) at 640x480, 1280x720 and 1920x1080. Each
pair is timed in alternating rounds; the figures are medians of single calls, in ms:
  bgra <scene> <W>x<H> module=<ms> cpp=<ms> ratio=<module/cpp>
  bgr <scene> <W>x<H> module=<ms> pipeline=<ms> ratio=<module/pipeline>
Run by scripts/bench; by hand:
  PYTHONPATH=build/python:build/bench/python python3 bench/python/track_bench.py
"""

import ctypes
import statistics
import sys
import tempfile
import time

import cv2
import numpy as np

import quelta
import quelta_pass_timer

SIZES = ["640x480", "1280x720", "1920x1080"]
SCENES = ["mark", "clutter", "noise"]
ROUNDS = 7
ROUND_SECONDS = 0.1


def limits_for(params, width, height):
    """The size limits scaled to the frame, as the engine scales them."""
    sx = float(np.float32(width) * np.float32(0.0015625))
    per_row = float(np.float32(0.0020833334))
    return (int(params.MinWidth * sx), int(params.MaxWidth * sx),
            int(float(params.MinHeight * height) * per_row),
            int(float(params.MaxHeight * height) * per_row), params.MinARatio * 0.01)


def python_pipeline(bgr, p):
    """How a Python program would track the mark with OpenCV and numpy: (regions, box)."""
    yuv = cv2.cvtColor(bgr, cv2.COLOR_BGR2YUV)
    mask = cv2.inRange(yuv, (p.lMin, p.a1Min, p.a2Min), (p.lMax, p.a1Max, p.a2Max))
    n, _, stats, centroids = cv2.connectedComponentsWithStats(mask, connectivity=8)
    wmin, wmax, hmin, hmax, ratio_limit = limits_for(p, bgr.shape[1], bgr.shape[0])
    w = stats[1:, cv2.CC_STAT_WIDTH] - 1
    h = stats[1:, cv2.CC_STAT_HEIGHT] - 1
    ok = (w > 0) & (h > 0) & (w >= wmin) & (w <= wmax) & (h >= hmin) & (h <= hmax)
    ratio = np.minimum(w, h) / np.maximum(np.maximum(w, h), 1)
    ok &= ratio > ratio_limit
    score = np.where(ok, np.floor(np.sqrt((w * w + h * h).astype(np.float64))), 0)
    if n < 2 or score.max() <= 0:
        return n - 1, None
    i = int(np.argmax(score))  # the first of equal scores, as the engine
    x0, y0 = int(stats[i + 1, cv2.CC_STAT_LEFT]), int(stats[i + 1, cv2.CC_STAT_TOP])
    cx, cy = centroids[i + 1]
    row = (cy + 0.5) * (480.0 / bgr.shape[0])
    col = (cx + 0.5) * (640.0 / bgr.shape[1])
    return n - 1, (x0, y0, x0 + int(w[i]), y0 + int(h[i]), row, col)


def passes_for(call):
    """How many calls make one round of about ROUND_SECONDS."""
    call()
    t0 = time.perf_counter()
    call()
    return max(5, int(ROUND_SECONDS / max(time.perf_counter() - t0, 1e-6)))


def timed(call, passes, samples):
    for _ in range(passes):
        t0 = time.perf_counter()
        call()
        samples.append((time.perf_counter() - t0) * 1e3)


def compare_bgra(png, qta, label):
    frame = cv2.imread(png, cv2.IMREAD_UNCHANGED)
    tracker = quelta.Tracker(quelta.Params.load(qta))
    passes = passes_for(lambda: tracker.track(frame))
    ours, theirs, cpp_box = [], [], None
    for _ in range(ROUNDS):
        cpp_box, _, ms = quelta_pass_timer.time(frame, qta, passes)
        theirs.extend(ms)
        timed(lambda: tracker.track(frame), passes, ours)
    same = tracker.track(frame).box == cpp_box
    m, c = statistics.median(ours), statistics.median(theirs)
    print("bgra %s module=%.3f cpp=%.3f ratio=%.3f%s" % (label, m, c, m / c,
                                                         "" if same else " DIFFERENT BOX"))
    return same


def compare_bgr(png, qta, label):
    bgr = cv2.cvtColor(cv2.imread(png, cv2.IMREAD_UNCHANGED), cv2.COLOR_BGRA2BGR)
    params = quelta.Params.load(qta)
    tracker = quelta.Tracker(params)
    r = tracker.track(bgr)
    regions, found = python_pipeline(bgr, params)
    same = regions == r.regions and (found is None) == (not r.found) and (
        found is None or (found[:4] == r.box and "%.2f %.2f" % found[4:] == "%.2f %.2f" % (
            r.row, r.col)))
    module_passes = passes_for(lambda: tracker.track(bgr))
    pipeline_passes = passes_for(lambda: python_pipeline(bgr, params))
    ours, theirs = [], []
    for _ in range(ROUNDS):
        timed(lambda: python_pipeline(bgr, params), pipeline_passes, theirs)
        timed(lambda: tracker.track(bgr), module_passes, ours)
    m, p = statistics.median(ours), statistics.median(theirs)
    print("bgr %s module=%.3f pipeline=%.3f ratio=%.3f%s" % (label, m, p, m / p,
                                                             "" if same else " DIFFERENT BOX"))
    return same


def steady_allocator():
    """Frame-sized arrays from the heap, kept between calls. With glibc's defaults, whether
    the pipeline's large arrays are mapped afresh (and fault their pages in) on every call
    depends on what the process allocated and freed before, which swung its time at 1280x720
    from 12 to 35 ms with the order of the scenes; this is its fast case, always."""
    try:
        libc = ctypes.CDLL(None)
        libc.mallopt(-3, 32 << 20)  # M_MMAP_THRESHOLD: its largest
        libc.mallopt(-1, 1 << 30)  # M_TRIM_THRESHOLD
    except (OSError, AttributeError):
        pass  # not glibc


def main():
    if len(sys.argv) > 1:
        print(__doc__)
        return 2
    steady_allocator()
    cv2.setNumThreads(1)  # the engine runs on one thread; so does OpenCV here
    agree = True
    with tempfile.TemporaryDirectory(prefix="quelta-bench-") as folder:
        for scene in SCENES:
            for size in SIZES:
                png, qta = quelta_pass_timer.write(scene, size, folder)
                label = "%s %s" % (scene, size)
                agree = compare_bgra(png, qta, label) and agree
                agree = compare_bgr(png, qta, label) and agree
                sys.stdout.flush()
    if not agree:
        print("error: the module and the other side chose different boxes")
    return 0 if agree else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Prints where the mark is, frame by frame, from Quelta's built-in test camera (or any source).

    PYTHONPATH=build/python python3 examples/track_testcam.py --frames 90
    python3 examples/track_testcam.py --source v4l2:/dev/video0 --settings marca.qta

Without --settings the colour is learnt at the middle of the first frame, where the test
camera's mark rests when it starts. Ctrl+C ends it.
"""

import argparse
import sys

import quelta


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", default="testcam", help="testcam, v4l2:, file:, gst:")
    parser.add_argument("--settings", help="a settings file (.qta) with the mark's limits")
    parser.add_argument("--frames", type=int, default=0, help="stop after N frames")
    args = parser.parse_args()

    params = quelta.Params.load(args.settings) if args.settings else quelta.Params()
    tracker = quelta.Tracker(params)
    with quelta.Source(args.source) as source:
        for n, (frame, info) in enumerate(source, start=1):
            if n == 1 and not args.settings:
                height, width = frame.shape[:2]
                tracker.calibrate(width // 2, height // 2)
            r = tracker.track(frame)
            if r.found:
                x, y = r.center
                print(f"frame {info.number} time {info.time:.3f}: x={x:.2f} y={y:.2f} "
                      f"row={r.row:.2f} col={r.col:.2f}", flush=True)
            else:
                print(f"frame {info.number} time {info.time:.3f}: no mark", flush=True)
            if n == args.frames:
                break


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(130)
    except (OSError, quelta.SettingsError) as error:
        sys.exit(f"track_testcam: {error}")

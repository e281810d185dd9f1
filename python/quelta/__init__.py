"""Quelta's colour-mark tracker for Python programs.

    import quelta
    tracker = quelta.Tracker(quelta.Params.load("marca.qta"))
    with quelta.Source("testcam") as source:
        for frame, info in source:
            r = tracker.track(frame)
            if r.found:
                print(info.number, r.center, r.row, r.col)

Frames are numpy uint8 arrays, H x W x 4 (B,G,R,A) or H x W x 3 (B,G,R), as OpenCV's cv2
gives them. The numbers are those quelta-track prints (it rounds them to 2 decimals).
"""

from ._quelta import (
    FrameInfo,
    Params,
    Result,
    SettingsError,
    Source,
    Tracker,
    __version__,
    kernels,
)

__all__ = ["FrameInfo", "Params", "Result", "SettingsError", "Source", "Tracker", "kernels"]

# Named as users import them, in reprs and tracebacks.
for _name in __all__:
    globals()[_name].__module__ = __name__
del _name

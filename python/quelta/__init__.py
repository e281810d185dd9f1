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

Several colours, every mark of each, with identities that last from frame to frame:

    tracker = quelta.Tracker(colours=quelta.load_colours("colours.qta"))
    with quelta.Source("testcam-multi") as source:
        for frame, info in source:
            for mark in tracker.track_marks(frame, time=info.time):
                print(info.number, mark.id, mark.colour, mark.center, mark.lost)
"""

from ._quelta import (
    Colour,
    FrameInfo,
    Mark,
    Params,
    Result,
    SettingsError,
    Source,
    Tracker,
    TrueMark,
    __version__,
    colours_from_store,
    kernels,
    load_colours,
    save_colours,
)

__all__ = ["Colour", "FrameInfo", "Mark", "Params", "Result", "SettingsError", "Source",
           "Tracker", "TrueMark", "colours_from_store", "kernels", "load_colours",
           "save_colours"]

# Named as users import them, in reprs and tracebacks.
for _name in __all__:
    globals()[_name].__module__ = __name__
del _name

"""What the module's tests share: a private settings folder, quelta-track, synthetic pictures."""

import os
import shutil
import subprocess
import tempfile

# Before quelta is imported: the store is found through XDG_CONFIG_HOME once per process, and
# the user's real settings must never be read or written.
CONFIG_HOME = tempfile.mkdtemp(prefix="quelta-pytest-config-")
os.environ["XDG_CONFIG_HOME"] = CONFIG_HOME

import cv2  # noqa: E402
import numpy as np  # noqa: E402
import pytest  # noqa: E402

import quelta  # noqa: E402

# A run for one kernel set (QUELTA_TEST_KERNELS) that this processor lacks is skipped as a whole
# (ctest's skip status), not passed with other kernels.
_WANTED_KERNELS = os.environ.get("QUELTA_TEST_KERNELS", "")
if _WANTED_KERNELS and quelta.kernels() != _WANTED_KERNELS:
    print(f"skipped: this processor cannot run the {_WANTED_KERNELS} kernels "
          f"(it would run {quelta.kernels()})")
    os._exit(77)

TRACK = os.environ.get("QUELTA_TRACK", "")
MARK_BGR = (40, 200, 60)  # a saturated green the muted backgrounds never reach


def pytest_sessionfinish(session, exitstatus):
    shutil.rmtree(CONFIG_HOME, ignore_errors=True)


def run_track(args, cwd, timeout=120):
    """quelta-track's CSV lines after the header, as lists of fields."""
    assert TRACK, "QUELTA_TRACK must name the quelta-track program"
    done = subprocess.run([TRACK, *args], cwd=cwd, capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=timeout)
    assert done.returncode == 0, done.stderr
    return [line.split(",") for line in done.stdout.splitlines()[1:]]


def fields(result):
    """A Result as quelta-track's columns found..col."""
    if not result.found:
        return ["0", str(result.regions)] + [""] * 8
    return (["1", str(result.regions)] + [str(v) for v in result.box] +
            ["%.2f" % v for v in (*result.center, result.row, result.col)])


def limits_around(bgr, margin):
    """Params whose colour bounds take `bgr` with `margin` on each YUV byte."""
    yuv = cv2.cvtColor(np.array([[bgr]], np.uint8), cv2.COLOR_BGR2YUV)[0, 0].astype(int)
    lo, hi = np.clip(yuv - margin, 0, 255), np.clip(yuv + margin, 0, 255)
    return quelta.Params(lMin=int(lo[0]), lMax=int(hi[0]), a1Min=int(lo[1]), a1Max=int(hi[1]),
                         a2Min=int(lo[2]), a2Max=int(hi[2]))


def scene(width, height, seed, discs=(), specks=0):
    """BGR: a noisy grey-brown background, anti-aliased discs (x, y, r) and single specks of
    the mark's colour."""
    rng = np.random.default_rng(seed)
    base = rng.integers(70, 130, (height, width, 1), dtype=np.int16)
    picture = np.clip(base + rng.integers(-12, 12, (height, width, 3)), 0, 255).astype(np.uint8)
    for x, y, r in discs:
        cv2.circle(picture, (x, y), r, MARK_BGR, -1, lineType=cv2.LINE_AA)
    for _ in range(specks):
        picture[rng.integers(height), rng.integers(width)] = MARK_BGR
    return picture


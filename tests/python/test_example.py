"""The example program runs and prints the test camera's mark."""

import os
import pathlib
import re
import subprocess
import sys

EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "track_testcam.py"


def test_example_prints_the_test_cameras_mark():
    done = subprocess.run([sys.executable, str(EXAMPLE), "--frames", "20", "--source",
                           "testcam:320x240@30"], capture_output=True, text=True, timeout=60,
                          env=dict(os.environ))
    assert done.returncode == 0, done.stderr
    lines = done.stdout.splitlines()
    assert len(lines) == 20
    # The mark rests in the middle of the picture at first.
    first = re.fullmatch(r"frame \d+ time [\d.]+: x=([\d.]+) y=([\d.]+) row=[\d.]+ col=[\d.]+",
                         lines[0])
    assert first, lines[0]
    assert abs(float(first[1]) - 159.5) < 2 and abs(float(first[2]) - 119.5) < 2

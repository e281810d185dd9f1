"""Source: newest frames from a live source, closing, timeouts, Ctrl+C while waiting."""

import os
import signal
import subprocess
import sys
import threading
import time

import pytest

import quelta

# A frame every 100 s: its first frame comes at once, the second keeps a reader waiting.
SILENT = "testcam:16x16@0.01"


def test_only_the_newest_frame_is_given():
    # Two frames a second: while the reader sleeps 1.25 s after frame n, frames n+1 (at 0.5 s)
    # and n+2 (at 1 s) wait in the sequence; n+3 comes at 1.5 s.
    with quelta.Source("testcam:64x48@2") as source:
        frame, info = next(source)
        assert frame.shape == (48, 64, 4) and frame.flags.writeable
        assert abs(info.time - time.time()) < 5.0  # Unix seconds
        assert info.truth is None or len(info.truth) == 2
        time.sleep(max(0.0, 1.25 - (time.time() - info.time)))
        _, newest = next(source)
        assert newest.number >= info.number + 2


def test_a_closed_source_raises_and_closing_again_does_nothing():
    with quelta.Source("testcam:64x48@30") as source:
        next(source)
    assert source.closed
    with pytest.raises(ValueError, match="closed"):
        next(source)
    source.close()


def native_threads():
    return len(os.listdir("/proc/self/task"))


def wait_for_threads(check, what):
    deadline = time.monotonic() + 10
    while not check(native_threads()):
        assert time.monotonic() < deadline, "%s: still %d threads after 10 s" % (
            what, native_threads())
        time.sleep(0.05)


def test_closing_or_dropping_a_source_ends_its_capture_thread():
    with quelta.Source("testcam:64x48@30") as source:
        next(source)
    counts = []
    for _ in range(10):  # threads that were ending meanwhile are gone
        counts.append(native_threads())
        time.sleep(0.05)
    before = min(counts)
    source = quelta.Source("testcam:64x48@30")
    next(source)
    wait_for_threads(lambda n: n > before, "an open source")
    del source
    wait_for_threads(lambda n: n <= before, "a dropped source")
    for _ in quelta.Source("testcam:64x48@30"):
        break
    wait_for_threads(lambda n: n <= before, "a source left by a for loop")


def test_a_silent_source_times_out():
    source = quelta.Source(SILENT, timeout=0.3)
    with pytest.raises(TimeoutError, match="no frame"):
        next(source), next(source)
    source.close()


def test_closing_from_another_thread_ends_a_wait():
    source = quelta.Source(SILENT, timeout=60)
    threading.Timer(0.3, source.close).start()
    with pytest.raises(ValueError, match="closed"):
        next(source), next(source)


def run_child(code, interrupt=False):
    env = dict(os.environ, PYTHONUNBUFFERED="1")
    child = subprocess.Popen([sys.executable, "-c", code], env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    try:
        if interrupt:
            assert child.stdout.readline() == "waiting\n", "the child never began to wait"
            time.sleep(0.3)
            child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=30)
    finally:
        child.kill()
        child.wait()
    return child.returncode, out, err


def test_ctrl_c_while_waiting_for_a_frame_raises_keyboard_interrupt():
    code = ("import quelta\n"
            "s = quelta.Source(%r, timeout=60)\n"
            "print('waiting')\n"
            "next(s), next(s)\n" % SILENT)
    status, _, err = run_child(code, interrupt=True)
    assert status != 0 and "KeyboardInterrupt" in err, err


def test_a_program_may_end_with_its_source_still_open():
    code = ("import quelta\n"
            "s = quelta.Source('testcam:64x48@30')\n"
            "next(s)\n"
            "print('done')\n")
    status, out, err = run_child(code)
    assert (status, out) == (0, "done\n"), err

"""Params: the limits quelta-track and the store use, their files, and the live record."""

import os
import pathlib

import cv2
import numpy as np
import pytest

import quelta
from conftest import CONFIG_HOME, MARK_BGR, fields, limits_around, run_track, scene

DISTINCT = dict(lMin=11, lMax=222, a1Min=33, a1Max=144, a2Min=55, a2Max=166, MinARatio=7,
                MinWidth=8, MaxWidth=609, MinHeight=10, MaxHeight=411)


def test_files_pass_between_the_module_and_quelta_track(tmp_path):
    cv2.imwrite(str(tmp_path / "still.png"), scene(64, 48, 1))
    quelta.Params(**DISTINCT).save(tmp_path / "mine.qta")
    run_track(["--settings", "mine.qta", "--save-settings", "theirs.qta", "still.png"], tmp_path)
    assert quelta.Params.load(tmp_path / "theirs.qta") == quelta.Params(**DISTINCT)
    assert (tmp_path / "theirs.qta").read_bytes() == (tmp_path / "mine.qta").read_bytes()


def test_values_outside_the_stored_ranges_are_refused():
    p = quelta.Params()
    with pytest.raises(ValueError, match="lMin must be from 0 to 255"):
        p.lMin = 256
    with pytest.raises(ValueError, match="MaxWidth must be from 0 to 640"):
        quelta.Params(MaxWidth=641)
    with pytest.raises(ValueError):
        p.MinARatio = -1
    with pytest.raises(ValueError):
        p.MinARatio = 2**70
    with pytest.raises(TypeError):
        p.MaxHeight = 2.5
    with pytest.raises(TypeError, match="no field 'lmin'"):
        quelta.Params(lmin=3)
    assert p == quelta.Params()
    p.lMin = np.uint8(200)  # as numpy gives colours
    assert p.lMin == 200


def test_unreadable_or_malformed_files_raise_settings_error(tmp_path):
    with pytest.raises(quelta.SettingsError, match="no such file"):
        quelta.Params.load(tmp_path / "missing.qta")
    quelta.Params(**DISTINCT).save(tmp_path / "bad.qta")
    text = (tmp_path / "bad.qta").read_bytes().replace(b"lMax 222", b"lMax 256")
    (tmp_path / "bad.qta").write_bytes(text)
    with pytest.raises(quelta.SettingsError, match="bad.qta"):
        quelta.Params.load(str(tmp_path / "bad.qta"))
    with pytest.raises(quelta.SettingsError):
        quelta.Params().save(tmp_path / "no" / "such" / "folder.qta")


def test_the_store_is_read_and_never_written():
    store = pathlib.Path(CONFIG_HOME) / "Orda" / "Quelta.conf"
    assert quelta.Params.from_store() == quelta.Params()
    assert not store.exists()
    store.parent.mkdir(parents=True, exist_ok=True)
    store.write_text("[Settings]\nlMin=12\nMaxWidth=320\nMinHeight=999\n")
    try:
        before = os.stat(store).st_mtime_ns
        assert quelta.Params.from_store() == quelta.Params(lMin=12, MaxWidth=320)
        assert quelta.colours_from_store() == [quelta.Colour("mark", lMin=12, MaxWidth=320)]
        assert os.stat(store).st_mtime_ns == before
    finally:
        store.unlink()


def test_tracker_params_are_its_live_record():
    bgr = scene(160, 120, 3, discs=[(80, 60, 15)])
    limits = limits_around(MARK_BGR, 30)
    tracker = quelta.Tracker(limits)
    limits.lMax = 0  # the tracker took a copy
    assert tracker.track(bgr).found
    tracker.params.lMax = 0
    assert not tracker.track(bgr).found
    tracker.params = limits_around(MARK_BGR, 30)
    assert fields(tracker.track(bgr))[0] == "1"

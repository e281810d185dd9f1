#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end the monitor as "Sortir" would: status 0, and the tracking
# library (here the scripted one, which logs its calls) is finalised exactly once.
# usage: QuitOnSignals.sh ALARMA_QUELTA FAKE_LIBRARY
set -euo pipefail
monitor=$1
library=$2
. "$(dirname "$0")/../support/bounded.sh"
work=$(mktemp -d)
pid=
trap 'stop_process "$pid"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config

started() { grep -qx QTAInicialitza "$work/calls" 2>/dev/null; }
ended() { ! kill -0 "$pid" 2>/dev/null; }

for signal in TERM INT HUP; do
  step "SIG$signal"
  : >"$work/calls"
  QUELTA_LIBRARY=$library FAKE_QTA_LOG=$work/calls "$monitor" >"$work/out" 2>&1 &
  pid=$!
  wait_until 20 "the library to be started" started
  kill -"$signal" "$pid"
  wait_until 20 "the monitor to end" ended
  status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" = 0 ] || fail "ended with status $status: $(cat "$work/out")"
  finals=$(grep -cx QTAFinalitza "$work/calls" || true)
  [ "$finals" = 1 ] || fail "QTAFinalitza called $finals times"
  echo "SIG$signal: status 0, QTAFinalitza once"
done

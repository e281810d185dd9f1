#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end Quelta as if its window were closed: status 0, and the limits
# in use (here loaded from a settings file named on the command line, never stored before) are
# in the per-user store afterwards.
# Usage: tests/support/in_xvfb.sh 1024x768x24 quit_on_signals.sh QUELTA
set -euo pipefail
quelta=$1
. "$(dirname "$0")/../support/bounded.sh"
work=$(mktemp -d)
pid=
trap 'stop_process "$pid"; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
store=$XDG_CONFIG_HOME/Orda/Quelta.conf
printf 'QTA 1\r\nlMin 11\r\nlMax 222\r\na1Min 33\r\na1Max 244\r\na2Min 55\r\na2Max 255\r\nMinARatio 42\r\nMinWidth 7\r\nMaxWidth 600\r\nMinHeight 9\r\nMaxHeight 470\r\n' >"$work/marca.qta"

ended() { ! kill -0 "$pid" 2>/dev/null; }
has_window() {
  ended && fail "Quelta ended before its window showed: $(cat "$work/quelta.log")"
  bounded 5 xdotool search --onlyvisible --name '^ Quelta$' >/dev/null 2>&1
}

for signal in TERM INT HUP; do
  step "SIG$signal"
  mkdir -p "$(dirname "$store")"
  printf '[Capture]\nSource=testcam\n[Settings]\nVideoConfigured=1\n' >"$store"
  "$quelta" "$work/marca.qta" >"$work/quelta.log" 2>&1 &
  pid=$!
  wait_until 30 "the window" has_window
  kill -"$signal" "$pid"
  wait_until 20 "Quelta to end" ended
  status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" = 0 ] || fail "ended with status $status: $(cat "$work/quelta.log")"
  for pair in lMin=11 lMax=222 a1Min=33 MinARatio=42 MaxWidth=600 MaxHeight=470; do
    grep -qx "$pair" "$store" || fail "the store lacks $pair: $(cat "$store")"
  done
  echo "SIG$signal: status 0, limits stored"
done

#!/usr/bin/env bash
# Runs a command against an Xvfb of its own:  in_xvfb.sh WIDTHxHEIGHTxDEPTH CMD...
#
# Unlike `xvfb-run -a`:
# - the server picks a free display number itself (-displayfd) rather than the caller guessing
#   one from lock files, which races with a server of another test starting or ending;
# - the server does not reset when its last client leaves (-noreset): a test that starts a
#   program twice meets the same server the second time, never one in the middle of a reset
#   (a program that finds no display aborts at once);
# - the server is waited for before this returns, so the next test never meets it ending;
# - Qt programs are told to use it (xcb), whatever platform or Wayland display the caller named.
set -euo pipefail
screen=$1
shift
. "$(dirname "$0")/bounded.sh"

dir=$(mktemp -d)
xvfb=
cleanup() {
  stop_process "$xvfb"
  rm -rf "$dir"
}
trap cleanup EXIT

step "Xvfb"
Xvfb -displayfd 3 -noreset -screen 0 "$screen" -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb=$!
announced() {
  kill -0 "$xvfb" 2>/dev/null || fail "Xvfb ended: $(cat "$dir/xvfb.log")"
  grep -q '^[0-9][0-9]*$' "$dir/display"
}
wait_until 30 "Xvfb to announce its display" announced
export DISPLAY=:$(head -n1 "$dir/display") QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

status=0
"$@" || status=$?
exit "$status"

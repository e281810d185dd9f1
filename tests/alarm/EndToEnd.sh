#!/usr/bin/env bash
# The monitor for real, under Xvfb: the real tracking library on the built-in test camera,
# calibrated with quelta-track on the camera's first frame. Armed by a click on "Activar", the
# monitor must show "Alerta!!!" while the mark is out of view, clear it when the mark is back,
# and end on "Sortir". Then the two ways it refuses to start: no library (status 1) and a
# library that cannot open its camera (status 2), each after its message box.
#
# usage: EndToEnd.sh ALARMA_QUELTA QUELTA_TRACK OUTPUT_DIR    (run inside xvfb-run)
# The monitor reports its status panel on stdout through QUELTA_ALARM_TRACE.
set -euo pipefail
monitor=$1
track=$2
out=$3
mkdir -p "$out"
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to $2 seconds for a line matching $1 in the monitor's output (from line $3 on).
wait_line() {
  for _ in $(seq $(( $2 * 10 ))); do
    tail -n +"${3:-1}" "$work/out.txt" | grep -qx -- "$1" && return 0
    kill -0 "$pid" 2>/dev/null || fail "the monitor ended early: $(cat "$work/err.txt")"
    sleep 0.1
  done
  fail "no line '$1' within $2 s; output: $(cat "$work/out.txt")"
}

window() { xdotool search --sync --onlyvisible --name '^Alarma Quelta$' | head -1; }

# Answers the message box the monitor shows with Return, until the monitor has ended. The
# box's window may be replaced while it settles, so it is looked up afresh on every try.
answer_box() {
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    local box
    box=$(window 2>/dev/null) || true
    if [ -n "$box" ]; then
      xdotool windowfocus "$box" 2>/dev/null && xdotool key Return 2>/dev/null || true
    fi
    sleep 0.2
  done
}

# Waits for the monitor to end; its exit status goes to $status.
wait_end() {
  for _ in $(seq 200); do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      pid=
      return
    fi
    sleep 0.1
  done
  fail "the monitor did not end"
}

start() {
  (cd "$(dirname "$monitor")" && exec env "$@" QUELTA_ALARM_TRACE=1 "$monitor") \
    >"$work/out.txt" 2>"$work/err.txt" &
  pid=$!
}

# --- calibrate on the test camera's first frame, where the mark sits at the centre ---
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/Orda"
truth=$("$track" --frames 1 testcam | awk -F, 'NR==2 { printf "%d,%d", $12, $13 }')
"$track" --click "$truth" --save-settings "$work/mark.qta" --frames 1 testcam >/dev/null
{
  echo "[Capture]"
  echo "Source=testcam"
  echo "[Settings]"
  tail -n +2 "$work/mark.qta" | tr ' ' '='
  echo "VideoConfigured=1"
} >"$XDG_CONFIG_HOME/Orda/Quelta.conf"

# --- armed, the alert follows the mark out of view and back ---
start
wid=$(window)
xdotool mousemove --window "$wid" 268 116 click 1       # chkToggleAlarm, "Activar"
wait_line "panel: Alerta!!!" 30
import -window "$wid" "$out/alarm-alert.png"
first=$(grep -nx "panel: Alerta!!!" "$work/out.txt" | head -1 | cut -d: -f1)
wait_line "panel: " 30 "$first"
cleared=$(grep -nx "panel: " "$work/out.txt" | awk -F: -v f="$first" '$1 > f { print $1; exit }')
wait_line "panel: Alerta!!!" 30 "$cleared"
xdotool mousemove --window "$wid" 372 116 click 1       # Command3, "Sortir"
wait_end
[ "$status" = 0 ] || fail "Sortir ended with status $status"
echo "alert raised, cleared and raised again; Sortir ended the monitor"

# --- no library: a message, then status 1 ---
start QUELTA_LIBRARY="$work/no-such-libquelta.so"
window >/dev/null
answer_box
wait_end
[ "$status" = 1 ] || fail "a missing library ended with status $status"
echo "missing library: message, status 1"

# --- the library cannot open its camera: "Error inicialitzant QTA", then status 2 ---
sed -i 's|^Source=.*|Source=file:'"$work"'/no-such-video.avi|' "$XDG_CONFIG_HOME/Orda/Quelta.conf"
start
wid=$(window)
sleep 0.5
import -window "$wid" "$out/alarm-init-error.png"
answer_box
wait_end
[ "$status" = 2 ] || fail "a failed start ended with status $status"
[ ! -s "$work/out.txt" ] || fail "the window showed after a failed start"
echo "failed start: message, status 2"

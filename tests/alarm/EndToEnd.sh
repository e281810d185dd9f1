#!/usr/bin/env bash
# The monitor for real, under Xvfb: the real tracking library on the built-in test camera,
# calibrated with quelta-track on the camera's first frame. Armed by a click on "Activar", the
# monitor must show "Alerta!!!" while the mark is out of view, clear it when the mark is back,
# and end on "Sortir". Then the two ways it refuses to start: no library (status 1) and a
# library that cannot open its camera (status 2), each after its message box.
#
# usage: EndToEnd.sh ALARMA_QUELTA QUELTA_TRACK OUTPUT_DIR    (run under Xvfb)
# The monitor reports its status panel on stdout through QUELTA_ALARM_TRACE.
set -euo pipefail
monitor=$1
track=$2
out=$3
. "$(dirname "$0")/../support/bounded.sh"
mkdir -p "$out"
work=$(mktemp -d)
pid=
cleanup() {
  stop_process "$pid"
  rm -rf "$work"
}
trap cleanup EXIT

monitor_alive() { kill -0 "$pid" 2>/dev/null; }
monitor_ended() { ! monitor_alive; }

# True when a line matching $1 is in the monitor's output (from line $2 on); a monitor that
# has ended fails the step at once instead of waiting for the line.
has_line() {
  tail -n +"${2:-1}" "$work/out.txt" | grep -qx -- "$1" && return 0
  monitor_alive || fail "the monitor ended early: $(cat "$work/err.txt")"
  return 1
}

# Waits up to $2 seconds for a line matching $1 in the monitor's output (from line $3 on).
wait_line() {
  local deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)); do
    has_line "$1" "${3:-1}" && return 0
    sleep 0.1
  done
  fail "no line '$1' within $2 s; output: $(cat "$work/out.txt")"
}

# The monitor's visible window (or the message box that has its caption), if there is one now.
find_window() {
  bounded 5 xdotool search --onlyvisible --name '^Alarma Quelta$' 2>/dev/null | head -1 || true
}
has_window() { [ -n "$(find_window)" ]; }
window() {
  wait_until 20 "a window named 'Alarma Quelta'" has_window
  find_window
}

# Answers the message box the monitor shows with Return, until the monitor has ended. The
# box's window may be replaced while it settles, so it is looked up afresh on every try.
answer_box() {
  for _ in $(seq 50); do
    monitor_alive || return 0
    local box
    box=$(find_window) || true
    if [ -n "$box" ]; then
      bounded 5 xdotool windowfocus "$box" 2>/dev/null && bounded 5 xdotool key Return 2>/dev/null || true
    fi
    sleep 0.2
  done
}

# Waits for the monitor to end; its exit status goes to $status.
wait_end() {
  wait_until 20 "the monitor to end" monitor_ended
  status=0
  wait "$pid" || status=$?
  pid=
}

start() {
  (cd "$(dirname "$monitor")" && exec env "$@" QUELTA_ALARM_TRACE=1 "$monitor") \
    >"$work/out.txt" 2>"$work/err.txt" &
  pid=$!
}

step "calibrate on the test camera"
# --- calibrate on the test camera's first frame, where the mark sits at the centre ---
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/Orda"
truth=$(bounded 30 "$track" --frames 1 testcam | awk -F, 'NR==2 { printf "%d,%d", $12, $13 }')
bounded 30 "$track" --click "$truth" --save-settings "$work/mark.qta" --frames 1 testcam >/dev/null
{
  echo "[Capture]"
  echo "Source=testcam"
  echo "[Settings]"
  tail -n +2 "$work/mark.qta" | tr ' ' '='
  echo "VideoConfigured=1"
} >"$XDG_CONFIG_HOME/Orda/Quelta.conf"

# --- armed, the alert follows the mark out of view and back ---
step "arm the monitor"
start
wid=$(window)
bounded 5 xdotool mousemove --window "$wid" 268 116 click 1       # chkToggleAlarm, "Activar"
wait_line "panel: Alerta!!!" 30
bounded 10 import -window "$wid" "$out/alarm-alert.png"
first=$(grep -nx "panel: Alerta!!!" "$work/out.txt" | head -1 | cut -d: -f1)
wait_line "panel: " 30 "$first"
cleared=$(grep -nx "panel: " "$work/out.txt" | awk -F: -v f="$first" '$1 > f { print $1; exit }')
wait_line "panel: Alerta!!!" 30 "$cleared"
step "end with Sortir"
bounded 5 xdotool mousemove --window "$wid" 372 116 click 1       # Command3, "Sortir"
wait_end
[ "$status" = 0 ] || fail "Sortir ended with status $status"
echo "alert raised, cleared and raised again; Sortir ended the monitor"

# --- no library: a message, then status 1 ---
step "start without a library"
start QUELTA_LIBRARY="$work/no-such-libquelta.so"
window >/dev/null
answer_box
wait_end
[ "$status" = 1 ] || fail "a missing library ended with status $status"
echo "missing library: message, status 1"

# --- the library cannot open its camera: "Error inicialitzant QTA", then status 2 ---
step "start with a camera the library cannot open"
sed -i 's|^Source=.*|Source=file:'"$work"'/no-such-video.avi|' "$XDG_CONFIG_HOME/Orda/Quelta.conf"
start
wid=$(window)
sleep 0.5
bounded 10 import -window "$wid" "$out/alarm-init-error.png"
answer_box
wait_end
[ "$status" = 2 ] || fail "a failed start ended with status $status"
[ ! -s "$work/out.txt" ] || fail "the window showed after a failed start"
echo "failed start: message, status 2"

#!/usr/bin/env bash
# End to end: the real quelta under Xvfb.
#  1. On a still frame of the test camera's scene: click on the mark, and a grab of the
#     screen must show the red outline around it (the click taught the mark's colour).
#  2. On the live 30 fps test camera, with colour bounds that accept the mark: a grab must
#     show the red outline around the moving mark.
# Usage: end_to_end.sh QUELTA PROBE   (runs itself again inside xvfb-run when needed)
set -euo pipefail
quelta=$1
probe=$2

if [ -z "${QUELTA_E2E_INNER:-}" ]; then
  export QUELTA_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
unset QT_QPA_PLATFORM
mkdir -p "$XDG_CONFIG_HOME/Orda"

start_quelta() {  # $1: source name, then extra [Settings] lines on stdin
  {
    echo "[Capture]"
    echo "Source=$1"
    echo "[Settings]"
    echo "VideoConfigured=1"
    cat
  } > "$XDG_CONFIG_HOME/Orda/Quelta.conf"
  "$quelta" > "$work/quelta.log" 2>&1 &
  pid=$!
  for _ in $(seq 50); do
    xdotool search --name '^ Quelta$' > /dev/null 2>&1 && break
    sleep 0.2
  done
  sleep 2  # frames flowing
}

stop_quelta() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

grab() { import -window root "$work/$1"; }

# 1. Click on the mark of a still frame.
"$probe" still "$work/still.png"
start_quelta "file:$work/still.png" < /dev/null
grab before.png
read -r x y < <("$probe" find-mark "$work/before.png")
echo "clicking the mark at $x,$y"
if "$probe" check-outline "$work/before.png"; then
  echo "FAIL: an outline was there before the click"; exit 1
fi
xdotool mousemove "$x" "$y" click 1
sleep 1.5
grab after.png
if ! "$probe" check-outline "$work/after.png"; then
  cp "$work/after.png" /tmp/quelta-e2e-after.png
  echo "FAIL: no red outline around the mark after the click (grab: /tmp/quelta-e2e-after.png)"
  cat "$work/quelta.log"; exit 1
fi
stop_quelta

# 2. The live test camera follows the mark.
"$probe" bounds | start_quelta testcam
for attempt in $(seq 10); do
  grab live.png
  if "$probe" find-mark "$work/live.png" > /dev/null && "$probe" check-outline "$work/live.png"; then
    stop_quelta
    echo "PASS"
    exit 0
  fi
  sleep 0.4
done
cp "$work/live.png" /tmp/quelta-e2e-live.png
echo "FAIL: no red outline around the live mark (grab: /tmp/quelta-e2e-live.png)"
exit 1

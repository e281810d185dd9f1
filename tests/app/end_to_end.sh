#!/usr/bin/env bash
# End to end: the real quelta under Xvfb on the live 30 fps test camera, with a store that
# remembers the source but holds no colour limits yet.
#  1. Wait until the mark rests in the middle of the picture (two grabs agree), click on it.
#  2. A grab must show the red outline around the mark (the click taught its colour), and
#     later, once the mark has moved away from the click, still around it.
# Usage: tests/support/in_xvfb.sh 1280x1024x24 end_to_end.sh QUELTA PROBE
set -euo pipefail
quelta=$1
probe=$2

. "$(dirname "$0")/../support/bounded.sh"
work=$(mktemp -d)
pid=
trap 'stop_process "$pid"; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/Orda"

start_quelta() {  # $1: source name
  {
    echo "[Capture]"
    echo "Source=$1"
    echo "[Settings]"
    echo "VideoConfigured=1"
  } > "$XDG_CONFIG_HOME/Orda/Quelta.conf"
  "$quelta" > "$work/quelta.log" 2>&1 &
  pid=$!
  for _ in $(seq 50); do
    bounded 5 xdotool search --name '^ Quelta$' > /dev/null 2>&1 && break
    sleep 0.2
  done
  sleep 2  # frames flowing
}

stop_quelta() {
  stop_process "$pid"
  pid=
}

grab() { bounded 10 import -window root "$work/$1"; }

start_quelta testcam

# 1. Click on the resting mark.
rest=""
for _ in $(seq 60); do
  grab a.png
  sleep 0.2
  grab b.png
  if p1=$("$probe" find-mark "$work/a.png") && p2=$("$probe" find-mark "$work/b.png"); then
    read -r x1 y1 <<< "$p1"
    read -r x2 y2 <<< "$p2"
    if [ $(( (x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2) )) -le 2 ]; then
      rest="$x2 $y2"
      break
    fi
  fi
done
[ -n "$rest" ] || { echo "FAIL: the mark never rested"; exit 1; }
if "$probe" check-outline "$work/b.png"; then
  echo "FAIL: an outline was there before the click"; exit 1
fi
read -r x y <<< "$rest"
echo "clicking the resting mark at $x,$y"
bounded 5 xdotool mousemove "$x" "$y" click 1

# 2. The outline is around the mark, and follows it once it has moved away.
outlined=0
for _ in $(seq 60); do
  sleep 0.25
  grab live.png
  "$probe" check-outline "$work/live.png" > /dev/null || continue
  outlined=1
  read -r mx my < <("$probe" find-mark "$work/live.png")
  if [ $(( (mx - x) * (mx - x) + (my - y) * (my - y) )) -ge 2500 ]; then
    stop_quelta
    echo "PASS: outlined at the click and again at $mx,$my"
    exit 0
  fi
done
cp "$work/live.png" /tmp/quelta-e2e-live.png
if [ $outlined -eq 0 ]; then
  echo "FAIL: no red outline around the mark after the click (grab: /tmp/quelta-e2e-live.png)"
else
  echo "FAIL: the outline did not follow the mark (grab: /tmp/quelta-e2e-live.png)"
fi
cat "$work/quelta.log"
exit 1

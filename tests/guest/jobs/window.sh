# The real quelta window on vivid under Xvfb: the bars are shown, a click on the red bar
# outlines it.
. "$GUEST_SOURCE/tests/guest/jobs/common.sh"
load_vivid n_devs=1
probe=$GUEST_BUILD/tests/app/quelta_e2e_probe

step "Xvfb"
export DISPLAY=:7 QT_QPA_PLATFORM=xcb
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp > /tmp/xvfb.log 2>&1 &
xvfb=$!
quelta=
trap 'stop_process "$quelta"; stop_process "$xvfb"' EXIT
wait_until 20 "Xvfb to answer" xdotool getdisplaygeometry > /dev/null 2>&1

step "quelta on v4l2:/dev/video0"
mkdir -p "$XDG_CONFIG_HOME/Orda"
printf '[Capture]\nSource=v4l2:/dev/video0\n[Settings]\nVideoConfigured=1\n' \
    > "$XDG_CONFIG_HOME/Orda/Quelta.conf"
"$GUEST_BUILD/app/quelta" > /tmp/quelta.log 2>&1 &
quelta=$!
wait_until 60 "the Quelta window" xdotool search --name '^ Quelta$' > /dev/null

step "the bars on screen"
grab() { bounded 20 import -window root "/tmp/$1"; }
found=
for _ in $(seq 40); do
    grab bars.png
    if at=$("$probe" find-mark /tmp/bars.png); then found=$at; break; fi
    sleep 0.5
done
[ -n "$found" ] || { cat /tmp/quelta.log; fail "no red bar on the screen"; }
echo "window: red bar seen at $found"

step "click on the red bar"
read -r x y <<< "$found"
bounded 5 xdotool mousemove "$x" "$y" click 1
# The outline is pure red, which the 75 % bars never are: its box around the bar is at least
# two full-height columns.
outline_pixels() {
    convert "/tmp/$1" -fill black +opaque '#FF0000' -format '%[fx:round(mean.r*w*h)]' info:
}
before=$(outline_pixels bars.png)
[ "$before" -lt 100 ] || fail "$before outline pixels before the click"
outlined=
for _ in $(seq 40); do
    sleep 0.5
    grab click.png
    count=$(outline_pixels click.png)
    if [ "$count" -ge 960 ]; then outlined=$count; break; fi
done
[ -n "$outlined" ] || { cat /tmp/quelta.log; fail "no red outline around the bar after the click"; }
echo "window: the red bar is outlined after the click ($outlined outline pixels)"

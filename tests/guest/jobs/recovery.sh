# Every failure vivid can play on one running camera, then the same seen through
# quelta-track's CSV rows and through the library.
. "$GUEST_SOURCE/tests/guest/jobs/common.sh"
load_vivid n_devs=1

step "capture layer"
bounded 100 "$tests" --gtest_filter='V4l2Recovery.*' --gtest_brief=1 || fail "V4l2Recovery"

learn_red_bar /tmp/red.qta
step "quelta-track rows across an unplug of 1 s"
# Each row is stamped as it arrives (bash's own clock: no process per line, which would be
# slow enough in the emulated guest to distort the figure).
bounded 60 "$track" --settings /tmp/red.qta --frames 150 v4l2:/dev/video0 |
    while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done > /tmp/rows.csv &
pid=$!
rows_beyond() { [ "$(wc -l < /tmp/rows.csv)" -gt "$1" ]; }
wait_until 30 "quelta-track's first rows" rows_beyond 10
echo vivid.0 > /sys/bus/platform/drivers/vivid/unbind
sleep 1
echo vivid.0 > /sys/bus/platform/drivers/vivid/bind
back=$EPOCHREALTIME
wait "$pid" || fail "quelta-track ended with status $?"
again=$(awk -v back="$back" '$1 > back { print $1 - back; exit }' /tmp/rows.csv)
[ -n "$again" ] || fail "no row after the camera came back"
printf 'quelta-track: rows again %.2f s after the camera came back\n' "$again"
[ "$(tail -n 1 /tmp/rows.csv | cut -d' ' -f2 | cut -d, -f2)" = 1 ] ||
    fail "the mark was not found after the return"

step "the library across an unplug of 2 s"
bounded 60 "$GUEST_BUILD/tests/guest/guest_library_probe" /tmp/red.qta unplug || fail "library"

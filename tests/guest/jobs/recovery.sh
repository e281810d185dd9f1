# Every failure vivid can play on one running camera, then the same seen through
# quelta-track's CSV rows and through the library.
. "$GUEST_SOURCE/tests/guest/jobs/common.sh"
load_vivid n_devs=1

step "capture layer"
bounded 100 "$tests" --gtest_filter='V4l2Recovery.*' --gtest_brief=1 || fail "V4l2Recovery"

learn_red_bar /tmp/red.qta
step "quelta-track rows across an unplug of 1 s"
# stdbuf preloads its own library, which a sanitized build accepts only when told not to insist
# on coming first (the option means nothing to an ordinary build).
ASAN_OPTIONS=verify_asan_link_order=0 \
  bounded 60 stdbuf -oL "$track" --settings /tmp/red.qta --frames 150 v4l2:/dev/video0 > /tmp/rows.csv &
pid=$!
rows_beyond() { [ "$(wc -l < /tmp/rows.csv)" -gt "$1" ]; }
wait_until 20 "quelta-track's first rows" rows_beyond 10
echo vivid.0 > /sys/bus/platform/drivers/vivid/unbind
sleep 1
echo vivid.0 > /sys/bus/platform/drivers/vivid/bind
back=$(date +%s.%N)
rows=$(wc -l < /tmp/rows.csv)
wait_until 15 "new rows after the camera came back" rows_beyond $((rows + 1))
echo "quelta-track: rows again $(awk -v now="$(date +%s.%N)" -v back="$back" 'BEGIN { printf "%.2f", now - back }') s after the camera came back"
wait "$pid" || fail "quelta-track ended with status $?"
[ "$(tail -n 1 /tmp/rows.csv | cut -d, -f2)" = 1 ] || fail "the mark was not found after the return"

step "the library across an unplug of 2 s"
bounded 60 "$GUEST_BUILD/tests/guest/guest_library_probe" /tmp/red.qta unplug || fail "library"

# Sourced by every guest job: bounded waits, and vivid loaded with the given options.
. "$GUEST_SOURCE/tests/support/bounded.sh"
set -u

tests=$GUEST_BUILD/tests/guest/guest_tests
track=$GUEST_BUILD/cli/quelta-track

load_vivid() {
    step "modprobe vivid $*"
    bounded 30 modprobe vivid "$@" || fail "vivid did not load"
    wait_until 10 "/dev/video0" test -c /dev/video0
}

# Learns vivid's red bar with a click and saves its limits to $1; the outline must be exactly
# the bar (columns 400 to 479, every row) on every frame.
learn_red_bar() {
    step "quelta-track learns the red bar"
    bounded 60 "$track" --click 440,300 --frames 30 --save-settings "$1" v4l2:/dev/video0 \
        > /tmp/track.csv || fail "quelta-track failed"
    local rows wrong
    rows=$(tail -n +2 /tmp/track.csv | wc -l)
    wrong=$(tail -n +2 /tmp/track.csv | awk -F, '$2 != 1 || $4 != 400 || $5 != 0 || $6 != 479 || $7 != 479' | wc -l)
    [ "$rows" -eq 30 ] && [ "$wrong" -eq 0 ] ||
        { tail -n 3 /tmp/track.csv; fail "$rows rows, $wrong not outlining 400,0,479,479"; }
    echo "quelta-track: the red bar outlined as 400,0,479,479 on all $rows frames"
}

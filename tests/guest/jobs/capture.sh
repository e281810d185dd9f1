# Capture on two vivid cameras: quelta-track, the library from C, then the capture layer's
# checks (listing, both cameras, formats, pixel formats, latency).
. "$GUEST_SOURCE/tests/guest/jobs/common.sh"
load_vivid n_devs=2

learn_red_bar /tmp/red.qta

step "the library from a C program"
bounded 60 "$GUEST_BUILD/tests/guest/guest_library_probe" /tmp/red.qta || fail "library"

step "capture layer"
bounded 120 "$tests" --gtest_filter='V4l2Capture.*' --gtest_brief=1 || fail "V4l2Capture"

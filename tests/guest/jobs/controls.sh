# "Format" and "Font de vídeo" on vivid's formats and controls.
. "$GUEST_SOURCE/tests/guest/jobs/common.sh"
load_vivid n_devs=1
step "device dialogs"
bounded 80 "$tests" --gtest_filter='V4l2Controls.*' --gtest_brief=1 || fail "V4l2Controls"

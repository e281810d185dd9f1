# Bounded waits for the shell end-to-end tests. Source it; it never waits without a limit.
#
#   step "what the test is doing now"     named in every failure message
#   fail "why"                            prints "FAIL (step): why" and exits 1
#   bounded SECS CMD...                   runs CMD, killed (with its children) after SECS
#   wait_until SECS "what" CMD...         polls CMD every 0.1 s until it succeeds; fails after SECS
#   stop_process PID                      TERM, then KILL after 5 s; always reaps it
#
# Tests run under `timeout` from ctest as well (see run_bounded in the CMake files), so a hang
# anywhere still ends the whole process group before ctest's own limit.

current_step="start"
step() { current_step=$1; }
fail() {
  echo "FAIL ($current_step): $*" >&2
  exit 1
}

bounded() {
  local secs=$1
  shift
  timeout -k 2 "$secs" "$@"
}

wait_until() {
  local secs=$1 what=$2
  shift 2
  local deadline=$((SECONDS + secs))
  while ((SECONDS < deadline)); do
    "$@" && return 0
    sleep 0.1
  done
  fail "$what: not within $secs s"
}

stop_process() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

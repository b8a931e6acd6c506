# shellcheck shell=bash
# Sourced by with-display.sh and with-weston.sh: "skipped", a private work
# folder, the processes started (stopped in reverse at the end), readiness.
skip() { echo "SKIPPED: $*" >&2; exit 77; }
need() { command -v "$1" >/dev/null 2>&1 || skip "$1 is not installed (Debian package $2)"; }

work="$(mktemp -d)"  # mode 0700
pids=()
cleanup() {
  local i
  for (( i=${#pids[@]}-1; i>=0; i-- )); do kill "${pids[$i]}" 2>/dev/null; done
  for (( i=${#pids[@]}-1; i>=0; i-- )); do wait "${pids[$i]}" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# until_ready COMMAND...: runs COMMAND every 0.1 s, for 30 s at most, until it
# succeeds (0) or the last process started ends (1).
until_ready() {
  for _ in $(seq 300); do
    "$@" && return 0
    kill -0 "${pids[-1]}" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

#!/usr/bin/env bash
# Runs Debian's python3 with ARGS on a desktop of its own (with-display.sh, a
# session bus, the accessibility bus); exits 77 ("skipped") where none can be
# made. Processes left running from VANTOR_E2E_WORK are ended by their ids.
#   with-desktop.sh ARGS...      e.g. with-desktop.sh -m pytest test_popup.py
set -u
here="$(cd "$(dirname "$0")" && pwd)"
python=/usr/bin/python3
skip() { echo "SKIPPED: $*" >&2; exit 77; }

if [ "${1:-}" != "--in-session" ]; then
  command -v dbus-run-session >/dev/null 2>&1 || skip "dbus-run-session is not installed (Debian package dbus)"
  [ -x /usr/libexec/at-spi-bus-launcher ] || skip "no accessibility bus (Debian package at-spi2-core)"
  command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed (Debian package xdotool)"
  "$python" -c 'import pyatspi, pytest, tenacity' 2>/dev/null ||
    skip "needs Debian packages python3-pyatspi, python3-pytest and python3-tenacity"
  exec "$here/../support/with-display.sh" dbus-run-session -- "$0" --in-session "$@"
fi
shift

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$here"
work="$(mktemp -d "${TMPDIR:-/tmp}/vantor-e2e.XXXXXX")"
export VANTOR_E2E_WORK="$work"
cleanup() {
  "$python" -c 'import program, sys; program.end_processes_of(sys.argv[1])' "$work"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$python" "$@"

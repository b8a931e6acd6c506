#!/usr/bin/env bash
# Runs a command on a desktop of its own, as a user's session without a
# window manager: Xvfb with a tray host (tests/support/with-display.sh), a
# session D-Bus, and on it the accessibility bus through which programs
# publish what they show (Qt's side switched on). Exits 77, the tests'
# "skipped", when such a desktop cannot be made here. VANTOR_E2E_WORK names
# a fresh work folder; every process still running an executable from it at
# the end is ended, by its id, and the folder removed.
#   with-desktop.sh COMMAND [ARGS...]
set -u
here="$(cd "$(dirname "$0")" && pwd)"
skip() { echo "SKIPPED: $*" >&2; exit 77; }

if [ "${1:-}" != "--in-session" ]; then
  command -v dbus-run-session >/dev/null 2>&1 || skip "dbus-run-session is not installed (Debian package dbus)"
  [ -x /usr/libexec/at-spi-bus-launcher ] || skip "no accessibility bus (Debian package at-spi2-core)"
  command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed (Debian package xdotool)"
  command -v xwininfo >/dev/null 2>&1 || skip "xwininfo is not installed (Debian package x11-utils)"
  exec "$here/../support/with-display.sh" dbus-run-session -- "$0" --in-session "$@"
fi
shift

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
work="$(mktemp -d "${TMPDIR:-/tmp}/vantor-e2e.XXXXXX")"
export VANTOR_E2E_WORK="$work"

# The processes whose executable lies in the work folder (programs copied
# there, and what they started from there).
leftovers() {
  local exe p
  for p in /proc/[0-9]*; do
    exe="$(readlink "$p/exe" 2>/dev/null)" || continue
    case "$exe" in "$work"/*) echo "${p#/proc/}" ;; esac
  done
}
cleanup() {
  local p
  for p in $(leftovers); do kill "$p" 2>/dev/null; done
  sleep 0.5
  for p in $(leftovers); do kill -9 "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$@"

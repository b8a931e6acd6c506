#!/usr/bin/env bash
# Runs a command in a Wayland session of its own (weston, headless), with
# XWayland unless --no-xwayland: WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland,
# DISPLAY naming a started XWayland, no QT_QPA_PLATFORM. Exits 77
# ("skipped") when weston or XWayland cannot start; stops what it started.
#   with-weston.sh [--no-xwayland] COMMAND [ARGS...]
set -u
xwayland=1
if [ "${1:-}" = --no-xwayland ]; then xwayland=0; shift; fi

skip() { echo "SKIPPED: $*" >&2; exit 77; }
command -v weston >/dev/null 2>&1 || skip "weston is not installed (Debian package weston)"
if [ "$xwayland" = 1 ]; then
  command -v Xwayland >/dev/null 2>&1 || skip "Xwayland is not installed (Debian package xwayland)"
  command -v xwininfo >/dev/null 2>&1 || skip "xwininfo is not installed (Debian package x11-utils)"
fi

# The compositor's sockets live in a runtime folder of its own, private as XDG wants it.
runtime="$(mktemp -d)"
chmod 700 "$runtime"
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; fi
  rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

socket="wayland-vantor"
options=(--backend=headless-backend.so --use-pixman --debug --width=1280 --height=800 --no-config --idle-time=0
         "--socket=$socket" "--log=$runtime/weston.log")
[ "$xwayland" = 1 ] && options+=(--xwayland)
XDG_RUNTIME_DIR="$runtime" weston "${options[@]}" >/dev/null 2>&1 &
pid=$!

# Ready once its socket is there and, with XWayland, its X display is named.
ready() {
  [ -S "$runtime/$socket" ] || return 1
  [ "$xwayland" = 0 ] || grep -q 'xserver listening on display' "$runtime/weston.log" 2>/dev/null
}
for _ in $(seq 300); do
  ready && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
ready || skip "weston did not start: $(tail -c 400 "$runtime/weston.log" 2>/dev/null)"

export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland
unset QT_QPA_PLATFORM
if [ "$xwayland" = 1 ]; then
  DISPLAY="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$runtime/weston.log" | head -n1)"
  export DISPLAY
  # XWayland starts with its first client; that one waits until it answers.
  xwininfo -root >/dev/null 2>&1 || skip "XWayland did not start: $(tail -c 400 "$runtime/weston.log")"
else
  unset DISPLAY
fi

"$@"

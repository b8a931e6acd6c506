#!/usr/bin/env bash
# Runs a command in a headless weston session of its own, with XWayland unless
# --no-xwayland, no QT_QPA_PLATFORM; exits 77 ("skipped") where it cannot start.
#   with-weston.sh [--no-xwayland] COMMAND [ARGS...]
set -u
. "$(dirname "$0")/session-lib.sh"
xwayland=1
if [ "${1:-}" = --no-xwayland ]; then xwayland=0; shift; fi
need weston weston
if [ "$xwayland" = 1 ]; then
  need Xwayland xwayland
  need xwininfo x11-utils
fi

# The compositor's sockets live in the private work folder, as XDG wants them.
socket="wayland-vantor"
options=(--backend=headless-backend.so --use-pixman --debug --width=1280 --height=800 --no-config --idle-time=0
         "--socket=$socket" "--log=$work/weston.log")
[ "$xwayland" = 1 ] && options+=(--xwayland)
XDG_RUNTIME_DIR="$work" weston "${options[@]}" >/dev/null 2>&1 &
pids+=($!)

# Ready once its socket is there and, with XWayland, its X display is named.
ready() {
  [ -S "$work/$socket" ] || return 1
  [ "$xwayland" = 0 ] || grep -q 'xserver listening on display' "$work/weston.log" 2>/dev/null
}
until_ready ready || skip "weston did not start: $(tail -c 400 "$work/weston.log" 2>/dev/null)"

export XDG_RUNTIME_DIR="$work" WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland
unset QT_QPA_PLATFORM
if [ "$xwayland" = 1 ]; then
  DISPLAY="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n1)"
  export DISPLAY
  # XWayland starts with its first client; that one waits until it answers.
  xwininfo -root >/dev/null 2>&1 || skip "XWayland did not start: $(tail -c 400 "$work/weston.log")"
else
  unset DISPLAY
fi

"$@"

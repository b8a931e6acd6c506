#!/usr/bin/env bash
# Runs a command in an X display of its own (Xvfb) with a notification area
# (trayer); exits 77 ("skipped") when no X server starts here.
#   with-display.sh [--no-tray] [--size WxH] COMMAND [ARGS...]
set -u
. "$(dirname "$0")/session-lib.sh"
tray=1
size=1280x800
while [ $# -gt 0 ]; do
  case "$1" in
    --no-tray) tray=0; shift ;;
    --size) size="$2"; shift 2 ;;
    *) break ;;
  esac
done
need Xvfb xvfb

# -displayfd: the server picks a free display and says which once ready.
# -noreset: a server resetting as its last client leaves would refuse the
# short-lived probes (xwininfo, xdotool) racing the tray host's start.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset -dpi 96 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
until_ready test -s "$work/display" || skip "Xvfb did not start: $(head -c 300 "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

if [ "$tray" = 1 ]; then
  need trayer trayer
  trayer --edge bottom --align right --widthtype request --height 24 >"$work/trayer.log" 2>&1 &
  pids+=($!)
  # Ready once its window is mapped (it owns the tray selection by then).
  panel() { xwininfo -root -tree 2>/dev/null | grep -qi '"panel"\|trayer'; }
  until_ready panel || echo "trayer did not start: $(head -c 300 "$work/trayer.log")" >&2
fi

"$@"

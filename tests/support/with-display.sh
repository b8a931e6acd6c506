#!/usr/bin/env bash
# Runs a command in an X display of its own (Xvfb) with a notification area
# (trayer); exits 77 ("skipped") when no X server starts here. Every process
# it starts is stopped when the command ends.
#   with-display.sh [--no-tray] [--size WxH] COMMAND [ARGS...]
set -u
tray=1
size=1280x800
while [ $# -gt 0 ]; do
  case "$1" in
    --no-tray) tray=0; shift ;;
    --size) size="$2"; shift 2 ;;
    *) break ;;
  esac
done

skip() { echo "SKIPPED: $*" >&2; exit 77; }
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed (Debian package xvfb)"

work="$(mktemp -d)"
pids=()
cleanup() {
  local i
  for (( i=${#pids[@]}-1; i>=0; i-- )); do kill "${pids[$i]}" 2>/dev/null; done
  for (( i=${#pids[@]}-1; i>=0; i-- )); do wait "${pids[$i]}" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd: the server picks a free display and says which once ready.
# -noreset: a server resetting as its last client leaves would refuse the
# short-lived probes (xwininfo, xdotool) racing the tray host's start.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset -dpi 96 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "${pids[0]}" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || skip "Xvfb did not start: $(head -c 300 "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

if [ "$tray" = 1 ]; then
  command -v trayer >/dev/null 2>&1 || skip "trayer is not installed (Debian package trayer)"
  trayer --edge bottom --align right --widthtype request --height 24 >"$work/trayer.log" 2>&1 &
  pids+=($!)
  # Ready once its window is mapped (it owns the tray selection by then).
  for _ in $(seq 300); do
    xwininfo -root -tree 2>/dev/null | grep -qi '"panel"\|trayer' && break
    kill -0 "${pids[1]}" 2>/dev/null || { echo "trayer ended: $(head -c 300 "$work/trayer.log")" >&2; break; }
    sleep 0.1
  done
fi

"$@"

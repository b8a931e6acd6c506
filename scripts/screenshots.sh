#!/usr/bin/env bash
# Makes the README's screenshots from the real program, on the demo's
# mailboxes, under Xvfb with a window manager and a notification area: the
# settings window, the About box, the tray menu, a popup and its folder menu,
# saved into docs/screenshots/. Takes about a minute and a half (the first
# check of the mailboxes comes 65 seconds after the watch starts).
#
#   scripts/screenshots.sh [--build DIR]   (default build-demo, built here)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-demo"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$(cd "${2:?--build needs a folder}" && pwd)"; shift 2 ;;
    *) echo "usage: $0 [--build DIR]" >&2; exit 2 ;;
  esac
done
"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF >/dev/null
fi
ninja -C "$build" vantor vantor-store notes >/dev/null

source "$root/scripts/demo-lib.sh"
run="$build/screenshots-run"
prepare_demo "$run" "$build" >/dev/null
# The popup stays up while its shots are taken.
sed -i 's/^DELAI=10\r$/DELAI=15\r/' "$run/param.ini"
store=("$build/tools/vantor-store" --root "$run/notesdata")
out="$root/docs/screenshots"
mkdir -p "$out"
work="$(mktemp -d)"

pids=()
vantor=""
finish() {
  trap - EXIT INT TERM
  set +e
  stop_demo "$run"
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM

fail() { echo "screenshots: $*; see $run/vantor.log" >&2; exit 1; }
root_shot() { import -window root "$work/$1.png"; }
# changed_area BEFORE AFTER: the box, WxH+X+Y, of what differs between two root shots.
changed_area() {
  convert "$work/$1.png" "$work/$2.png" -compose difference -composite -colorspace gray -threshold 1% \
    -format '%@' info:
}
# crop SHOT NAME X Y W H [MARGIN]: saves part of a root shot, with MARGIN pixels around it.
crop() {
  local m="${7:-0}"
  convert "$work/$1.png" -crop "$(( $5 + 2 * m ))x$(( $6 + 2 * m ))+$(( $3 - m ))+$(( $4 - m ))" +repage -strip \
    "$out/$2.png"
  echo "  $out/$2.png"
}
# union "X Y W H" "X Y W H": the smallest box holding both.
union() {
  read -r ax ay aw ah <<<"$1"
  read -r bx by bw bh <<<"$2"
  local x=$(( ax < bx ? ax : bx )) y=$(( ay < by ? ay : by ))
  local r=$(( ax + aw > bx + bw ? ax + aw : bx + bw )) b=$(( ay + ah > by + bh ? ay + ah : by + bh ))
  echo "$x $y $(( r - x )) $(( b - y ))"
}
box() { sed -E 's/^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$/\3 \4 \1 \2/' <<<"$1"; }
# find_window TITLE: a shown window with exactly that title (waits up to 20 s).
find_window() {
  local w
  for _ in $(seq 100); do
    w="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | awk 'NR == 1')"
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.2
  done
  return 1
}
# frame_of WINDOW: "X Y W H" of the window with the frame the window manager
# put around it (its topmost ancestor below the root).
frame_of() {
  local w="$1" parent rootid
  rootid="$(xwininfo -root | awk '/Window id:/ { print $4 }')"
  while parent="$(xwininfo -children -id "$w" | awk '/Parent window id:/ { print $4 }')" &&
    [ -n "$parent" ] && [ "$((parent))" != "$((rootid))" ]; do
    w="$parent"
  done
  xwininfo -id "$w" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }'
}

start_display
"$run/vantor" > "$run/vantor.log" 2>&1 &
vantor=$!
window="$(vantor_window)" || fail "the settings window did not show"
xdotool mousemove 640 60
echo "Screenshots of Vantor, in $out:"

# The settings window after a save, which shows each reachable mailbox's
# search and archive buttons.
press_keys "$window" alt+e
saved="$(find_window SAUVEGARDE)" || fail "no SAUVEGARDE box"
press_keys "$saved" Return
sleep 1
root_shot settings
read -r x y w h < <(frame_of "$window")
crop settings parametres "$x" "$y" "$w" "$h"

# The About box: "A propos de l'auteur", the last button of the window's tab chain.
press_keys "$window" shift+Tab space
about="$(find_window 'About Vantor')" || fail "no About box"
sleep 1
root_shot about
read -r x y w h < <(frame_of "$about")
crop about a-propos "$x" "$y" "$w" "$h"
press_keys "$about" Escape
sleep 1

# The watch: the window goes to the tray. The tray menu, "Rechercher" open.
press_keys "$window" alt+v
sleep 2
read -r ix iy iw ih < <(tray_icon) || fail "no tray icon"
root_shot tray-before
open_tray_menu || fail "no tray icon"
xdotool key Down Down Right
sleep 0.8
root_shot tray
read -r x y w h < <(union "$(box "$(changed_area tray-before tray)")" "$ix $iy $iw $ih")
crop tray menu-icone "$x" "$y" "$w" "$h" 4
xdotool key Escape Escape

# A message with an attachment arrives in the first mailbox; the first check
# shows it in the popup.
"${store[@]}" demo-feed --first 3 --count 1 > "$run/feed.log"
read -r px py pw ph < <(wait_for_popup 90) || fail "no popup within 90 s"
sleep 1
root_shot popup
crop popup popup "$px" "$py" "$pw" "$ph"

# Its folder menu, two levels down: Projets, then Atlas.
xdotool mousemove "$(( px + 16 ))" "$(( py + 12 ))" click 1
sleep 0.8
xdotool key Down Down Right Down Right Down
sleep 0.8
root_shot folders
read -r x y w h < <(union "$(box "$(changed_area popup folders)")" "$px $py $pw $ph")
crop folders menu-dossiers "$x" "$y" "$w" "$h"
xdotool key Escape Escape Escape
[ -s "$run/erreur_log.txt" ] && { echo "Vantor's error log:"; cat "$run/erreur_log.txt"; }
exit 0

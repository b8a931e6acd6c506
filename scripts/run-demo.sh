#!/usr/bin/env bash
# Builds Vantor and starts it on a ready-made demo: two mailboxes, the first
# on a local mail store, the second on a private IMAP server (Dovecot) that
# the script starts, fills, feeds and stops; a new message arrives every 15
# seconds, turn about in each mailbox, each one different.
#
# With a display, Vantor opens there on its settings window: press "Lancer la
# vérif des mails", then quit from the tray menu when you have seen enough.
# Without one, it runs under Xvfb for DEMO_SECONDS (default 210) while the
# script plays the user: it starts the watch, opens the tray menu, opens the
# folder menu of the first message, then quits; a screenshot every 5 seconds
# goes to demo-run/screenshots/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${DEMO_SECONDS:-210}"
[[ "$seconds" =~ ^[0-9]+$ && "$seconds" -ge 30 ]] || { echo "DEMO_SECONDS: a whole number of seconds, at least 30" >&2; exit 2; }
"$root/scripts/install-deps.sh"

build="$root/build-demo"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF >/dev/null
ninja -C "$build" vantor vantor-store notes

source "$root/scripts/demo-lib.sh"
demo="$root/demo-run"
seed_log="$(prepare_demo "$demo" "$build")"
printf '%s\n' "$seed_log" > "$demo/seed.log"
store=("$build/tools/vantor-store" --root "$demo/notesdata")
every=15
imap_server="$(start_demo_imap "$demo" "$build")" || { echo "The demo's mail server did not start; see $demo/dovecot/dovecot.log" >&2; exit 1; }

pids=()
feeder=""
imap_feeder=""
vantor=""
# Feeders first, then Vantor through its Quit (it saves), then the mail client
# it started and the mail server, then the desktop: trayer, openbox and Xvfb last.
finish() {
  trap - EXIT INT TERM
  set +e
  stop_demo "$demo" ||
    echo "Vantor did not quit from its tray menu: stopped with a signal (settings not saved)."
}
trap finish EXIT
trap 'exit 130' INT TERM

report() {
  echo
  echo "Messages delivered: $(grep -c ' → ' "$demo/feed.log" || true), listed in $demo/feed.log"
  if [ -s "$demo/erreur_log.txt" ]; then
    echo "Vantor's error log ($demo/erreur_log.txt):"
    sed 's/^/  /' "$demo/erreur_log.txt"
  else
    echo "Vantor's error log ($demo/erreur_log.txt): empty, nothing failed."
  fi
}

if [ -n "${DISPLAY:-}" ]; then
  # Messages keep coming (up to four hours) until Vantor ends.
  "${store[@]}" demo-feed --mailbox 1 --every $(( 2 * every )) --count 480 >> "$demo/feed.log" 2>&1 &
  feeder=$!
  feed_demo_imap "$demo" "$build" "$imap_server" $(( 2 * every )) 480 "$every" >> "$demo/feed.log" 2>&1 &
  imap_feeder=$!
  echo "Vantor opens on its settings window, set up for the demo's two mailboxes:"
  echo "Paris/Vantor on the local store, and $imap_server on the demo's own mail server."
  echo "Press \"Lancer la vérif des mails\": it hides to the tray and checks the mailboxes"
  echo "65 seconds later, then 30 seconds after each check. A new message arrives every $every s."
  echo "Quit from the tray icon's menu (right click, \"Quitter\")."
  "$demo/vantor" > "$demo/vantor.log" 2>&1 || true
  kill "$feeder" "$imap_feeder" 2>/dev/null || true
  wait "$feeder" "$imap_feeder" 2>/dev/null || true
  feeder=""
  imap_feeder=""
  report
  exit 0
fi

shots="$demo/screenshots"
mkdir -p "$shots"
start_display
"$demo/vantor" > "$demo/vantor.log" 2>&1 &
vantor=$!
start=$(date +%s)
elapsed() { echo $(( $(date +%s) - start )); }
wait_until() { local s=$(( start + $1 - $(date +%s) )); [ "$s" -le 0 ] || sleep "$s"; }
shot() { import -window root "$shots/$(printf '%03d' "$(elapsed)")s${1:+-$1}.png" 2>/dev/null || true; }
alive() { kill -0 "$vantor" 2>/dev/null; }

window="$(vantor_window)" || { echo "Vantor's settings window did not show; see $demo/vantor.log" >&2; exit 1; }
wait_until 3
shot parametres
echo "[$(date +%T)] Vantor shows its settings window: two mailboxes, Paris/Vantor and $imap_server."

wait_until 8
press_keys "$window" alt+v
go=$(elapsed)
echo "[$(date +%T)] \"Lancer la vérif des mails\" pressed: Vantor hides to the tray icon."
echo "           First check at $(date -d "+65 seconds" +%T) (65 s later), then 30 s after each check ends."
# The first message comes shortly before the first check, so that the check
# shows one from each mailbox; then one every 15 s, turn about.
lead=45
count=$(( seconds > go + lead ? (seconds - go - lead) / every / 2 + 1 : 1 ))
"${store[@]}" demo-feed --mailbox 1 --every $(( 2 * every )) --count "$count" --start-delay "$lead" >> "$demo/feed.log" 2>&1 &
feeder=$!
feed_demo_imap "$demo" "$build" "$imap_server" $(( 2 * every )) "$count" $(( lead + every )) >> "$demo/feed.log" 2>&1 &
imap_feeder=$!

# A screenshot every 5 seconds; the tray menu once during the first minute,
# the folder menu on the first message.
menu_done=0
folders_done=0
for (( t = 10; t < seconds; t += 5 )); do
  wait_until "$t"
  alive || { echo "Vantor ended on its own; see $demo/vantor.log" >&2; vantor=""; break; }
  if [ "$menu_done" = 0 ] && [ "$t" -ge 25 ]; then
    menu_done=1
    if open_tray_menu; then
      shot menu-icone
      xdotool key Escape mousemove 640 300
      continue
    fi
  fi
  if [ "$folders_done" = 0 ] && read -r px py _ < <(popup_geometry); then
    folders_done=1
    echo "[$(date +%T)] First check: each new message pops up in turn, bottom left, for 10 s."
    echo "           The script opens the folder menu of the first one, then closes it."
    sleep 2
    shot
    # The folder button, top left of the popup; the first folder with
    # subfolders is the second entry.
    xdotool mousemove "$(( px + 16 ))" "$(( py + 12 ))" click 1
    sleep 0.8
    xdotool key Down Down Right
    sleep 0.8
    shot menu-dossiers
    xdotool key Escape Escape Escape mousemove 640 300
    continue
  fi
  shot
done

if [ -n "$vantor" ]; then
  if open_tray_menu; then
    xdotool key Up
    sleep 0.5
    shot quitter
    xdotool key Return
    for _ in $(seq 150); do alive || break; sleep 0.1; done
  fi
fi
finish
echo
echo "Screenshots, one every 5 seconds: $shots/"
report
exit 0

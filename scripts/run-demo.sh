#!/usr/bin/env bash
# Builds Vantor and starts it on a ready-made demo: two mailboxes on two
# servers of a local mail store, with new messages arriving every few seconds.
# With a display, Vantor runs there until you quit it from its tray menu.
# Without one, it runs under Xvfb for DEMO_SECONDS (default 180) and saves a
# screenshot every 10 seconds in demo-run/screenshots/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

build="$root/build-demo"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF >/dev/null
ninja -C "$build" vantor vantor-store

# Vantor keeps its files beside its executable: the demo gets its own copy.
demo="$root/demo-run"
rm -rf "$demo"
mkdir -p "$demo/screenshots"
cp "$build/vantor" "$demo/vantor"
store=("$build/tools/vantor-store" --root "$demo/notesdata")
"${store[@]}" demo-seed

# The settings a user of the demo would have saved (Windows layout: CRLF,
# password scrambled); the password of the demo user is "vantor".
printf '%s\r\n' '[PARAM]' 'DELAI=12' \
  'BAL_0=mail\jdupont.nsf' 'SERVEUR_LOTUS_0=Paris/Vantor' 'BAL_ARCHIVE_0=archive\jdupont_archive.nsf' \
  'BAL_1=mail\equipe.nsf' 'SERVEUR_LOTUS_1=Lyon/Vantor' 'BAL_2=' 'SERVEUR_LOTUS_2=' \
  "PASSWORD=$(printf '\x7fjw}x{')" 'AUTO=1' 'LOGOFF=0' 'AUTONOTES=0' \
  'COULEUR=FFF2CC' 'HEIGHT=2325' 'WIDTH=5400' > "$demo/param.ini"

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

"${store[@]}" demo-feed --every 8 --count 20 --start-delay 5 > "$demo/feed.log" 2>&1 &
pids+=($!)

echo "Vantor watches the demo mailboxes; the first check comes 65 seconds after start,"
echo "then every 30 seconds. Messages delivered: $demo/feed.log"

if [ -n "${DISPLAY:-}" ]; then
  "$demo/vantor"
  exit 0
fi

display=":$(( 90 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
sleep 1
# A notification area, so that Vantor can hide to its tray icon.
trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
"$demo/vantor" > "$demo/vantor.log" 2>&1 &
vantor=$!
pids+=($vantor)

seconds="${DEMO_SECONDS:-180}"
for ((t = 10; t <= seconds; t += 10)); do
  sleep 10
  kill -0 "$vantor" 2>/dev/null || { echo "Vantor ended"; break; }
  import -window root "$demo/screenshots/$(printf '%03d' "$t")s.png" 2>/dev/null || true
done
echo "Screenshots: $demo/screenshots/"
[ -s "$demo/erreur_log.txt" ] && { echo "Error log:"; cat "$demo/erreur_log.txt"; }
exit 0

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

source "$root/scripts/demo-lib.sh"
demo="$root/demo-run"
prepare_demo "$demo" "$build"
mkdir -p "$demo/screenshots"
store=("$build/tools/vantor-store" --root "$demo/notesdata")

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

start_display
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

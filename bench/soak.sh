#!/usr/bin/env bash
# The soak: Vantor watching two mailboxes for an hour on a desktop of its own
# (Xvfb, a tray host, the accessibility bus, no window manager) beside the mail
# client, a feeder delivering a message every few seconds to the two
# mailboxes in turn, and a user (bench/soak/soak.py) acting on the
# popups at random: delete, flags, move, attachments, reply, close, or leaving
# them to close by themselves. At the end it quits from the tray menu and
# reports the program's resident memory over time (start, end, peak, slope),
# whether it crashed, and what became of every message delivered.
#
#   bench/soak.sh [--minutes N] [--every S] [--seed N] [--sanitize]
#
# Release build in build-soak/; --sanitize builds with AddressSanitizer and
# UBSan in build-soak-asan/ (their reports end up in the soak's report). The
# report is written to <build>/soak-report.txt, the program's error log beside it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

minutes=60
every=5
seed=1
sanitize=OFF
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes="${2:?--minutes needs a number}"; shift 2 ;;
    --every) every="${2:?--every needs a number of seconds}"; shift 2 ;;
    --seed) seed="${2:?--seed needs a number}"; shift 2 ;;
    --sanitize) sanitize=ON; shift ;;
    *) echo "usage: $0 [--minutes N] [--every S] [--seed N] [--sanitize]" >&2; exit 2 ;;
  esac
done

build="$root/build-soak"
[ "$sanitize" = ON ] && build="$root/build-soak-asan"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_SANITIZE="$sanitize" \
    -DVANTOR_BUILD_BENCH=OFF >/dev/null
fi
ninja -C "$build" vantor notes vantor-store >/dev/null

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
report="$build/soak-report.txt"
echo "Soak of $minutes min, a message every $every s (seed $seed); report: $report"
export VANTOR_EXE="$build/vantor" VANTOR_NOTES_EXE="$build/notes" VANTOR_STORE_EXE="$build/tools/vantor-store"
"$root/tests/e2e/with-desktop.sh" "$root/bench/soak/soak.py" \
  --minutes "$minutes" --every "$every" --seed "$seed" --report "$report"

#!/usr/bin/env bash
# The push figure: how long a message delivered to a watched IMAP INBOX takes
# to pop up (IDLE), against a bare IDLE client of the same server, on a
# desktop of its own (bench/push/push.py). Release build in build-soak/.
#
#   bench/push.sh [--count N]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-soak"
[ -f "$build/build.ninja" ] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_BENCH=OFF >/dev/null
ninja -C "$build" vantor notes vantor-store >/dev/null
export VANTOR_EXE="$build/vantor" VANTOR_NOTES_EXE="$build/notes" VANTOR_STORE_EXE="$build/tools/vantor-store"
"$root/tests/e2e/with-desktop.sh" "$root/bench/push/push.py" "$@"

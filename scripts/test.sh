#!/usr/bin/env bash
# Builds Vantor and runs its whole test suite. VANTOR_SANITIZE=ON builds with
# AddressSanitizer, UBSan and LeakSanitizer (what CI does); the leaks that
# are not ours are listed, with their reasons, in scripts/sanitizers/lsan.supp.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

sanitize="${VANTOR_SANITIZE:-OFF}"
build="$root/build-tests"
[ "$sanitize" = "ON" ] && build="$root/build-asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTOR_SANITIZE="$sanitize" \
  -DVANTOR_BUILD_BENCH=OFF >/dev/null
ninja -C "$build"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build"
ctest --output-on-failure -j2 --timeout 300

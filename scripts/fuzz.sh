#!/usr/bin/env bash
# Fuzzes the readers of what Vantor takes from outside (param.ini,
# registre.reg, .eml messages, mail databases, user.id, IMAP server
# responses) with libFuzzer, built with clang in build-fuzz/ with
# AddressSanitizer, UBSan and LeakSanitizer. Each target runs for a bounded time, two at a time, on its
# kept corpus (fuzz/corpus/TARGET, never changed here); a fault, a leak, an
# input slower than 10 s or a target that overruns its time fails the run,
# and the reproducer is printed and kept in build-fuzz/findings/TARGET/.
#   scripts/fuzz.sh [--seconds N] [TARGET...]   (default 30 s each, every target)
# Replay a reproducer: build-fuzz/fuzz/fuzz_TARGET FILE (or, in a test build,
# build-tests/fuzz/fuzz_TARGET FILE).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${FUZZ_SECONDS:-30}"
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -eq 0 ] && targets=(profile registry eml store imap)

"$root/scripts/install-deps.sh" fuzz || exit 1
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DVANTOR_SANITIZE=ON -DVANTOR_FUZZ_ENGINE=libfuzzer \
  -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF >/dev/null || exit 1
ninja -C "$build" "${targets[@]/#/fuzz_}" || exit 1

supp="$root/scripts/sanitizers"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LC_ALL=C.UTF-8

# One target: new inputs go to a scratch corpus; the kept one is only read.
fuzz_one() {
  local t="$1" work="$build/runs/$1"
  rm -rf "$work" "$build/findings/$t"
  mkdir -p "$work/corpus" "$build/findings/$t"
  local dict=()
  [ -f "$root/fuzz/dict/$t.dict" ] && dict=(-dict="$root/fuzz/dict/$t.dict")
  # Inputs as long as the seeds need; longer kept reproducers are read cut.
  local max_len=16384
  [ "$t" = store ] && max_len=65536
  # The outer timeout is the last guard: libFuzzer stops itself at
  # -max_total_time and kills an input that runs past -timeout.
  timeout --kill-after=30 "$((seconds + 120))" \
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 -artifact_prefix="$build/findings/$t/" "${dict[@]}" \
    "$work/corpus" "$root/fuzz/corpus/$t" >"$work/log" 2>&1
}

report() {
  local t="$1" status="$2" log="$build/runs/$1/log"
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$t: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') inputs in ${seconds} s, no fault"
    return 0
  fi
  echo "=== fuzz_$t FAILED (exit $status) ==="
  [ "$status" -eq 124 ] || [ "$status" -eq 137 ] && echo "fuzz_$t overran its time: a hang"
  tail -n 80 "$log"
  local f
  for f in "$build/findings/$t"/*; do
    [ -f "$f" ] || continue
    echo "--- reproducer $f ($(stat -c %s "$f") bytes), base64:"
    base64 -w 76 "$f" | head -c 300000
    echo "--- replay: $build/fuzz/fuzz_$t $f"
  done
  return 1
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pair=("${targets[@]:i:2}")
  pids=()
  for t in "${pair[@]}"; do
    fuzz_one "$t" &
    pids+=($!)
  done
  for j in "${!pair[@]}"; do
    wait "${pids[$j]}"
    report "${pair[$j]}" "$?" || failed=1
  done
done
exit "$failed"

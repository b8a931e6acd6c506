#!/usr/bin/env bash
# Builds the benchmarks in Release in build-bench/ and runs them all, printing
# the medians and the ratios to their baselines; the full output of each goes
# to build-bench/results/. Ends with the idle minute (scripts/bench-idle.sh)
# and the memory figure (scripts/bench-rss.sh).
#
#   scripts/bench.sh [--rss-seconds N] [--no-rss] [--no-idle] [--startup-runs N]
#
# The machine is shared and noisy: compare ratios measured in the same run,
# not times across runs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

rss_seconds=300
rss=1
idle=1
startup_runs=15
while [ $# -gt 0 ]; do
  case "$1" in
    --rss-seconds) rss_seconds="${2:?--rss-seconds needs a number}"; shift 2 ;;
    --no-rss) rss=0; shift ;;
    --no-idle) idle=0; shift ;;
    --startup-runs) startup_runs="${2:?--startup-runs needs a number}"; shift 2 ;;
    *) echo "usage: $0 [--rss-seconds N] [--no-rss] [--no-idle] [--startup-runs N]" >&2; exit 2 ;;
  esac
done

"$root/scripts/install-deps.sh"
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_TESTS=OFF \
  -DVANTOR_BUILD_BENCH=ON >/dev/null
benches=()
for src in "$root"/bench/bench_*.cpp; do benches+=("$(basename "$src" .cpp)"); done
ninja -C "$build" vantor vantor-store bench_empty_window

results="$build/results"
mkdir -p "$results"
echo "Benchmarks of $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo '?'), $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# Medians, ratios and the drivers' own summary lines; colour codes removed.
summary() { sed 's/\x1b\[[0-9;]*m//g' | grep -E '^Benchmark |^BM_.*_median|^ratio|^event-loop|^  gap|^(vantor|empty window|window with text) +median|^generated|^display' || true; }

export QT_QPA_PLATFORM=offscreen
for b in "${benches[@]}"; do
  case "$b" in
    bench_empty_window) continue ;;  # a baseline program, run by the two below
    bench_startup) args=(--runs "$startup_runs") ;;
    *) args=(--benchmark_color=false) ;;
  esac
  echo
  echo "== $b"
  ninja -C "$build" "$b" > "$results/$b.build.txt" 2>&1 || {
    echo "$b does not build; see $results/$b.build.txt"
    continue
  }
  (cd "$results" && "$build/bench/$b" "${args[@]}") > "$results/$b.txt" 2>&1 || {
    echo "$b failed; see $results/$b.txt"
    continue
  }
  summary < "$results/$b.txt"
done

if [ "$idle" = 1 ]; then
  echo
  echo "== bench-idle (one idle minute)"
  "$root/scripts/bench-idle.sh" | tee "$results/bench-idle.txt" | grep -E '^idle|ended'
fi

if [ "$rss" = 1 ]; then
  echo
  echo "== bench-rss ($rss_seconds s)"
  "$root/scripts/bench-rss.sh" --seconds "$rss_seconds" | tee "$results/bench-rss.txt" | grep -E '^rss|ratio|ended|^resident|^mapping'
fi

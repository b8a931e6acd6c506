#!/usr/bin/env bash
# What Vantor costs while it watches and nothing arrives: context switches and
# CPU time over one idle minute, from /proc, summed over all its threads, with
# the empty Qt window (bench_empty_window) under the same Xvfb as the
# baseline. Vantor watches the demo's two mailboxes from the tray ("AUTO"=1);
# the minute starts after its first scan (65 s after start-up), so it holds
# two scans (every 30 s) and the popup's auto-close timer ("DELAI"=12 s).
#
#   scripts/bench-idle.sh [--seconds N] [--warm-up N]   (defaults 60 and 75)
#
# Uses the Release build in build-bench/ (built here when needed).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

seconds=60
warmup=75
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    --warm-up) warmup="${2:?--warm-up needs a number}"; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--warm-up N]" >&2; exit 2 ;;
  esac
done
[[ "$seconds" =~ ^[0-9]+$ && "$seconds" -ge 10 ]] || { echo "--seconds: a whole number, at least 10" >&2; exit 2; }
[[ "$warmup" =~ ^[0-9]+$ ]] || { echo "--warm-up: a whole number" >&2; exit 2; }

source "$root/scripts/bench-lib.sh"
release_build

run="$build/idle-run"
prepare_demo "$run" "$build" 1 >/dev/null

start_both "$run"

# One line per process: voluntary and involuntary context switches (all
# threads), user+system CPU in clock ticks (/proc/PID/stat), CPU time in ns
# (schedstat, all threads), thread count.
sample() {
  local pid="$1" vol=0 invol=0 ns=0 threads=0 t
  for t in /proc/"$pid"/task/*; do
    vol=$(( vol + $(awk '$1 == "voluntary_ctxt_switches:" { print $2 }' "$t/status") ))
    invol=$(( invol + $(awk '$1 == "nonvoluntary_ctxt_switches:" { print $2 }' "$t/status") ))
    ns=$(( ns + $(cut -d' ' -f1 "$t/schedstat") ))
    threads=$(( threads + 1 ))
  done
  # Fields 14 and 15 after the command name, which may hold spaces.
  local ticks
  ticks=$(sed 's/.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }')
  echo "$vol $invol $ticks $ns $threads"
}
alive() { kill -0 "$1" 2>/dev/null; }

echo "Vantor watches the demo mailboxes (first scan after 65 s, then every 30 s); warm-up $warmup s, then $seconds s measured. Files: $run"
sleep "$warmup"
alive "$vantor" || { echo "Vantor ended; see $run/vantor.log" >&2; exit 1; }
read -r v_vol0 v_inv0 v_tk0 v_ns0 _ < <(sample "$vantor")
read -r e_vol0 e_inv0 e_tk0 e_ns0 _ < <(sample "$empty")
sleep "$seconds"
alive "$vantor" || { echo "Vantor ended; see $run/vantor.log" >&2; exit 1; }
read -r v_vol1 v_inv1 v_tk1 v_ns1 v_threads < <(sample "$vantor")
read -r e_vol1 e_inv1 e_tk1 e_ns1 e_threads < <(sample "$empty")

hz=$(getconf CLK_TCK)
report() {
  local name="$1" vol=$2 inv=$3 tk=$4 ns=$5 threads=$6
  awk -v n="$name" -v vol="$vol" -v inv="$inv" -v tk="$tk" -v ns="$ns" -v th="$threads" -v s="$seconds" -v hz="$hz" \
    'BEGIN { printf "idle %-13s %5d voluntary + %4d involuntary context switches (%.2f/s), CPU %.1f ms (%d ticks of 1/%d s), %d threads\n", n, vol, inv, (vol + inv) / s, ns / 1e6, tk, hz, th }'
}
report vantor $(( v_vol1 - v_vol0 )) $(( v_inv1 - v_inv0 )) $(( v_tk1 - v_tk0 )) $(( v_ns1 - v_ns0 )) "$v_threads"
report "empty window" $(( e_vol1 - e_vol0 )) $(( e_inv1 - e_inv0 )) $(( e_tk1 - e_tk0 )) $(( e_ns1 - e_ns0 )) "$e_threads"
if [ -s "$run/erreur_log.txt" ]; then
  echo "Vantor's error log:"
  cat "$run/erreur_log.txt"
fi
exit 0

#!/usr/bin/env bash
# Memory of Vantor at rest while it watches: the demo's two mailboxes, with
# the demo feeder delivering a message every 8 seconds for the whole run, and
# beside it, under the same Xvfb and for the same time, the empty Qt window
# (bench_empty_window) as the baseline, and the same window showing one line
# of text as a second one. At the end it prints VmRSS and VmHWM of all three
# from /proc, the ratios of the resident sizes, and where Vantor's resident
# memory differs from each baseline's, mapping by mapping (/proc/PID/smaps).
#
#   scripts/bench-rss.sh [--seconds N]    (default 300; try 30 first)
#
# Uses the Release build in build-bench/ (built here when needed).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

seconds=300
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    *) echo "usage: $0 [--seconds N]" >&2; exit 2 ;;
  esac
done
[[ "$seconds" =~ ^[0-9]+$ && "$seconds" -ge 10 ]] || { echo "--seconds: a whole number, at least 10" >&2; exit 2; }

source "$root/scripts/bench-lib.sh"
release_build

# A program folder seeded and configured as the demo is, watching from launch.
run="$build/rss-run"
prepare_demo "$run" "$build" 1 >/dev/null
store=("$build/tools/vantor-store" --root "$run/notesdata")

# Messages keep arriving until the end of the run.
every=8
count=$(( seconds / every + 1 ))
"${store[@]}" demo-feed --every "$every" --count "$count" --start-delay 5 > "$run/feed.log" 2>&1 &
feeder=$!

start_both "$run"
# A second baseline: the same window showing one line of text, which maps the
# fonts and the text-rendering libraries that the empty window never needs.
"$build/bench/bench_empty_window" --text > "$run/text_window.log" 2>&1 &
text_window=$!

# A field of /proc/PID/status, in kB.
field() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
alive() { kill -0 "$1" 2>/dev/null; }

echo "Vantor watches the demo mailboxes for $seconds s (first check after 65 s, then every 30 s);"
echo "the feeder delivers $count messages, one every $every s. Files: $run"
step=$(( seconds >= 300 ? 30 : 10 ))
printf '%6s  %14s  %14s\n' "t (s)" "vantor VmRSS" "empty VmRSS"
t=0
while [ "$t" -lt "$seconds" ]; do
  wait_for=$(( seconds - t < step ? seconds - t : step ))
  sleep "$wait_for"
  t=$(( t + wait_for ))
  alive "$vantor" || { echo "Vantor ended after $t s; see $run/vantor.log" >&2; exit 1; }
  alive "$empty" || { echo "bench_empty_window ended after $t s" >&2; exit 1; }
  printf '%6d  %11s kB  %11s kB\n' "$t" "$(field "$vantor" VmRSS)" "$(field "$empty" VmRSS)"
done

v_rss=$(field "$vantor" VmRSS); v_hwm=$(field "$vantor" VmHWM)
e_rss=$(field "$empty" VmRSS); e_hwm=$(field "$empty" VmHWM)
delivered=$(grep -c ' → ' "$run/feed.log" || true)
echo "after $seconds s watching, $delivered messages delivered meanwhile:"
echo "rss vantor       VmRSS $v_rss kB   VmHWM $v_hwm kB"
t_rss=$(field "$text_window" VmRSS); t_hwm=$(field "$text_window" VmHWM)
echo "rss empty window VmRSS $e_rss kB   VmHWM $e_hwm kB"
echo "rss window with text VmRSS $t_rss kB   VmHWM $t_hwm kB"
awk -v a="$v_rss" -v b="$e_rss" 'BEGIN { printf "ratio vantor / empty window (VmRSS) = %.2f\n", a / b }'
awk -v a="$v_rss" -v b="$t_rss" 'BEGIN { printf "ratio vantor / window with text (VmRSS) = %.2f\n", a / b }'

# Where the difference is: resident kB by mapping (each library, each mapped
# file, the heap, anonymous memory) of both processes, largest gaps first.
by_mapping() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = NF >= 6 ? $6 : "[anonymous]"; sub(/.*\//, "", name); next }
       $1 == "Rss:" { rss[name] += $2 } END { for (n in rss) print n, rss[n] }' "/proc/$1/smaps"
}
# mapping_gaps NAME PID: vantor's mappings against those of the baseline PID.
mapping_gaps() {
  echo "resident kB by mapping (vantor, $1, difference), largest differences:"
  awk 'NR == FNR { e[$1] = $2; next } { v[$1] = $2 }
       END { for (n in v) if (!(n in e)) e[n] = 0
             for (n in e) { d = v[n] - e[n]; printf "%d %s %d %d\n", (d < 0 ? -d : d), n, v[n], e[n] } }' \
    <(by_mapping "$2") <(by_mapping "$vantor") |
    sort -nr | head -15 | awk '{ printf "mapping %-34s %7d %7d %+7d\n", $2, $3, $4, $3 - $4 }'
}
mapping_gaps "empty window" "$empty"
mapping_gaps "window with text" "$text_window"
if [ -s "$run/erreur_log.txt" ]; then
  echo "Vantor's error log:"
  cat "$run/erreur_log.txt"
fi
exit 0

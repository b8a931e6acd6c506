# Shared by the scripts that run the real program for a figure (bench-rss.sh,
# bench-idle.sh); source it with bash after setting `root`.

# release_build: the Release build in $root/build-bench with the program, the
# mail client, the store tool and the empty-window baseline (configured and
# built when needed); sets `build`, sources demo-lib.sh, and arranges for
# every process started to be ended when the script exits, in the demo's
# order: the feeder, Vantor (through its Quit), the baseline, the mail client,
# then the desktop, Xvfb last.
release_build() {
  build="$root/build-bench"
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_TESTS=OFF >/dev/null
  fi
  ninja -C "$build" vantor vantor-store notes bench_empty_window >/dev/null
  source "$root/scripts/demo-lib.sh"
  pids=()
  feeder=""
  vantor=""
  empty=""
  text_window=""
  run=""
  trap bench_cleanup EXIT
  trap 'exit 130' INT TERM
}

bench_cleanup() {
  trap - EXIT INT TERM
  set +e
  stop_demo "$run" "$empty" "$text_window"
}

# start_both RUN: the display (Xvfb and a tray), then the program of the
# folder RUN and the empty window beside it; sets `vantor` and `empty` to
# their process IDs.
start_both() {
  start_display
  # VANTOR_WRAP runs the program under a tool: `env MALLOC_ARENA_MAX=1` (the
  # figures stay the program's), or `heaptrack -o F` (then only its profile
  # counts: the process measured is heaptrack's).
  ${VANTOR_WRAP:-} "$1/vantor" > "$1/vantor.log" 2>&1 &
  vantor=$!
  "$build/bench/bench_empty_window" > "$1/empty_window.log" 2>&1 &
  empty=$!
}

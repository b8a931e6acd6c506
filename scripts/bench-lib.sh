# Shared by the scripts that run the real program for a figure (bench-rss.sh,
# bench-idle.sh); source it with bash after setting `root`.

# release_build: the Release build in $root/build-bench with the program, the
# store tool and the empty-window baseline (configured and built when
# needed); sets `build`, sources demo-lib.sh, and arranges for every process
# appended to `pids` to be ended when the script exits.
release_build() {
  build="$root/build-bench"
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_TESTS=OFF >/dev/null
  fi
  ninja -C "$build" vantor vantor-store bench_empty_window >/dev/null
  source "$root/scripts/demo-lib.sh"
  pids=()
  trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
}

# start_both RUN: the display (Xvfb and a tray), then the program of the
# folder RUN and the empty window beside it; sets `vantor` and `empty` to
# their process IDs.
start_both() {
  start_display
  "$1/vantor" > "$1/vantor.log" 2>&1 &
  vantor=$!
  pids+=($vantor)
  "$build/bench/bench_empty_window" > "$1/empty_window.log" 2>&1 &
  empty=$!
  pids+=($empty)
}

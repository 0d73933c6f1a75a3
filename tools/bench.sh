#!/usr/bin/env bash
# Runs every benchmark program of the optimised build and prints its results,
# then the toolbar window's benchmark under Wine (x86_64 build, a Wine prefix
# of its own). Arguments are passed on to each native program (e.g.
# --benchmark_filter=...).
set -uo pipefail
cd "$(dirname "$0")/.."
dir=build/bench/bench
shopt -s nullglob
programs=()
for program in "$dir"/*_bench; do
  [[ -x $program ]] && programs+=("$program")
done
if [[ ${#programs[@]} -eq 0 ]]; then
  echo "No benchmark programs in $dir: build the bench preset first." >&2
  exit 1
fi
status=0
for program in "${programs[@]}"; do
  echo "=== $(basename "$program")"
  "$program" "$@" || { echo "*** $(basename "$program") failed" >&2; status=1; }
  echo
done

# The toolbar window as the browser makes it, cold and warm, beside a
# hand-built window of the common controls: under Wine, from the x86_64 build.
echo "=== toolbar_window_bench (Wine, x86_64)"
log=$(mktemp)
if { cmake --preset win64 && cmake --build --preset win64 --target toolbar_window_bench; } >"$log" 2>&1; then
  prefix=build/bench-wineprefix
  cmake/wine-run "$prefix" build/win64/bench/win/toolbar_window_bench.exe ||
    { echo "*** toolbar_window_bench failed" >&2; status=1; }
  cmake/wine-run "$prefix" --stop
else
  cat "$log" >&2
  echo "*** toolbar_window_bench could not be built" >&2
  status=1
fi
rm -f "$log"
exit $status

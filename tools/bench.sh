#!/usr/bin/env bash
# Runs every benchmark program of the optimised build and prints its results.
# Arguments are passed on to each program (e.g. --benchmark_filter=...).
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
exit $status

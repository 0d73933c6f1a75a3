#!/usr/bin/env bash
# Runs fuzz programs of the fuzz build for a while on a scratch copy of each
# one's seed corpus, and fails if any of them finds a crash, a leak or an
# input that takes longer than FUZZ_INPUT_SECONDS (10 unless set).
#   tools/fuzz.sh [SECONDS] [PROGRAM...]
# SECONDS per program: the first argument, else FUZZ_SECONDS, else 60.
# PROGRAM: only these (names as in tests/fuzz, without .cpp); default all.
# A program's extra libFuzzer flags, such as a -max_len that keeps its inputs
# meaningful, stand one a line in tests/fuzz/<program>.options. Crash inputs
# are kept in build/fuzz/artifacts/<program>/, each run's output in
# build/fuzz/logs/<program>.log.
set -uo pipefail
cd "$(dirname "$0")/.."
dir=build/fuzz/tests/fuzz
seconds=${FUZZ_SECONDS:-60}
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
input_seconds=${FUZZ_INPUT_SECONDS:-10}
shopt -s nullglob
programs=()
if [[ $# -gt 0 ]]; then
  for name in "$@"; do
    if [[ ! -x $dir/$name ]]; then
      echo "No fuzz program $dir/$name: build the fuzz preset first." >&2
      exit 1
    fi
    programs+=("$dir/$name")
  done
else
  for program in "$dir"/*_fuzz; do
    [[ -x $program ]] && programs+=("$program")
  done
fi
if [[ ${#programs[@]} -eq 0 ]]; then
  echo "No fuzz programs in $dir: build the fuzz preset first." >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
summary=()
for program in "${programs[@]}"; do
  name=$(basename "$program")
  corpus=$scratch/$name
  artifacts=build/fuzz/artifacts/$name
  mkdir -p "$corpus" "$artifacts" build/fuzz/logs
  seeds=tests/fuzz/corpus/$name
  [[ -d $seeds ]] && cp -r "$seeds"/. "$corpus"/
  seed_count=$(find "$corpus" -type f | wc -l)
  options=()
  if [[ -f tests/fuzz/$name.options ]]; then
    while read -r option; do
      [[ -n $option && $option != \#* ]] && options+=("$option")
    done <"tests/fuzz/$name.options"
  fi
  log=build/fuzz/logs/$name.log
  echo "=== $name: $seconds s from $seed_count seeds ${options[*]}"
  "$program" -max_total_time="$seconds" -timeout="$input_seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${options[@]}" "$corpus" >"$log" 2>&1
  rc=$?
  # The last status line has the coverage; the final statistics the run count.
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  cov=$(grep -oE 'cov: [0-9]+' <<<"$last" | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' <<<"$last" | cut -d' ' -f2)
  corp=$(grep -oE 'corp: [0-9]+/[0-9]+[a-zA-Z]*' <<<"$last" | cut -d' ' -f2)
  if [[ $rc -eq 0 ]]; then
    result=ok
  else
    result="FAILED (exit $rc)"
    status=1
    tail -n 40 "$log"
  fi
  summary+=("$(printf '%-24s %12s %10s %7s %7s %12s  %s' "$name" "${runs:-?}" "${speed:-?}" \
    "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result")")
done

echo
printf '%-24s %12s %10s %7s %7s %12s  %s\n' program runs exec/s cov ft corpus result
printf '%s\n' "${summary[@]}"
exit $status

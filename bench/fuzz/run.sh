#!/usr/bin/env bash
# Runs every fuzz target for a while, one after the other, at the lowest CPU
# priority: new inputs go to a work folder (add the interesting ones to
# fuzz/corpus/<target>/ by hand), faults to fuzz-<target>-crash-* files there.
# Prints the executions and the speed of each target, and the machine's load
# average (1, 5, 15 minutes) when it ended: the speed is only comparable at a
# similar load.
# usage: bench/fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [TARGET...]
#   BUILD_DIR: a clang build configured with -DKV_SANITIZE=ON
set -euo pipefail
build=$(readlink -f "$1")
seconds=${2:-300}
shift $(( $# >= 2 ? 2 : $# ))
src=$(cd "$(dirname "$0")/../.." && pwd)
work=${KV_FUZZ_WORK:-$build/fuzz/long}
mkdir -p "$work"
targets=("$@")
if ((${#targets[@]} == 0)); then
  for t in "$build"/fuzz/fuzz_*; do targets+=("$(basename "$t" | sed 's/^fuzz_//')"); done
fi
printf '%-20s %12s %10s %-16s %s\n' target executions exec/s load result
for t in "${targets[@]}"; do
  mkdir -p "$work/$t"
  dict=()
  [ -f "$src/fuzz/dict/$t.dict" ] && dict=(-dict="$src/fuzz/dict/$t.dict")
  log="$work/$t.log"
  result=clean
  nice -n 19 "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=120 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/fuzz-$t-" "${dict[@]}" \
    "$work/$t" "$src/fuzz/corpus/$t" >"$log" 2>&1 || result="FAULT (see $log)"
  runs=$(awk '/stat::number_of_executed_units/{print $2}' "$log" | tail -1)
  rate=$(awk '/stat::average_exec_per_sec/{print $2}' "$log" | tail -1)
  load=$(cut -d' ' -f1-3 /proc/loadavg | tr ' ' /)
  printf '%-20s %12s %10s %-16s %s\n' "$t" "${runs:-?}" "${rate:-?}" "$load" "$result"
done

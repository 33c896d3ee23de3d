#!/usr/bin/env bash
# tests/fuzz/run.sh [SECONDS] [JOBS] [TARGET...]: each fuzz target for SECONDS
# (default 8), JOBS at a time, from the seed corpus beside it; new inputs go to
# build/fuzz/corpus. Fails, keeping the input in build/fuzz/crashes, when a
# property breaks. SETUP_FUZZ_NO_BUILD=1 skips the build (ctest's short pass).
set -euo pipefail
cd "$(dirname "$0")/../.."
export seconds=${1:-8}
jobs=${2:-1}
shift $(( $# < 2 ? $# : 2 ))
[ $# -gt 0 ] || set -- package_name app_name rebrand
if [ -z "${SETUP_FUZZ_NO_BUILD:-}" ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$(nproc)" >/dev/null
fi
run_one() {
  local target=$1 log=build/fuzz/$1.log
  mkdir -p "build/fuzz/corpus/$target" build/fuzz/crashes
  if "build/fuzz/tests/fuzz/fuzz_$target" "build/fuzz/corpus/$target" "tests/fuzz/corpus/$target" \
       -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build/fuzz/crashes/$target-" -timeout=10 \
       -rss_limit_mb=4096 >"$log" 2>&1; then
    echo "fuzz $target: $(grep -a number_of_executed_units "$log" | awk '{print $2}') executions in ${seconds}s, no finding"
  else
    echo "fuzz $target: FAILED ($log)"
    grep -a -A3 -E "property failed|ERROR:" "$log" | head -20
    return 1
  fi
}
export -f run_one
printf '%s\n' "$@" | xargs -P "$jobs" -I{} bash -c 'run_one {}'

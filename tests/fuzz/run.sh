#!/usr/bin/env bash
# Runs the fuzz targets for SECONDS each (default 8), starting from the seed
# corpus beside them; new inputs go to build/fuzz/corpus, never into the
# sources. Fails, keeping the input in build/fuzz/crashes, when a property
# breaks. SETUP_FUZZ_NO_BUILD=1 skips the build (ctest's short pass).
#   tests/fuzz/run.sh [SECONDS] [JOBS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-8}
jobs=${2:-1}
shift $(( $# < 2 ? $# : 2 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(package_name app_name cstring rebrand)
if [ -z "${SETUP_FUZZ_NO_BUILD:-}" ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$(nproc)" >/dev/null
fi
run_one() {
  local target=$1 out=build/fuzz/corpus/$1
  mkdir -p "$out" build/fuzz/crashes
  if build/fuzz/tests/fuzz/fuzz_$target "$out" tests/fuzz/corpus/$target -max_total_time="$seconds" \
       -print_final_stats=1 -artifact_prefix=build/fuzz/crashes/$target- -timeout=10 -rss_limit_mb=4096 \
       > build/fuzz/$target.log 2>&1; then
    echo "fuzz $target: $(grep -a number_of_executed_units build/fuzz/$target.log | awk '{print $2}') executions in ${seconds}s, no finding"
  else
    echo "fuzz $target: FAILED (build/fuzz/$target.log)"
    grep -a -A3 -E "property failed|ERROR:" build/fuzz/$target.log | head -20
    return 1
  fi
}
export -f run_one
export seconds
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'

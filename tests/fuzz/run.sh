#!/usr/bin/env bash
# tests/fuzz/run.sh [SECONDS] [TARGET...]: runs each fuzz target, as the fuzz preset last built it, in turn
# for SECONDS (default 8) from the seed corpus beside it. New inputs go to build/fuzz/corpus; an input that
# breaks a property stays in build/fuzz/crashes and fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-8}
shift $(( $# > 0 ))
[ $# -gt 0 ] || set -- package_name rebrand icon names
for target; do
  mkdir -p "build/fuzz/corpus/$target" build/fuzz/crashes
  if ! "build/fuzz/tests/fuzz/fuzz_$target" "build/fuzz/corpus/$target" "tests/fuzz/corpus/$target" -timeout=10 \
       -max_total_time="$seconds" -rss_limit_mb=4096 -artifact_prefix="build/fuzz/crashes/$target-" \
       >"build/fuzz/$target.log" 2>&1; then
    echo "fuzz $target: FAILED (build/fuzz/$target.log)"
    grep -a -A3 -E "property failed|ERROR:" "build/fuzz/$target.log" | head -20
    exit 1
  fi
  echo "fuzz $target: no finding in ${seconds}s"
done

#!/usr/bin/env bash
# The benchmark: builds Setup.exe and Minimal.exe, prepares a 32-bit Wine
# prefix under build/bench, then prints footprint and start-up ratios. Not part
# of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
python3 tests/e2e/wine.py build/bench build/win32/Setup.exe >/dev/null
python3 bench/bench.py "$@"

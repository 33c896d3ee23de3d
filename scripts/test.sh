#!/usr/bin/env bash
# Runs every test: unit tests on the host (AddressSanitizer + UBSan) and the
# end-to-end tests of the real Setup.exe under Wine. Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc)" >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null
ctest --preset host "$@"

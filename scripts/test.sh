#!/usr/bin/env bash
# Runs every test: unit tests on the host (AddressSanitizer + UBSan), checks of
# the built Setup.exe, short fuzz passes, and the end-to-end tests of the
# 32-bit Setup.exe under 32-bit Wine. Installs what is missing.
# SETUP_WERROR=ON in the environment makes compiler warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
for preset in host fuzz; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
done
ctest --preset host -j "$(nproc)" "$@"

#!/usr/bin/env bash
# Builds Setup.exe (build/win32, the product) and the same sources for 64-bit
# Wine (build/win64, for machines that cannot run 32-bit code).
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
done
echo "built build/win32/Setup.exe ($(stat -c %s build/win32/Setup.exe) bytes)"

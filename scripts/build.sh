#!/usr/bin/env bash
# Builds the product, build/win32/Setup.exe (and setup-rebrand.exe and
# setup-media.exe beside it, for Windows), and the same tools for this
# machine in build/tools.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in win32 tools; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
done
echo "built build/win32/Setup.exe ($(stat -c %s build/win32/Setup.exe) bytes), build/tools/setup-rebrand and build/tools/setup-media"

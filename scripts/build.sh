#!/usr/bin/env bash
# Builds the product, build/win32/Setup.exe (and setup-rebrand.exe beside it).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)" >/dev/null
echo "built build/win32/Setup.exe ($(stat -c %s build/win32/Setup.exe) bytes)"

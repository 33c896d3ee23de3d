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
# The end-to-end fixture fails unless this is a PE32 i386 program and 32-bit
# Wine runs a 32-bit Windows program; say here what they run on.
echo "end to end: build/win32/Setup.exe ($(i686-w64-mingw32-objdump -f build/win32/Setup.exe | sed -n 's/.*file format //p')) in a 32-bit Wine prefix"
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  echo "32-bit code runs through $(sed -n 's/^interpreter //p' /proc/sys/fs/binfmt_misc/qemu-i386) (binfmt_misc)"
fi
ctest --preset host -j "$(nproc)" "$@"

#!/usr/bin/env bash
# Two clean builds of the same sources must give the same Setup.exe, byte for
# byte: no time stamps in the PE header or the resources, no build paths.
set -euo pipefail
source_dir=$1
work=$2
rm -rf "$work"
for copy in a b; do
  # Different build folders, so that no path of the build tree can leak in unnoticed.
  cmake -S "$source_dir" -B "$work/$copy/build" --toolchain "$source_dir/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "$work/$copy/build" >/dev/null
  sleep 1  # a time stamp would differ
done
a=$(sha256sum < "$work/a/build/Setup.exe")
b=$(sha256sum < "$work/b/build/Setup.exe")
echo "build a: $a"
echo "build b: $b"
[ "$a" = "$b" ] || { cmp -l "$work/a/build/Setup.exe" "$work/b/build/Setup.exe" | head; exit 1; }

#!/usr/bin/env bash
# A clean build of the same sources in another folder gives the product byte
# for byte: no time stamps in the PE header or the resources, no build paths.
#   reproducible.sh SOURCE_DIR WORK_DIR PRODUCT_EXE
set -euo pipefail
rm -rf "$2"
cmake -S "$1" -B "$2" --toolchain "$1/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$2" --target Setup >/dev/null
cmp -l "$2/Setup.exe" "$3" | head || true
cmp -s "$2/Setup.exe" "$3"

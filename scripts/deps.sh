#!/usr/bin/env bash
# Installs, on Debian, whatever the build, the tests and the demo need and
# the machine does not have yet. Safe to run again: it installs nothing twice.
set -euo pipefail

packages=(
  cmake make g++ python3 locales
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
  libgtest-dev clang libclang-rt-14-dev
  wine wine32:i386 wine64 wixl
  xvfb xdotool imagemagick
  icoutils hyperfine
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  added_arch=1
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ] || [ -n "${added_arch:-}" ]; then
  echo "deps: installing ${missing[*]:-(package lists only)}"
  $sudo apt-get update -qq
  if [ "${#missing[@]}" -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

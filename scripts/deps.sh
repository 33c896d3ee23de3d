#!/usr/bin/env bash
# Installs, on Debian 12, whatever the build, the tests and the demo need and
# the machine does not have yet, and makes 32-bit programs (32-bit Wine, and
# with it the 32-bit Setup.exe) runnable where the kernel refuses i386 code.
# Safe to run again: it installs and registers nothing twice.
set -euo pipefail

packages=(
  cmake make g++ python3 locales-all
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  libgtest-dev clang libclang-rt-14-dev zlib1g-dev libz-mingw-w64-dev
  wine wine32:i386 wixl
  xvfb xdotool imagemagick icoutils osslsigncode openssl
  hyperfine
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

apt_install() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  update_lists=1
fi

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ] || [ -n "${update_lists:-}" ]; then
  echo "deps: installing ${missing[*]:-(package lists only)}"
  $sudo apt-get update -qq
  [ "${#missing[@]}" -eq 0 ] || apt_install "${missing[@]}"
fi

# 32-bit Wine's loader is an i386 program: if it starts, the kernel runs i386
# code itself and nothing more is needed.
i386_probe=/usr/lib/wine/wine
if "$i386_probe" --version >/dev/null 2>&1 && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  echo "deps: the kernel runs i386 programs itself; nothing registered"
  exit 0
fi

# Otherwise qemu-i386 runs it. Debian 12's own qemu (7.2) is far too slow for
# Wine; the one in bookworm-backports (10.x) is not. The suite is added from the
# mirror the machine already uses, and only qemu-user is taken from it.
backports=/etc/apt/sources.list.d/bookworm-backports.sources
debian_mirror() {
  { sed -n 's|^URIs:[[:space:]]*\([^[:space:]]*/debian\)/\?[[:space:]]*$|\1|p' /etc/apt/sources.list.d/*.sources
    sed -n 's|^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]*/debian\)/\?[[:space:]]\+bookworm[[:space:]].*|\2|p' \
      /etc/apt/sources.list
  } 2>/dev/null | head -n 1 || true
}
qemu_is_recent() { installed qemu-user && dpkg-query -W -f='${Version}' qemu-user | grep -qE '^1:([1-9][0-9])\.'; }
if ! qemu_is_recent; then
  if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
    mirror=$(debian_mirror)
    [ -n "$mirror" ] || { echo "deps: no Debian mirror in the apt sources to take bookworm-backports from" >&2; exit 1; }
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: %s\n' \
      "$mirror" /usr/share/keyrings/debian-archive-keyring.gpg | $sudo tee "$backports" >/dev/null
  fi
  echo "deps: installing qemu-user from bookworm-backports"
  $sudo apt-get update -qq
  apt_install -t bookworm-backports qemu-user
fi

# Registers qemu-i386 for i386 ELF programs with binfmt_misc (magic and mask as
# in qemu's qemu-binfmt-conf.sh; P keeps argv[0], F opens the interpreter now,
# so it also serves programs started in other mount namespaces).
"$(dirname "$0")/binfmt-i386.sh" register
"$i386_probe" --version >/dev/null || { echo "deps: i386 programs still do not run" >&2; exit 1; }

#!/usr/bin/env bash
# Registers qemu-i386 with the kernel's binfmt_misc for i386 ELF programs, so
# that 32-bit Wine runs where the kernel itself refuses i386 code.
#   binfmt-i386.sh register     idempotent; says in one line what it did
#   binfmt-i386.sh unregister   takes the registration away again
# The registration holds for this machine (or, on Linux 6.7 and later, for the
# user namespace it was made in) until unregistered or the next boot.
set -euo pipefail

name=qemu-i386
folder=/proc/sys/fs/binfmt_misc
entry=$folder/$name
# As in qemu's own qemu-binfmt-conf.sh.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

mount_binfmt() {
  [ -e "$folder/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$folder"
}

case "${1:-}" in
  register)
    mount_binfmt
    interpreter=$(command -v qemu-i386 || true)
    [ -n "$interpreter" ] || { echo "binfmt: qemu-i386 is not installed (scripts/deps.sh installs it)" >&2; exit 1; }
    if [ -e "$entry" ]; then
      if grep -qx "interpreter $interpreter" "$entry" && grep -qx enabled "$entry"; then
        echo "binfmt: $name already registered ($interpreter)"
        exit 0
      fi
      echo -1 | $sudo tee "$entry" >/dev/null
    fi
    # P keeps argv[0] as the program gave it; F opens the interpreter now, so
    # that it also serves programs started in other mount namespaces.
    printf ':%s:M::%s:%s:%s:PF' "$name" "$magic" "$mask" "$interpreter" | $sudo tee "$folder/register" >/dev/null
    echo "binfmt: registered $interpreter for i386 programs (undo: scripts/binfmt-i386.sh unregister)"
    ;;
  unregister)
    if [ -e "$entry" ]; then
      echo -1 | $sudo tee "$entry" >/dev/null
      echo "binfmt: $name unregistered"
    else
      echo "binfmt: $name was not registered"
    fi
    ;;
  *)
    echo "usage: $0 register|unregister" >&2
    exit 2
    ;;
esac

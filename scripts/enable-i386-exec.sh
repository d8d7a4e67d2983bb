#!/usr/bin/env bash
# Makes 32-bit x86 Linux programs (Wine's 32-bit loader) start on this machine.
# Where the kernel runs them itself nothing changes. Where it cannot (a kernel
# without 32-bit user mode, as on some virtual machines), they are handed to
# qemu-i386-static through binfmt_misc; the Wine runner then limits qemu's guest
# address space (QEMU_RESERVED_VA), which keeps Wine's start-up fast under qemu.
# Needs root for the binfmt_misc registration. Safe to run again.
set -euo pipefail

probe=/usr/lib/wine/wine
if [[ ! -x $probe ]]; then
  echo "enable-i386-exec: $probe missing (install wine32 first)" >&2
  exit 1
fi
if "$probe" --version >/dev/null 2>&1; then
  echo "enable-i386-exec: 32-bit programs run"
  exit 0
fi

qemu=/usr/bin/qemu-i386-static
[[ -x $qemu ]] || { echo "enable-i386-exec: $qemu missing" >&2; exit 1; }
binfmt=/proc/sys/fs/binfmt_misc
[[ -e $binfmt/register ]] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [[ ! -e $binfmt/qemu-i386 ]]; then
  # ELF, 32-bit, little endian, executable or shared object, machine 3 (i386).
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register"
fi
echo 1 >"$binfmt/qemu-i386"
if QEMU_RESERVED_VA=0x81000000 "$probe" --version >/dev/null 2>&1; then
  echo "enable-i386-exec: 32-bit programs run through $qemu"
else
  echo "enable-i386-exec: 32-bit programs still do not start" >&2
  exit 1
fi

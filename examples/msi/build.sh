#!/usr/bin/env bash
# Builds the example package with Debian's wixl and msibuild (packages wixl and
# msitools):
#
#   build.sh QivDepends.exe version.ini qiv_msi_actions.dll QivClient.msi
#
# Two things wixl 0.101 does not do, done here: it finds a source file only by a path
# relative to the current folder, and it has no RemoveFile element (the row for the
# Register.ini the program writes comes from RemoveFile.idt). The WiX toolset on
# Windows builds QivClient.wxs as it is, with the RemoveFile element in its place.
# Fails on any warning: the example a client copies builds clean.
set -euo pipefail

if (($# != 4)); then
  echo "usage: $0 QIVDEPENDS_EXE VERSION_INI MSI_ACTIONS_DLL OUTPUT_MSI" >&2
  exit 2
fi
for tool in wixl msibuild; do
  command -v "$tool" >/dev/null ||
    { echo "build.sh: $tool is missing (Debian packages wixl and msitools)" >&2; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)
relative() { realpath --relative-to=. "$1"; }
output=$(realpath -m "$4")
log=$(mktemp)
trap 'rm -f "$log"' EXIT

wixl -a x86 -D QIV_EXE="$(relative "$1")" -D QIV_VERSION_INI="$(relative "$2")" \
  -D QIV_MSI_ACTIONS="$(relative "$3")" -o "$output" "$here/QivClient.wxs" 2>"$log" ||
  { cat "$log" >&2; echo "build.sh: wixl failed" >&2; exit 1; }
if [[ -s $log ]]; then
  cat "$log" >&2
  rm -f "$output"
  echo "build.sh: wixl warned" >&2
  exit 1
fi
msibuild "$output" -i "$here/RemoveFile.idt"

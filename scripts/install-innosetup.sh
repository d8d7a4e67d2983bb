#!/usr/bin/env bash
# The Inno Setup compiler for the example of examples/innosetup/: the npm package
# innosetup at a pinned version, which carries ISCC.exe (a Windows program, run under
# Wine), installed into a cache folder outside the tree. It only builds the example
# and is never shipped. Skipped when that version is there already.
#
#   install-innosetup.sh           installs it if missing
#   install-innosetup.sh --path    prints where ISCC.exe is (or would be)
set -euo pipefail

version=6.4.1
cache=${QIV_TOOLS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qivdepends}
folder=$cache/innosetup-$version
iscc=$folder/node_modules/innosetup/bin/ISCC.exe

if [[ ${1:-} == --path ]]; then
  echo "$iscc"
  exit 0
fi
if [[ -f $iscc ]]; then
  exit 0
fi
command -v npm >/dev/null || bash "$(dirname "$0")/apt-install-missing.sh" npm
echo "installing the Inno Setup compiler $version into $folder"
mkdir -p "$folder"
# --ignore-scripts: the package's files are all that is needed; --prefix keeps
# package.json and node_modules in the cache folder.
npm install --prefix "$folder" --no-save --no-audit --no-fund --ignore-scripts \
  "innosetup@$version"
test -f "$iscc"

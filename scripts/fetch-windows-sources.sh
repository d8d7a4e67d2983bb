#!/usr/bin/env bash
# Fetches Debian's source packages of the Windows build's dependencies (patched, as
# Debian ships them) into DEST, without touching the machine's apt configuration:
# deb-src entries are derived from the machine's own apt sources into a private
# directory, and apt's lists and cache point there too.
#
#   fetch-windows-sources.sh DEST PACKAGE...
#
# Each package lands in DEST/<package>-<version>/ and DEST/<package>.dir names that
# directory (its name alone, so that DEST can be copied or moved; older files hold
# the full path, of which the name counts). A package already fetched is not
# fetched again.
set -euo pipefail

if (($# < 2)); then
  echo "usage: $0 DEST PACKAGE..." >&2
  exit 2
fi
dest=$(mkdir -p "$1" && cd "$1" && pwd)
shift

todo=()
for package in "$@"; do
  if [[ -f $dest/$package.dir && -d $dest/$(basename "$(cat "$dest/$package.dir")") ]]; then
    echo "fetch-windows-sources: $package already in $dest/$(basename "$(cat "$dest/$package.dir")")"
  else
    todo+=("$package")
  fi
done
((${#todo[@]} == 0)) && exit 0

apt_dir=$dest/.apt
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
rm -f "$apt_dir/sources.list.d"/* "$apt_dir/sources.list"
: >"$apt_dir/sources.list"

# deb822 files: the same entries with the source type.
shopt -s nullglob
for file in /etc/apt/sources.list.d/*.sources; do
  sed -E 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/sources.list.d/$(basename "$file")"
done
# One-line files: every binary entry as a source entry.
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [[ -f $file ]] || continue
  sed -nE 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$file" >>"$apt_dir/sources.list"
done

apt_options=(
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "Debug::NoLocking=1"
  -o "APT::Sandbox::User=root"
)
# A suite whose index the mirror serves broken is left out, named in one line.
bash "$(dirname "$0")/apt-update.sh" "${apt_options[@]}"

for package in "${todo[@]}"; do
  work=$(mktemp -d "$dest/.fetch-$package.XXXXXX")
  (cd "$work" && apt-get "${apt_options[@]}" -qq source "$package")
  unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  if [[ -z $unpacked ]]; then
    echo "fetch-windows-sources: no source tree for $package" >&2
    exit 1
  fi
  name=$(basename "$unpacked")
  rm -rf "${dest:?}/$name"
  mv "$unpacked" "$dest/$name"
  rm -rf "$work"
  echo "$name" >"$dest/$package.dir"
  echo "fetch-windows-sources: $package -> $dest/$name"
done

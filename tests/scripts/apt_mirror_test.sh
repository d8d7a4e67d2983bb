#!/usr/bin/env bash
# The setup's package installation against a local, file-based apt repository that
# looks like a mirror in the middle of a sync: the release's own suite and its
# updates suite are served intact, the security suite's index does not match its
# Release file. The updates suite offers a newer version of the probe package that
# needs a package only the broken suite has, so the install resolves only with the
# release's own suite as target. The probe package is installed for real and
# purged again, so the test runs as root only.
#
#   apt_mirror_test.sh [INSTALL-SCRIPT]   default: scripts/apt-install-missing.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
script=${1:-$root/scripts/apt-install-missing.sh}
probe=qiv-apt-selftest
if [[ $(id -u) -ne 0 ]]; then
  echo "apt_mirror_test: skipped (installs a probe package; needs root)"
  exit 0
fi
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[[ -n $codename ]] || { echo "apt_mirror_test: no VERSION_CODENAME in /etc/os-release" >&2; exit 1; }
arch=$(dpkg --print-architecture)

work=$(mktemp -d)
cleanup() {
  dpkg --purge "$probe" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
dpkg --purge "$probe" >/dev/null 2>&1 || true

# package NAME VERSION SUITE [DEPENDS]
package() {
  local dir=$work/pkg/$1-$2
  mkdir -p "$dir/DEBIAN" "$dir/usr/share/doc/$1" "$work/repo/pool/$3"
  echo "$1 $2" >"$dir/usr/share/doc/$1/probe"
  {
    echo "Package: $1"
    echo "Version: $2"
    echo "Architecture: all"
    echo "Maintainer: QivDepends tests <tests@localhost>"
    [[ -n ${4:-} ]] && echo "Depends: $4"
    echo "Description: probe package of the setup's mirror test"
  } >"$dir/DEBIAN/control"
  dpkg-deb -b -Znone "$dir" "$work/repo/pool/$3/$1_$2_all.deb" >/dev/null
}

# suite SUITE: its index and a Release file that lists the index's size and hashes.
suite() {
  local dists=$work/repo/dists/$1 index=main/binary-$arch/Packages
  mkdir -p "$dists/main/binary-$arch"
  (cd "$work/repo" && dpkg-scanpackages -m "pool/$1" /dev/null 2>/dev/null) >"$dists/$index"
  {
    echo "Suite: $1"
    echo "Codename: $1"
    echo "Architectures: $arch"
    echo "Components: main"
    echo "Date: $(date -Ru)"
    echo "SHA256:"
    echo " $(sha256sum <"$dists/$index" | cut -d' ' -f1) $(stat -c %s "$dists/$index") $index"
  } >"$dists/Release"
}

package "$probe" 1.0 "$codename"
package "$probe" 2.0 "$codename-updates" "$probe-security-fix"
package "$probe-security-fix" 1.0 "$codename-security"
for name in "$codename" "$codename-updates" "$codename-security"; do suite "$name"; done
# Mid-sync: the index has moved on, its Release file has not.
echo >>"$work/repo/dists/$codename-security/main/binary-$arch/Packages"

mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts" "$work/apt/prefs"
for name in "$codename" "$codename-updates" "$codename-security"; do
  echo "deb [trusted=yes] file:$work/repo $name main"
done >"$work/apt/sources.list"
cat >"$work/apt/apt.conf" <<CONF
Dir::Etc::SourceList "$work/apt/sources.list";
Dir::Etc::SourceParts "$work/apt/parts";
Dir::Etc::PreferencesParts "$work/apt/prefs";
Dir::Etc::Preferences "$work/apt/prefs/none";
Dir::State::Lists "$work/apt/lists";
Dir::Cache "$work/apt/cache";
Acquire::Languages "none";
APT::Architectures { "$arch"; };
APT::Sandbox::User "root";
CONF

failures=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

status=0
APT_CONFIG=$work/apt/apt.conf QIV_APT_RETRY_PAUSE=0 bash "$script" "$probe" >"$work/out" 2>&1 || status=$?
check "the probe package installs despite the broken suite" \
  '[[ $status -eq 0 ]] && dpkg-query -W -f="\${Status} \${Version}" "$probe" 2>/dev/null | grep -q "installed 1.0"'
check "the broken suite is named in one line" \
  'grep -q "going on without.*$codename-security" "$work/out"'
check "the release's own suite was the target of the second try" \
  'grep -q "with $codename as target release" "$work/out"'

status=0
APT_CONFIG=$work/apt/apt.conf QIV_APT_RETRY_PAUSE=0 bash "$script" qiv-apt-no-such-package >"$work/out-missing" 2>&1 ||
  status=$?
check "a package no suite has stops the setup, named with apt's reason" \
  '[[ $status -ne 0 ]] && grep -q "could not install: qiv-apt-no-such-package" "$work/out-missing" &&
   grep -q "^  E:" "$work/out-missing"'

if ((failures > 0)); then
  echo "--- output of the install"
  cat "$work/out"
  echo "--- output of the missing package's install"
  cat "$work/out-missing"
  exit 1
fi
echo "apt_mirror_test: all checks passed"

#!/usr/bin/env bash
# Installs the named Debian packages that are not installed yet; runs apt only when
# something is missing, so a warm machine pays nothing. A name with an
# architecture (wine32:i386) adds that architecture to dpkg first.
#
#   apt-install-missing.sh PACKAGE...
set -euo pipefail

missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
for package in "${missing[@]}"; do
  case $package in
    *:*)
      arch=${package#*:}
      dpkg --print-foreign-architectures | grep -qx "$arch" ||
        $sudo_cmd dpkg --add-architecture "$arch"
      ;;
  esac
done
here=$(dirname "$0")
$sudo_cmd bash "$here/apt-update.sh"

# A mirror in the middle of a sync can leave one suite's index out (the security
# suite's i386 half, say); the packages of the other architecture in that suite
# then have no partner and the install cannot resolve. The release's own suite as
# target resolves from the lists that did arrive.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
install() {
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends \
    "$@" "${missing[@]}" 2>&1 | tee "$log"
}
install && exit 0
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ -n "$codename" ]; then
  echo "apt-install-missing: the install did not resolve; once more with $codename as target release"
  install -t "$codename" && exit 0
fi
{
  echo "apt-install-missing: could not install: ${missing[*]}"
  echo "apt-install-missing: apt said:"
  grep -E '^(E:| .*: (Depends|PreDepends|Conflicts|Breaks):|  +Depends:)' "$log" | head -n 20 | sed 's/^/  /'
} >&2
exit 1

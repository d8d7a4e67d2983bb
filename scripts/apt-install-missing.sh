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
$sudo_cmd apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"

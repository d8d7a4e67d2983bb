#!/usr/bin/env bash
# Installs what the native build and its tests need, from Debian's packages.
# Runs apt only when something is missing, so a warm machine pays nothing.
set -euo pipefail

packages=(cmake g++ make pkg-config libcurl4-openssl-dev libtinyxml-dev libgtest-dev
          googletest python3 python3-pytest openssl clang-format)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

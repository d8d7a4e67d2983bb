#!/usr/bin/env bash
# Installs what the fuzz build and the hardening checks need, from Debian's packages:
# clang with libFuzzer and the sanitizer runtimes, Valgrind, and hyperfine for the
# benchmarks. Runs apt only when something is missing.
set -euo pipefail

packages=(clang libclang-rt-14-dev valgrind hyperfine time)
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

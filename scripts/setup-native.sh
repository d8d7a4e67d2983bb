#!/usr/bin/env bash
# Installs what the native build and its tests need, from Debian's packages
# (dpkg-dev builds the local apt repository of the setup's own test).
set -euo pipefail

bash "$(dirname "$0")/apt-install-missing.sh" \
  cmake g++ make pkg-config libcurl4-openssl-dev libtinyxml-dev libgtest-dev \
  googletest python3 python3-pytest openssl clang-format dpkg-dev

#!/usr/bin/env bash
# Installs what the Windows build and its Wine test run need, from Debian packages:
# the mingw-w64 cross toolchain, Wine with its 32-bit half (and qemu for machines
# whose kernel cannot start 32-bit programs), and the tools that fetch and build the
# dependencies from Debian's source packages, makensis for the NSIS example, Xvfb
# for the Inno Setup example's setups (they need a display even when very silent),
# wixl and msitools to build the MSI example (and to check its signature's removal),
# iproute2 to bring up the loopback of the Wine tests' own network namespace, and
# osslsigncode and openssl to sign the release and check the signature; then the
# Inno Setup compiler from the npm registry (scripts/install-innosetup.sh).
# Safe to run again.
set -euo pipefail

bash "$(dirname "$0")/apt-install-missing.sh" \
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64 binutils-mingw-w64-i686 \
  g++-mingw-w64-x86-64-posix \
  wine wine32:i386 wine64 qemu-user-static \
  cmake make pkg-config dpkg-dev nsis xvfb wixl msitools \
  python3 python3-pytest iproute2 osslsigncode openssl git

bash "$(dirname "$0")/enable-i386-exec.sh"
bash "$(dirname "$0")/install-innosetup.sh"

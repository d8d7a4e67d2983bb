#!/usr/bin/env bash
# The Windows product in CI: installs the mingw-w64 toolchain and Wine, builds the
# dependencies from Debian's sources (cached in build/windows-deps), cross-builds
# QivDepends.exe and the unit tests, and runs the unit-test binary under Wine in
# one process, so the real Win32 functions pass the same tests as the POSIX stand-in.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-windows-deps.sh
bash scripts/enable-i386-exec.sh
bash scripts/build-windows-deps.sh

cmake --preset windows >/dev/null
cmake --build --preset windows -j2

ctest --test-dir build/windows --output-on-failure -R unit_tests_under_wine

# The product's end-to-end scenarios under Wine use the same harness:
#   pytest tests/e2e --exe build/windows/QivDepends.exe --runner wine
# They are not part of CI yet (still being stabilised); the whole suite runs natively.

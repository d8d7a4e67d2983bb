#!/usr/bin/env bash
# The Windows product in CI: installs the mingw-w64 toolchain and Wine, builds the
# dependencies from Debian's sources (cached in build/windows-deps), cross-builds
# QivDepends.exe and the unit tests, and runs them under Wine: the unit-test binary
# in one Wine process and the Windows product's end-to-end scenarios.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-windows-deps.sh
bash scripts/enable-i386-exec.sh
bash scripts/build-windows-deps.sh

cmake --preset windows >/dev/null
cmake --build --preset windows -j2

file build/windows/QivDepends.exe
ctest --test-dir build/windows --output-on-failure -R unit_tests_under_wine

# The product under Wine as the installer runs it: no command, InstallSoftware,
# UninstallGames, UninstallSoftware (HTTPS over Schannel) and PostInstallEvent
# (HTTPS goal lookup, plain-HTTP tracking). The feedback post and the refused-goal
# variant are not stable under Wine yet (see the open Windows issue); the whole
# end-to-end suite runs natively.
QIV_WINEPREFIX=$PWD/build/windows/wineprefix PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e/test_smoke.py \
  -k "not feedback and not fails" \
  --exe "$PWD/build/windows/QivDepends.exe" --runner wine

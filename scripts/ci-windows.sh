#!/usr/bin/env bash
# The Windows product in CI: installs the cross toolchain and Wine (idempotent),
# fetches and builds the dependencies (kept in build/windows-deps between runs),
# builds the windows preset and runs its tests under Wine: the unit tests in one
# Wine process and the end-to-end scenarios with the Wine runner (the NSIS and Inno
# Setup examples among them), then makes the release package from the windows-release
# preset, checks what it holds, builds it again in another folder and compares the
# bytes, and signs and verifies it (scripts/ci-release.sh).
#
#   ci-windows.sh [install|build|test]   one phase; all three in turn without one
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
step() {
  echo
  echo "== windows: $1 ($((SECONDS - started)) s)"
}

phase=${1:-all}
if [[ $phase == install || $phase == all ]]; then
  step "toolchain and Wine"
  bash scripts/install-windows-deps.sh
fi
if [[ $phase == build || $phase == all ]]; then
  step "dependencies from Debian's sources"
  bash scripts/build-windows-deps.sh build/windows-deps
  step "configure and build"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j2
fi
if [[ $phase == test || $phase == all ]]; then
  step "tests under Wine (with the NSIS and Inno Setup examples as real clients)"
  ctest --preset windows
  step "release package: built twice and compared, signed and verified"
  bash scripts/ci-release.sh
fi
step "done"

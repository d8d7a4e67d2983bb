#!/usr/bin/env bash
# The Windows product in CI: installs the cross toolchain and Wine (idempotent),
# fetches and builds the dependencies (kept in build/windows-deps between runs),
# builds the windows preset and runs its tests under Wine: the unit tests in one
# Wine process and the end-to-end scenarios with the Wine runner.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
step() {
  echo
  echo "== windows: $1 ($((SECONDS - started)) s)"
}

step "toolchain and Wine"
bash scripts/install-windows-deps.sh
step "dependencies from Debian's sources"
bash scripts/build-windows-deps.sh build/windows-deps
step "configure and build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j2
step "tests under Wine"
ctest --preset windows
step "done"

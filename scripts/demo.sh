#!/usr/bin/env bash
# Builds the native program and runs a few command lines in a throw-away sandbox,
# showing the debug lines each one writes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-native.sh
cmake --preset dev >/dev/null && cmake --build --preset dev -j2 >/dev/null
exe=$PWD/build/dev/QivDepends
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
cd "$sandbox"
for args in "" "Frobnicate" "uninstallgames" "PostInstallEvent start" "InstallSoftware x"; do
  echo "\$ QivDepends $args"
  # shellcheck disable=SC2086
  "$exe" $args 2>&1 | sed 's/^/    /'
  echo "    (exit status $?)"
done

#!/usr/bin/env bash
# Sets up and builds the native program, then runs the installer's and
# uninstaller's lifecycle against local stand-ins for the web services in a
# throw-away sandbox, showing what each service received.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-native.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j2 --target QivDepends >/dev/null
exec /usr/bin/python3 scripts/demo.py --exe build/dev/QivDepends "$@"

#!/usr/bin/env bash
# The hardening checks CI runs after the native and sanitizer suites: a short pass
# of every fuzz target, and the smoke scenarios plus the fuzz seed corpora under
# Valgrind memcheck (on the dev build). scripts/fuzz-long.sh does the long run.
#
#   QIV_FUZZ_SECONDS   seconds per fuzz target (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-fuzz.sh
status=0
bash scripts/fuzz.sh --seconds "${QIV_FUZZ_SECONDS:-10}" || status=1
bash scripts/valgrind-e2e.sh || status=1
exit $status

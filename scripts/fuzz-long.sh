#!/usr/bin/env bash
# The long fuzzing run: every target (or the ones named) for a number of
# executions, 10 million by default, keeping the working corpus in build/fuzz/
# between runs. Takes hours on a shared two-core machine; the summary table with
# executions per target is printed at the end and kept in build/fuzz/long-run.txt.
#
#   scripts/fuzz-long.sh [--runs N] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=10000000
if [ "${1:-}" = --runs ]; then
  runs=$2
  shift 2
fi
mkdir -p build/fuzz
# The registry, INI and install configuration targets write files on every run:
# keep their scratch directories in memory when the machine offers it.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
bash scripts/fuzz.sh --runs "$runs" "$@" 2>&1 | tee build/fuzz/long-run.txt
exit "${PIPESTATUS[0]}"

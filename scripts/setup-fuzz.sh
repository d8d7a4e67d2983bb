#!/usr/bin/env bash
# Installs what the fuzz build and the hardening checks need, from Debian's packages:
# clang with libFuzzer and the sanitizer runtimes, Valgrind, and hyperfine for the
# benchmarks.
set -euo pipefail

bash "$(dirname "$0")/apt-install-missing.sh" clang libclang-rt-14-dev valgrind hyperfine time

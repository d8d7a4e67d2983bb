#!/usr/bin/env bash
# Sets up, builds and runs every test: the native build, the same suite under
# ASan + UBSan, and, where its script is present, the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-native.sh

# The Windows build (its libraries from source, then the program and its tests)
# goes on at low priority beside the native suites, which leave a core idle much
# of the time; its Wine tests run at the end, when the loopback ports are free.
windows=0
if [ -f scripts/ci-windows.sh ] && [ "${QIV_SKIP_WINDOWS:-0}" != 1 ]; then
  windows=1
  bash scripts/ci-windows.sh install
  mkdir -p build
  nice -n 10 bash scripts/ci-windows.sh build >build/ci-windows-build.log 2>&1 &
  windows_build=$!
  # A native failure ends the run; the build beside it goes with it. The trap
  # keeps the run's own status: under errexit a failing command in it (pkill
  # finding nothing to stop) would otherwise become the exit status.
  stop_windows_build() {
    local status=$?
    if kill -0 "$windows_build" 2>/dev/null; then
      pkill -TERM -P "$windows_build" 2>/dev/null || true
      kill "$windows_build" 2>/dev/null || true
    fi
    exit "$status"
  }
  trap stop_windows_build EXIT
fi

summary=()
run_preset() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  local log
  log=$(mktemp)
  if ctest --preset "$preset" 2>&1 | tee "$log"; then
    summary+=("$preset: $(grep -E 'tests passed' "$log" | tail -n 1)")
  else
    summary+=("$preset: FAILED — $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
    rm -f "$log"
    printf '%s\n' "${summary[@]}"
    exit 1
  fi
  rm -f "$log"
}

run_preset dev
run_preset asan

# Short fuzz pass of every target, smoke scenarios and fuzz corpora under Valgrind.
bash scripts/ci-hardening.sh
summary+=("hardening: fuzz pass and Valgrind runs clean")

# The release build has no tests, but it must keep compiling (optimiser warnings).
cmake --preset release >/dev/null
cmake --build --preset release -j2
summary+=("release: built")

# The ordinary CMake habit, no preset, in a fresh directory: the program alone, with
# warnings as warnings and no tests (those need the presets' loopback endpoints).
rm -rf build/plain
cmake -S . -B build/plain >/dev/null
cmake --build build/plain -j2
ctest --test-dir build/plain
summary+=("plain cmake: configured, built and ctest run without a preset")

if [ "$windows" = 1 ]; then
  if ! wait "$windows_build"; then
    tail -n 60 build/ci-windows-build.log
    echo "windows: build FAILED (build/ci-windows-build.log)"
    exit 1
  fi
  grep -E '^== windows' build/ci-windows-build.log
  bash scripts/ci-windows.sh test
  summary+=("windows: built; unit tests and end-to-end scenarios passed under Wine")
fi

echo
echo "Summary"
printf '  %s\n' "${summary[@]}"

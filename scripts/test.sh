#!/usr/bin/env bash
# Sets up, builds and runs every test: the native build, the same suite under
# ASan + UBSan, and, where its script is present, the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-native.sh
# The setup itself: installing from a mirror in the middle of a sync (local
# repository, no network; root only, it installs and purges a probe package).
bash tests/scripts/apt_mirror_test.sh

# The Windows build (its libraries from source, then the program and its tests)
# goes on at low priority beside the native suites, which leave a core idle much
# of the time. Its Wine tests bind the same loopback ports as the native suites:
# where a network namespace can be made (root), they run in one of their own as
# soon as the build is done, still beside the native suites; elsewhere at the end.
windows=0
isolated=0
if [ -f scripts/ci-windows.sh ] && [ "${QIV_SKIP_WINDOWS:-0}" != 1 ]; then
  windows=1
  bash scripts/ci-windows.sh install
  if unshare --net sh -c 'ip link set lo up' 2>/dev/null; then isolated=1; fi
  mkdir -p build
  # Its own process group, so that the EXIT trap can stop all of it.
  setsid bash -c '
    nice -n 10 bash scripts/ci-windows.sh build || exit
    if [ "$1" = 1 ]; then
      exec nice -n 4 unshare --net sh -c "ip link set lo up && exec bash scripts/ci-windows.sh test"
    fi' windows-ci "$isolated" >build/ci-windows.log 2>&1 &
  windows_job=$!
  # A native failure ends the run; the Windows job goes with it. The trap keeps
  # the run's own status: under errexit a failing command in it would otherwise
  # become the exit status.
  stop_windows_job() {
    local status=$?
    kill -TERM -- "-$windows_job" 2>/dev/null || true
    exit "$status"
  }
  trap stop_windows_job EXIT
fi

summary=("setup: installs through a mirror in the middle of a sync (local repository test)")
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
  if ! wait "$windows_job"; then
    # The Wine tests' own output when they ran, else the end of the build's.
    sed -n '/^== windows: tests under Wine/,$p' build/ci-windows.log | tail -n 400 | grep . ||
      tail -n 80 build/ci-windows.log
    echo "windows: FAILED (build/ci-windows.log)"
    exit 1
  fi
  if [ "$isolated" = 1 ]; then
    grep -E '^== (windows|release)|Test +#|tests passed|tests failed|release: (identical|DIFFERENT)' \
      build/ci-windows.log
  else
    grep -E '^== windows' build/ci-windows.log
    bash scripts/ci-windows.sh test
  fi
  summary+=("windows: built; unit tests and end-to-end scenarios passed under Wine")
  summary+=("release: package built twice in two folders, identical; signed and verified")
fi

echo
echo "Summary"
printf '  %s\n' "${summary[@]}"

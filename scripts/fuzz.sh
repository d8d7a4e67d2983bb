#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each one for a fixed time or
# number of executions, starting from its seed corpus in tests/fuzz/corpus/.
#
#   scripts/fuzz.sh [--seconds N] [--runs N] [target...]
#
# Default: 10 seconds per target, every target. With both limits a target stops at
# whichever comes first. New inputs go to a working corpus
# in build/fuzz/corpus/<target> (kept between runs); crashes, leaks, time-outs and
# memory blow-ups to build/fuzz/artifacts/<target>/. Prints one line per target and
# exits non-zero when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=()
labels=()
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) limit+=(-max_total_time="$2"); labels+=("$2 s"); shift 2 ;;
    --runs) limit+=(-runs="$2"); labels+=("$2 runs"); shift 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

if [ ${#limit[@]} -eq 0 ]; then
  limit=(-max_total_time=10)
  labels=("10 s")
fi
label=$(IFS=/; echo "${labels[*]}")

bash scripts/setup-fuzz.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 >/dev/null

bin=build/fuzz/tests/fuzz
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzzer.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

status=0
results=()
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  artifacts=build/fuzz/artifacts/$target/
  log=build/fuzz/logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  options=("${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -close_fd_mask=2 -artifact_prefix="$artifacts")
  [ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")
  started=$(date +%s)
  if "$bin/$target" "${options[@]}" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    verdict=ok
  else
    verdict=FAILED
    status=1
  fi
  elapsed=$(( $(date +%s) - started ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -n 1)
  results+=("$(printf '%-26s %-8s %12s runs %6s s %6s MB  %s' "$target" "$verdict" \
    "${runs:-?}" "$elapsed" "${peak:-?}" "$(ls "$corpus" | wc -l) inputs")")
  if [ "$verdict" = FAILED ]; then
    tail -n 30 "$log"
    # The target's own message went to the closed stderr: replay to show it.
    for artifact in "$artifacts"*; do
      [ -f "$artifact" ] || continue
      echo "--- replaying $artifact"
      "$bin/$target" "$artifact" 2>&1 | grep -v '^\(Enter\|Exit\|Start\|End\) ' | tail -n 20 || true
    done
  fi
done

echo
echo "fuzzing ($label per target)"
printf '  %s\n' "${results[@]}"
exit $status

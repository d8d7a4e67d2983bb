#!/usr/bin/env bash
# Runs end-to-end scenarios with the program under Valgrind memcheck, and replays
# the fuzz seed corpora under it (Valgrind also sees reads past a buffer inside the
# uninstrumented libcurl and TinyXML, which ASan cannot).
#
#   scripts/valgrind-e2e.sh [pytest -k expression]     (default: the smoke scenarios)
#
# Uses the dev build (build/dev, built when missing). Every program start must end
# with status 0 and no memcheck error (invalid access, uninitialised value, definite
# or indirect leak); Valgrind's reports land in build/valgrind/.
set -euo pipefail
cd "$(dirname "$0")/.."

select=${1:-smoke}
bash scripts/setup-fuzz.sh
if [ ! -x build/dev/QivDepends ]; then
  cmake --preset dev >/dev/null
  cmake --build --preset dev -j2 >/dev/null
fi

logs=$PWD/build/valgrind
rm -rf "$logs"
mkdir -p "$logs"
memcheck=(valgrind --quiet --error-exitcode=99 --leak-check=full
          --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect
          --suppressions="$PWD/tests/valgrind.supp")

status=0
echo "== end-to-end scenarios matching '$select' under memcheck"
/usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e --exe build/dev/QivDepends \
  --runner native --wrap "${memcheck[*]} --log-file=$logs/e2e-%p.log" -k "$select" || status=1

echo "== fuzz seed corpora under memcheck"
replayed=0
for replay in build/dev/tests/*_fuzzer_replay; do
  [ -x "$replay" ] || continue
  target=$(basename "$replay" _replay)
  if ! "${memcheck[@]}" --log-file="$logs/replay-$target.log" "$replay" "tests/fuzz/corpus/$target" \
      >/dev/null 2>&1; then
    echo "memcheck failed: $target (build/valgrind/replay-$target.log)"
    status=1
  fi
  replayed=$((replayed + 1))
done

starts=$(find "$logs" -name 'e2e-*.log' | wc -l)
dirty=$(grep -l -E 'ERROR SUMMARY: [1-9]|Invalid (read|write)|uninitialised|definitely lost' \
  "$logs"/*.log 2>/dev/null || true)
if [ -n "$dirty" ]; then
  status=1
  for log in $dirty; do echo "--- $log"; head -n 60 "$log"; done
fi
echo "memcheck: $starts program starts, $replayed corpora replayed, $(echo -n "$dirty" | grep -c . || true) with errors"
exit $status

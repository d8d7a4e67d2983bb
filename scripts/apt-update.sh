#!/usr/bin/env bash
# Runs `apt-get update` so that a mirror in the middle of a sync does not stop the
# setup: a failed update is tried again a few times with a growing pause, and when
# some index is still missing at the end, the update goes on without it and names
# it in one line. The arguments go to apt-get before the command (for example the
# -o options of a private list directory).
#
#   apt-update.sh [APT-GET OPTION...]
#
# Exits 0 when apt has lists to work with (all or most), non-zero only when
# apt-get itself could not run. QIV_APT_RETRY_PAUSE sets the first pause in
# seconds (default 5; each further try waits that much longer).
set -uo pipefail

tries=${QIV_APT_UPDATE_TRIES:-4}
pause=${QIV_APT_RETRY_PAUSE:-5}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

for ((try = 1; try <= tries; try++)); do
  status=0
  apt-get "$@" -q update >"$log" 2>&1 || status=$?
  # apt reports a missing index as "Err:" with a nonzero status; warnings alone
  # (W: lines) leave the lists usable.
  if ((status == 0)) && ! grep -q '^Err:' "$log"; then
    exit 0
  fi
  if ((try < tries)); then
    echo "apt-update: try $try of $tries did not fetch every index; again in $((pause * try)) s"
    sleep $((pause * try))
  fi
done

# What is missing, in one line: "Err:N URI SUITE/COMPONENT ARCH Packages" names it.
missing=$(sed -nE 's/^Err:[0-9]+ +[^ ]+ +(.*)$/\1/p' "$log" | sort -u | paste -sd ';' | sed 's/;/; /g')
if [[ -z $missing ]] && ((status != 0)); then
  # No index named: apt itself failed (lock, configuration); show why.
  grep -E '^(E|W):' "$log" >&2 || tail -n 20 "$log" >&2
  exit "$status"
fi
echo "apt-update: going on without index(es) the mirror did not serve intact: ${missing:-unknown}"
grep -E '^E:' "$log" | head -n 3 | sed 's/^/apt-update:   /'
exit 0

#!/usr/bin/env bash
# Checks that the address space a run needs follows from the formula: every
# shared formula is run once to measure its peak resident memory P, then
# again under `ulimit -v` of 3 * P + 64 MB, where it must finish the same
# way (exit status, standard output with the seconds masked, output formula).
#
#   bench/ulimit_check.sh [BINARY] [CAP_SECONDS]
#
# BINARY defaults to build/release/qshrink; a formula that takes longer than
# CAP_SECONDS (default 120) unconstrained is skipped and listed. Needs GNU
# time (/usr/bin/time). Ends with "checked N, failed F, skipped S" and
# status 1 if F > 0. The shared folder is $QSHRINK_SHARED, or ../shared.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$(readlink -f "${1:-$here/build/release/qshrink}")
cap=${2:-120}
shared=${QSHRINK_SHARED:-$here/../shared}
[ -x "$bin" ] || { echo "no binary at $bin" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs GNU time (/usr/bin/time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What a run in directory $1 left: status, masked stdout, output formula.
shown() {
  echo "status $(cat "$1/status")"
  sed -E 's/^[0-9]+\.[0-9]{3} (UNSAT|UNKNOWN|SAT) $/T \1 /' "$1/stdout"
  cat "$1"/*_outOrig.qdimacs 2>/dev/null
}

checked=0 failed=0 skipped=0
for f in "$shared"/instances/*.qdimacs; do
  name=$(basename "$f")
  rm -rf "$work/free" "$work/limited" && mkdir -p "$work/free" "$work/limited"
  (cd "$work/free" && /usr/bin/time -f %M -o peak timeout "$cap" "$bin" "$f" >stdout 2>/dev/null; echo $? >status)
  if [ "$(cat "$work/free/status")" = 124 ]; then
    echo "SKIP $name (over ${cap}s)"
    skipped=$((skipped + 1))
    continue
  fi
  peak=$(tail -1 "$work/free/peak")
  limit=$((3 * peak + 65536))
  (cd "$work/limited" && (ulimit -v "$limit" && exec timeout "$((2 * cap))" "$bin" "$f") >stdout 2>/dev/null
   echo $? >status)
  checked=$((checked + 1))
  if [ "$(shown "$work/free")" != "$(shown "$work/limited")" ]; then
    failed=$((failed + 1))
    echo "FAIL $name: peak ${peak} KB, limit ${limit} KB, status $(cat "$work/limited/status")"
    head -3 "$work/limited/stdout" | sed 's/^/    /'
  else
    echo "OK $name: peak ${peak} KB, limit ${limit} KB"
  fi
done
echo "checked $checked, failed $failed, skipped $skipped"
[ "$failed" = 0 ]

#!/usr/bin/env bash
# Times two qshrink binaries on the same formulas, alternating old and new
# run by run so that a busy machine slows both alike, and prints the median
# CPU seconds (user + system) of each and their ratio.
#
#   bench/ab_speed.sh OLD NEW [RUNS] -- FILE...
#
# RUNS defaults to 3. Needs GNU time (/usr/bin/time).
set -uo pipefail
old=$(readlink -f "${1:?old binary}")
new=$(readlink -f "${2:?new binary}")
runs=3
shift 2
if [ "${1:-}" != "--" ]; then runs=$1; shift; fi
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR]=$1} END {print NR % 2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

printf "%-52s %9s %9s %7s\n" formula old new new/old
for f in "$@"; do
  f=$(readlink -f "$f")  # the runs happen in a scratch directory
  : >"$work/old" && : >"$work/new"
  for r in $(seq "$runs"); do
    for side in old new; do
      bin=$old && [ $side = new ] && bin=$new
      (cd "$work" && /usr/bin/time -f "%U %S" -o t "$bin" "$f" >/dev/null 2>&1; awk '{print $1+$2}' t >>"$side")
    done
  done
  o=$(median <"$work/old") n=$(median <"$work/new")
  printf "%-52s %9.2f %9.2f %7.3f\n" "$(basename "$f")" "$o" "$n" "$(echo "if ($o > 0) $n / $o else 0" | bc -l)"
done

#!/usr/bin/env bash
# What reading a gzip-compressed formula costs, against decompressing it
# with zcat and reading the plain file:
#
#   bench/bench_gzip.sh            the 200 MB generated `big` formula
#   bench/bench_gzip.sh FILE       another plain formula
#
# One row: the median over BENCH_RUNS runs (default 3) of the CPU seconds of
# `zcat FILE.gz > /dev/null`, of qshrink's read of FILE, and of its read of
# FILE.gz (the read time that QSHRINK_STATS prints), and the ratio
# gz read / (zcat + plain read). The compressed copy goes to build/bench/gen.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
bin="$root/build/release/qshrink"
[ -x "$bin" ] || make -C "$root" build >/dev/null
gendir="$root/build/bench/gen"
mkdir -p "$gendir"
plain="${1:-$gendir/big200.qdimacs}"
if [ ! -s "$plain" ]; then
  echo "== generating $plain" >&2
  python3 "$here/gen_formula.py" big "$plain" --size-mb 200 >&2
fi
gz="$gendir/$(basename "$plain").gz"
[ -s "$gz" ] && [ "$gz" -nt "$plain" ] || gzip -c "$plain" >"$gz"
runs="${BENCH_RUNS:-3}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
# The CPU seconds of qshrink's read of $1.
read_seconds() {
  (cd "$work" && QSHRINK_STATS=1 "$bin" --no-result-files --output=/dev/null "$1" 2>&1 >/dev/null |
    sed -n 's/^qshrink-stats read: \([0-9.]*\) s$/\1/p')
}

for _ in $(seq "$runs"); do
  /usr/bin/time -f "%U %S" zcat "$gz" 2>&1 >/dev/null | awk '{print $1 + $2}' >>"$work/zcat"
  read_seconds "$plain" >>"$work/plain"
  read_seconds "$gz" >>"$work/gz"
done
z=$(median <"$work/zcat")
p=$(median <"$work/plain")
g=$(median <"$work/gz")
printf "%-28s %8s %8s %8s %8s\n" file "zcat s" "read s" "gz read" ratio
printf "%-28s %8.2f %8.2f %8.2f %8.2f\n" "$(basename "$plain")" "$z" "$p" "$g" "$(echo "$g / ($z + $p)" | bc -l)"

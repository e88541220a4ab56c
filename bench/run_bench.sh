#!/usr/bin/env bash
# Benchmarks the Release build of qshrink.
#
#   bench/run_bench.sh            the 10 largest shared instances, then the
#                                 generated formulas (200 MB `big` and the
#                                 stress kinds)
#   bench/run_bench.sh FILE...    the given files only
#
# Environment:
#   BENCH_SET=shared|generated|all  which default set to run (default all);
#                                   every: all shared instances (3 runs, 30 s timeout)
#   BENCH_RUNS=N                    runs per file (default 5 under 10 MB, else 3)
#   BENCH_TIMEOUT=S                 seconds before a run is killed (default 600)
#   BENCH_BIG_MB=M                  size of the `big` formula (default 200)
#   QSHRINK_SHARED=DIR              the shared data folder (default ../shared)
#
# Generated formulas go to build/bench/gen and are reused when present (the
# generator is deterministic, so deleting them is always safe); every run
# happens in build/bench/run, emptied before each run. Rows are also
# appended to build/bench/results.tsv. Shared instances are read in place,
# never copied.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cd "$root"

bin="$root/build/release/qshrink"
if [ ! -x "$bin" ]; then
  echo "== building $bin" >&2
  make build >/dev/null
fi

benchdir="$root/build/bench"
gendir="$benchdir/gen"
rundir="$benchdir/run"
mkdir -p "$gendir" "$rundir"

shared="${QSHRINK_SHARED:-$root/../shared}"
set_="${BENCH_SET:-all}"
big_mb="${BENCH_BIG_MB:-200}"

measure() {
  local args=(--bin "$bin" --workdir "$rundir" --timeout "${BENCH_TIMEOUT:-600}" --tsv "$benchdir/results.tsv")
  [ -n "${BENCH_RUNS:-}" ] && args+=(--runs "$BENCH_RUNS")
  python3 "$here/measure.py" "${args[@]}" "$@"
}

# gen NAME KIND [ARGS...]: makes build/bench/gen/NAME unless it is there.
gen() {
  local name="$1"
  shift
  if [ ! -s "$gendir/$name" ]; then
    echo "== generating $name ($*)" >&2
    python3 "$here/gen_formula.py" "$@" "$gendir/$name" >&2
  fi
  files+=("$gendir/$name")
}

{
  echo "# $(date -u +%FT%TZ) $(git rev-parse --short HEAD 2>/dev/null || echo '?') $*"
} >>"$benchdir/results.tsv"

if [ $# -gt 0 ]; then
  measure "$@"
  exit 0
fi

status=0
if [ "$set_" = every ]; then
  # Every shared instance, 3 runs each (one if it times out).
  mapfile -t files < <(ls "$shared"/instances/*.qdimacs)
  echo "== every shared instance (${#files[@]})"
  BENCH_RUNS="${BENCH_RUNS:-3}" BENCH_TIMEOUT="${BENCH_TIMEOUT:-30}" measure "${files[@]}" || status=1
  exit $status
fi
if [ "$set_" = all ] || [ "$set_" = shared ]; then
  tsv="$shared/instances/SOURCES.tsv"
  if [ -f "$tsv" ]; then
    mapfile -t files < <(awk -F'\t' -v base="$shared" '
      NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
      { print $col["bytes"] "\t" base "/" $col["dir"] "/" $col["file"] }' "$tsv" |
      sort -t$'\t' -k1,1nr | head -n 10 | cut -f2)
    echo "== the 10 largest shared instances"
    measure "${files[@]}" || status=1
  else
    echo "== no $tsv: shared instances skipped" >&2
  fi
fi

if [ "$set_" = all ] || [ "$set_" = generated ]; then
  files=()
  gen "big${big_mb}.qdimacs" big --size-mb "$big_mb"
  gen hub.qdimacs hub
  gen unitshort.qdimacs unitshort
  gen longclause.qdimacs longclause
  gen chain.qdimacs chain
  gen chain_cycle.qdimacs chain --cycle
  gen chain_cycle_ternary.qdimacs chain --cycle --ternary --shuffle
  gen domino.qdimacs domino
  echo "== generated formulas (in ${gendir#"$root"/})"
  measure "${files[@]}" || status=1
fi
exit $status

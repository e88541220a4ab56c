#!/usr/bin/env bash
# Times hyper-binary resolution on a deep implication chain with the
# Release build of qshrink.
#
#   bench/bench_hyperres.sh           a chain of 20,000 literals
#   HYPRES_N=40000 bench/bench_hyperres.sh
#
# The formula is gen_formula.py's `chain --ternary`: x1 -> x2 -> ... -> xN
# and (-xi v -x(i+1) v zi) for every link. Probing x1 nests N probes deep
# (on an explicit stack of frames), and every probe
# makes everything below it true, so a pass costs time quadratic in N. The
# whole run repeats the pass until nothing changes; measure.py reports its
# median wall and CPU time and the peak memory.
#
# Environment:
#   HYPRES_N=N          chain length (default 20000)
#   BENCH_RUNS=N        runs (default 3)
#   BENCH_TIMEOUT=S     seconds before a run is killed (default 600)
#
# The formula goes to build/bench/gen and is reused when present; runs
# happen in build/bench/run; rows are appended to build/bench/results.tsv.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cd "$root"

bin="$root/build/release/qshrink"
if [ ! -x "$bin" ]; then
  echo "== building $bin" >&2
  make build >/dev/null
fi

n="${HYPRES_N:-20000}"
benchdir="$root/build/bench"
gendir="$benchdir/gen"
rundir="$benchdir/run"
mkdir -p "$gendir" "$rundir"

file="$gendir/hyperres_chain_ternary_$n.qdimacs"
if [ ! -s "$file" ]; then
  echo "== generating $(basename "$file")" >&2
  python3 "$here/gen_formula.py" chain "$file" --n "$n" --ternary >&2
fi

echo "# $(date -u +%FT%TZ) $(git rev-parse --short HEAD 2>/dev/null || echo '?') bench_hyperres n=$n" \
  >>"$benchdir/results.tsv"
echo "== hyper-binary resolution on a chain of $n literals with a ternary clause per link"
python3 "$here/measure.py" --bin "$bin" --workdir "$rundir" --timeout "${BENCH_TIMEOUT:-600}" \
  --runs "${BENCH_RUNS:-3}" --tsv "$benchdir/results.tsv" "$file"

#!/usr/bin/env bash
# Scaling of the component search (equivalence reduction) from 100,000 to
# 1,000,000 literals: the time per implication entry must not grow.
#
#   bench/bench_scc.sh            both parts below
#   BENCH_SCC_SIZES="100000 1000000" bench/bench_scc.sh
#
# Part 1, search only: bench/bench_scc.cpp, compiled against the Release
# library (build/release/libqshrink_lib.a), builds chains and cycles of N
# literals directly in the store and times initSCC + findSCC (median of
# BENCH_SCC_RUNS runs, default 5).
# Part 2, whole runs: gen_formula.py writes the chain closed into a cycle
# (binary clauses (-xi x(i+1)) and (-xN x1), one existential block) to
# build/bench/gen/scc_cycle_N.qdimacs, and the Release binary runs on it in
# build/bench/run (median CPU seconds of BENCH_SCC_RUNS runs). A whole run
# also reads, substitutes, probes and writes, so its time per entry is the
# whole pipeline's; it too must stay flat.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
cd "$root"

sizes="${BENCH_SCC_SIZES:-100000 200000 500000 1000000}"
runs="${BENCH_SCC_RUNS:-5}"

bin="$root/build/release/qshrink"
lib="$root/build/release/libqshrink_lib.a"
if [ ! -x "$bin" ] || [ ! -f "$lib" ]; then
  echo "== building the Release build" >&2
  make build >/dev/null
fi

benchdir="$root/build/bench"
mkdir -p "$benchdir/gen" "$benchdir/run"

echo "== search only (initSCC + findSCC), median of $runs runs"
"${CXX:-g++}" -std=c++17 -O2 -I"$root/src" "$here/bench_scc.cpp" "$lib" -lpthread -o "$benchdir/bench_scc"
# shellcheck disable=SC2086
"$benchdir/bench_scc" "$runs" $sizes

echo
echo "== whole runs of $bin on a cycle of N literals, median CPU seconds of $runs runs"
printf "%-9s %9s %9s %11s %s\n" "N" "entries" "cpu s" "ns/entry" "result"
for n in $sizes; do
  f="$benchdir/gen/scc_cycle_$n.qdimacs"
  [ -s "$f" ] || python3 "$here/gen_formula.py" chain --n "$n" --cycle "$f" >/dev/null
  python3 - "$bin" "$f" "$benchdir/run" "$runs" "$n" <<'EOF'
import os, resource, shutil, subprocess, sys
binary, path, rundir, runs, n = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
times, word = [], "?"
for _ in range(runs):
    shutil.rmtree(rundir, ignore_errors=True)
    os.makedirs(rundir)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run([binary, path], cwd=rundir, stdout=subprocess.DEVNULL, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    times.append((after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime))
    with open(os.path.join(rundir, "result1")) as r:
        word = r.read()
times.sort()
median = times[len(times) // 2]
entries = 2 * n
print("%-9d %9d %9.3f %11.1f %s" % (n, entries, median, median * 1e9 / entries, word))
EOF
done
rm -rf "$benchdir/run"

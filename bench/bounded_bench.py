#!/usr/bin/env python3
"""Bounded preprocessing on every shared formula, three ways in one run.

Runs the Release binary on each formula of the shared set unbounded, with
--time-limit (default 5 s) and with --effort (the recommended value, see the
README), RUNS times each (default 3), the three ways alternating run by run
so that a busy machine slows them alike. Every run happens in a scratch
folder emptied before it, with QSHRINK_STATS=1, which reports the time of
the read and of the write on standard error: the preprocessing time of a run
is its wall time less those two (process start and exit count as
preprocessing, which only makes the figure larger).

Per way it prints the total and the median of the median wall times, the
largest preprocessing time, the runs stopped early, the whole-run times over
10 s, the variables used and the clauses left in the written formula
(summed over the formulas) and what is removed as a share of what the
unbounded run removes. A formula proved false counts as having nothing
left. Then the formulas with the largest loss
under the time limit, and the share of reading and writing in the wall time.
One row per formula and way goes to build/bench/bounded.tsv.

    bench/bounded_bench.py [--bin B] [--runs R] [--time-limit S] [--effort N]
                           [--files F ...] [--ways unbounded,time,effort]
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
STAT = re.compile(r"qshrink-stats (read|write): ([0-9.]+) s")
STOPPED = "qshrink: stopped early"


def shared_formulas(shared):
    folder = os.path.join(shared, "instances")
    names = sorted(n for n in os.listdir(folder) if ".qdimacs" in n)
    return [os.path.join(folder, n) for n in names]


def formula_size(path):
    """Clauses and used variables of a written formula."""
    clauses, used = 0, set()
    with open(path) as f:
        for line in f:
            if not line or line[0] in "cpae":
                continue
            lits = line.split()
            if lits:
                clauses += 1
                used.update(abs(int(x)) for x in lits[:-1])
    return clauses, len(used)


def input_size(path, cache={}):
    """Clauses and used variables of an input formula (read once)."""
    if path not in cache:
        cache[path] = formula_size(path)
    return cache[path]


def run_once(binary, args, path, work, timeout):
    """One run in an empty folder: a dict of its figures."""
    for name in os.listdir(work):
        os.unlink(os.path.join(work, name))
    env = dict(os.environ, QSHRINK_STATS="1")
    out = os.path.join(work, "out.qdimacs")
    t0 = time.perf_counter()
    try:
        p = subprocess.run([binary, "--exit-codes", "--no-result-files", "--output=" + out] + args + [path],
                           cwd=work, env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=timeout)
        status = p.returncode
        err = p.stderr.decode(errors="replace")
    except subprocess.TimeoutExpired:
        return {"wall": float("inf"), "pre": float("inf"), "io": 0, "vars": None, "clauses": None,
                "stopped": False, "status": "timeout"}
    wall = time.perf_counter() - t0
    io = sum(float(m.group(2)) for m in STAT.finditer(err))
    left_vars = left_clauses = total = None
    if status == 20:  # proved false: nothing left
        left_vars = left_clauses = 0
    elif status in (0, 10) and os.path.exists(out):
        left_clauses, left_vars = formula_size(out)
    if left_vars is not None:
        c, v = input_size(path)
        total = (v, c)
    return {"wall": wall, "pre": wall - io, "io": io, "vars": left_vars, "clauses": left_clauses, "total": total,
            "stopped": STOPPED in err, "status": status}


def median_run(runs):
    """The figures of a formula under one way: medians of the runs."""
    ok = [r for r in runs if r["vars"] is not None]
    pick = lambda k: statistics.median(r[k] for r in runs)
    out = {"wall": pick("wall"), "pre": pick("pre"), "io": pick("io"),
           "stopped": sum(r["stopped"] for r in runs), "max_wall": max(r["wall"] for r in runs),
           "max_pre": max(r["pre"] for r in runs), "status": runs[0]["status"]}
    if ok:
        out["vars"] = statistics.median_low(sorted(r["vars"] for r in ok))
        out["clauses"] = statistics.median_low(sorted(r["clauses"] for r in ok))
        out["total"] = ok[0]["total"]
    else:
        out["vars"] = out["clauses"] = None
        out["total"] = None
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(ROOT, "build/release/qshrink"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--time-limit", default="5")
    ap.add_argument("--effort", default=os.environ.get("QSHRINK_EFFORT", "500"))
    ap.add_argument("--ways", default="unbounded,time,effort")
    ap.add_argument("--timeout", type=float, default=600)
    ap.add_argument("--files", nargs="*")
    ap.add_argument("--tsv", default=os.path.join(ROOT, "build/bench/bounded.tsv"))
    a = ap.parse_args()
    shared = os.environ.get("QSHRINK_SHARED", os.path.join(ROOT, "..", "shared"))
    files = a.files or shared_formulas(shared)
    ways = {"unbounded": [], "time": ["--time-limit=" + a.time_limit], "effort": ["--effort=" + a.effort]}
    chosen = a.ways.split(",")
    binary = os.path.abspath(a.bin)
    work = tempfile.mkdtemp(prefix="bounded_bench.")
    os.makedirs(os.path.dirname(a.tsv), exist_ok=True)
    rows = {w: {} for w in chosen}
    with open(a.tsv, "w") as tsv:
        tsv.write("formula\tway\twall\tpre\tio\tvars_left\tclauses_left\tstopped_runs\tmax_pre\n")
        for i, path in enumerate(files):
            runs = {w: [] for w in chosen}
            for _ in range(a.runs):
                for w in chosen:
                    runs[w].append(run_once(binary, ways[w], os.path.abspath(path), work, a.timeout))
            name = os.path.basename(path)
            for w in chosen:
                m = median_run(runs[w])
                rows[w][name] = m
                tsv.write(f"{name}\t{w}\t{m['wall']:.3f}\t{m['pre']:.3f}\t{m['io']:.3f}\t{m['vars']}\t"
                          f"{m['clauses']}\t{m['stopped']}\t{m['max_pre']:.3f}\n")
            tsv.flush()
            print(f"[{i + 1}/{len(files)}] {name}: " +
                  ", ".join(f"{w} {rows[w][name]['wall']:.2f} s" for w in chosen), file=sys.stderr)
    shutil.rmtree(work)
    report(rows, chosen, a)


def report(rows, chosen, a):
    names = sorted(rows[chosen[0]])
    base = rows.get("unbounded")

    def removed(m):
        if m["vars"] is None or m["total"] is None:
            return None
        return (m["total"][0] - m["vars"]) + (m["total"][1] - m["clauses"])

    print(f"{len(names)} formulas, {a.runs} runs each way; binary {a.bin}")
    print(f"{'way':<22} {'total s':>9} {'median s':>9} {'max pre s':>10} {'stopped':>8} {'>10 s':>6} "
          f"{'vars left':>11} {'clauses left':>13} {'removed':>12} {'of unbounded':>13}")
    for w in chosen:
        ms = [rows[w][n] for n in names]
        label = {"unbounded": "unbounded", "time": f"--time-limit={a.time_limit}", "effort": f"--effort={a.effort}"}[w]
        rem = sum(removed(m) or 0 for m in ms)
        share = ""
        if base:
            brem = sum(removed(base[n]) or 0 for n in names)
            share = f"{100.0 * rem / brem:.2f}%" if brem else "-"
        print(f"{label:<22} {sum(m['wall'] for m in ms):9.1f} {statistics.median(m['wall'] for m in ms):9.3f} "
              f"{max(m['max_pre'] for m in ms):10.2f} {sum(1 for m in ms if m['stopped']):8d} "
              f"{sum(1 for m in ms if m['max_wall'] > 10):6d} {sum(m['vars'] or 0 for m in ms):11d} "
              f"{sum(m['clauses'] or 0 for m in ms):13d} {rem:12d} {share:>13}")
        io = sum(m["io"] for m in ms)
        print(f"{'':<22} read and write: {io:.1f} s of {sum(m['wall'] for m in ms):.1f} s wall "
              f"({100.0 * io / max(1e-9, sum(m['wall'] for m in ms)):.1f}%), largest "
              f"{max(m['io'] for m in ms):.2f} s")
    if base:
        for w in [w for w in chosen if w != "unbounded"]:
            losses = sorted(((removed(base[n]) or 0) - (removed(rows[w][n]) or 0), n) for n in names)[::-1][:10]
            print(f"largest losses under {w}: formula, removed unbounded, removed bounded, pre s bounded")
            for loss, n in losses:
                print(f"  {n:<58} {removed(base[n]) or 0:>9} {removed(rows[w][n]) or 0:>9} "
                      f"{rows[w][n]['pre']:7.2f}")


if __name__ == "__main__":
    main()

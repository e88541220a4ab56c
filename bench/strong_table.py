#!/usr/bin/env python3
"""The strong mode against the classic run on the shared formulas.

    bench/strong_table.py [--bin PATH] [--set medlarge|all] [--runs N] [--depqbf]
                          [--timeout S] [--jobs J] [--strong-args "..."]

For each formula of the set (default: the medium and large ones of
SOURCES.tsv) the classic run (`qshrink --output=...`) and the strong mode
(`qshrink --strong --output=...`) run, both with --exit-codes and
--no-result-files, each --runs times (default 1; the median wall time is
kept). Per formula: the clauses and the used variables (those in some
clause) of the input and of each output, a formula decided outright
(exit 10 or 20) counting as all removed; the wall times and their ratio.

Summary: the median share of clauses and of used variables removed, the
median and largest wall time, the largest ratio strong / (2 x classic +
1 s) (at most 1 is the bound), the formulas decided outright.

--depqbf: depqbf (timeout S, default 10) on each output of the formulas
that depqbf.tsv marks as timeouts (all 91 of the shared set, whatever
--set says, and the medium and large ones among them): how many it
decides, or the run decided itself; and on every formula with a known
truth value, that no output contradicts it.

Rows go to build/bench/strong_table.tsv as well.
"""
import argparse
import concurrent.futures
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def counts(path):
    """Clauses and used variables of a QDIMACS file (no clause: 0, 0)."""
    clauses, used = 0, set()
    with open(path, "rb") as f:
        for line in f:
            if not line or line[:1] in (b"c", b"p", b"e", b"a") or not line.strip():
                continue
            clauses += 1
            for tok in line.split():
                v = abs(int(tok))
                if v:
                    used.add(v)
    return clauses, len(used)


def run_once(binary, args, path, workdir, timeout):
    out = os.path.join(workdir, "out.qdimacs")
    if os.path.exists(out):
        os.unlink(out)
    start = time.monotonic()
    try:
        p = subprocess.run([binary, "--exit-codes", "--no-result-files", "--output=" + out] + args + [path],
                           cwd=workdir, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
        status = p.returncode
    except subprocess.TimeoutExpired:
        status = "timeout"
    return status, time.monotonic() - start, out


def depqbf(path, timeout):
    try:
        p = subprocess.run(["timeout", str(timeout), "depqbf", path], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        return {10: True, 20: False}.get(p.returncode)
    except OSError:
        return None


def measure(binary, mode_args, path, workdir, runs, timeout, check, depqbf_timeout):
    walls, status, kept = [], None, None
    for _ in range(runs):
        status, wall, out = run_once(binary, mode_args, path, workdir, timeout)
        walls.append(wall)
        if status in (0, 10, 20) and kept is None:
            kept = os.path.join(workdir, "kept.qdimacs")
            if os.path.exists(out):
                os.replace(out, kept)
    row = {"status": status, "wall": statistics.median(walls)}
    if status in (10, 20):
        row["clauses"], row["vars"], row["verdict"] = 0, 0, status == 10
    elif status == 0 and kept:
        row["clauses"], row["vars"] = counts(kept)
        row["verdict"] = depqbf(kept, depqbf_timeout) if check else None
    if kept and os.path.exists(kept):
        os.unlink(kept)
    return row


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(ROOT, "build/release/qshrink"))
    ap.add_argument("--set", default="medlarge", choices=["medlarge", "all"])
    ap.add_argument("--runs", type=int, default=1)
    ap.add_argument("--depqbf", action="store_true")
    ap.add_argument("--timeout", type=int, default=10)
    ap.add_argument("--jobs", type=int, default=1)
    ap.add_argument("--strong-args", default="")
    a = ap.parse_args()
    shared = os.environ.get("QSHRINK_SHARED", os.path.join(ROOT, "..", "shared"))
    inst = os.path.join(shared, "instances")
    sources = {}
    with open(os.path.join(inst, "SOURCES.tsv")) as f:
        head = f.readline().rstrip("\n").split("\t")
        for line in f:
            c = dict(zip(head, line.rstrip("\n").split("\t")))
            sources[c["file"]] = c
    truth = {}
    with open(os.path.join(inst, "depqbf.tsv")) as f:
        head = f.readline().rstrip("\n").split("\t")
        for line in f:
            c = dict(zip(head, line.rstrip("\n").split("\t")))
            if c.get("dir") == "instances":
                truth[c["file"]] = c["result"]
    medlarge = {n for n, c in sources.items() if c["size_class"] in ("medium", "large")}
    chosen = sorted(medlarge if a.set == "medlarge" else sources)
    if a.depqbf:  # every recorded timeout too, for the decided counts
        chosen = sorted(set(chosen) | {n for n, r in truth.items() if r == "timeout"})
    modes = {"classic": [], "strong": ["--strong"] + a.strong_args.split()}

    def one(name):
        path = os.path.join(inst, name)
        workdir = tempfile.mkdtemp(prefix="qshrink-table-")
        inc, inv = counts(path)
        row = {"file": name, "clauses": inc, "vars": inv}
        for mode, args in modes.items():
            row[mode] = measure(a.bin, args, path, workdir, a.runs, 600, a.depqbf, a.timeout)
        os.rmdir(workdir)
        return row

    with concurrent.futures.ThreadPoolExecutor(max_workers=a.jobs) as pool:
        rows = list(pool.map(one, chosen))

    os.makedirs(os.path.join(ROOT, "build/bench"), exist_ok=True)
    with open(os.path.join(ROOT, "build/bench/strong_table.tsv"), "w") as tsv:
        print("file\tclauses\tvars\tmode\tstatus\twall\tclauses_out\tvars_out\tverdict", file=tsv)
        for r in rows:
            for mode in modes:
                m = r[mode]
                print(f"{r['file']}\t{r['clauses']}\t{r['vars']}\t{mode}\t{m['status']}\t{m['wall']:.3f}\t"
                      f"{m.get('clauses', '')}\t{m.get('vars', '')}\t{m.get('verdict', '')}", file=tsv)

    def share(r, mode, key):
        m = r[mode]
        if key not in m or r[key] == 0:
            return None
        return 1 - m[key] / r[key]

    print(f"{'formulas':<44} {'':>8} {'clauses':>9} {'vars':>9} {'median s':>9} {'max s':>8} {'decided':>8}")
    in_set = [r for r in rows if r["file"] in (medlarge if a.set == "medlarge" else sources)]
    for mode in modes:
        cl = [s for s in (share(r, mode, "clauses") for r in in_set) if s is not None]
        va = [s for s in (share(r, mode, "vars") for r in in_set) if s is not None]
        walls = [r[mode]["wall"] for r in in_set]
        decided = sum(1 for r in in_set if r[mode]["status"] in (10, 20))
        print(f"{a.set + ' (' + str(len(in_set)) + ')':<44} {mode:>8} {100 * statistics.median(cl):8.1f}% "
              f"{100 * statistics.median(va):8.1f}% {statistics.median(walls):9.2f} {max(walls):8.1f} {decided:8d}")
    worst = max(in_set, key=lambda r: r["strong"]["wall"] / (2 * r["classic"]["wall"] + 1))
    ratio = worst["strong"]["wall"] / (2 * worst["classic"]["wall"] + 1)
    print(f"largest strong / (2 x classic + 1 s): {ratio:.2f} ({worst['file']}: "
          f"{worst['strong']['wall']:.2f} s against {worst['classic']['wall']:.2f} s)")
    if not a.depqbf:
        return
    wrong = []
    for r in rows:
        for mode in modes:
            v = r[mode].get("verdict")
            t = truth.get(r["file"])
            if v is not None and t in ("true", "false") and v != (t == "true"):
                wrong.append((r["file"], mode))
    for subset, label in ((None, "all recorded timeouts"), (medlarge, "medium and large recorded timeouts")):
        tos = [r for r in rows if truth.get(r["file"]) == "timeout" and (subset is None or r["file"] in subset)]
        for mode in modes:
            n = sum(1 for r in tos if r[mode].get("verdict") is not None)
            print(f"{label} ({len(tos)}): {mode} decides or leaves depqbf to decide {n}")
    print(f"outputs that contradict a recorded truth value: {len(wrong)} {wrong if wrong else ''}")


if __name__ == "__main__":
    sys.exit(main())

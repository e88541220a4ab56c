#!/usr/bin/env python3
"""Times qshrink on QDIMACS files and prints one aligned table.

Each file is run several times (--runs, or 5 for files under --small-mb and
3 otherwise) in a scratch directory that is emptied before every run, since
qshrink writes its output formula, result1 and preprocessor_b.dat into its
working directory. Wall time comes from a monotonic clock around the child,
CPU time from its rusage (wait4), peak resident set size from GNU time's
%M (/usr/bin/time), which, unlike this script's own children, does not
inherit the harness's memory high-water mark.
Medians are reported because the machine is shared and noisy.

Columns: input size in MB (10^6 bytes), runs, median wall seconds, median
CPU seconds (user + system), median peak RSS in MB, input MB per wall
second, peak RSS / input size, and the outcome: the word qshrink wrote to
result1, or the exit status / signal / timeout when a run failed.
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import threading
import time


def clear_dir(d):
    for name in os.listdir(d):
        p = os.path.join(d, name)
        if os.path.isdir(p) and not os.path.islink(p):
            shutil.rmtree(p)
        else:
            os.unlink(p)


def warm(path):
    """Reads the file once so that the first timed run does not pay for the disk."""
    with open(path, "rb") as f:
        while f.read(1 << 24):
            pass


TIME = "/usr/bin/time"


def run_once(binary, path, workdir, timeout):
    """One run; returns (wall s, cpu s, maxrss KB, outcome).

    The peak RSS comes from GNU time, which forks the binary from its own
    small process: a child forked or spawned from this Python process would
    report Python's high-water mark when that is the larger (Linux carries
    it across exec). Without /usr/bin/time the child's own rusage is used,
    which is only right when qshrink's peak is above this script's."""
    clear_dir(workdir)
    rssfile = os.path.join(workdir, "rss.txt")
    use_time = os.access(TIME, os.X_OK)
    cmd = ([TIME, "-f", "%M", "-o", rssfile] if use_time else []) + [binary, path]
    with open(os.path.join(workdir, "stdout.txt"), "wb") as out:
        t0 = time.perf_counter()
        # Own process group, so that a timeout ends qshrink and not just time.
        # QSHRINK_STATS makes the run report its main-loop iterations.
        proc = subprocess.Popen(cmd, cwd=workdir, stdout=out, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, start_new_session=True,
                                env=dict(os.environ, QSHRINK_STATS="1"))
        killed = []

        def stop():
            killed.append(True)
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

        timer = threading.Timer(timeout, stop)
        timer.start()
        try:
            _, status, ru = os.wait4(proc.pid, 0)
        finally:
            timer.cancel()
        wall = time.perf_counter() - t0
        proc.returncode = 0  # reaped by wait4 above; keeps Popen from waiting again
    cpu = ru.ru_utime + ru.ru_stime  # includes the reaped grandchild under time
    maxrss = ru.ru_maxrss
    code = os.WEXITSTATUS(status) if os.WIFEXITED(status) else None
    sig = os.WTERMSIG(status) if os.WIFSIGNALED(status) else None
    if use_time and not killed:
        try:
            with open(rssfile) as f:
                lines = [l.strip() for l in f if l.strip()]
            maxrss = int(lines[-1])
            for l in lines[:-1]:
                if l.startswith("Command terminated by signal"):
                    sig, code = int(l.split()[-1]), None
                elif l.startswith("Command exited with non-zero status"):
                    code = int(l.split()[-1])
        except (OSError, ValueError, IndexError):
            pass
    if killed:
        outcome = "timeout"
    elif sig is not None:
        outcome = "signal %s" % signal.Signals(sig).name
    elif code != 0:
        outcome = "exit %s" % code
    else:
        try:
            with open(os.path.join(workdir, "result1")) as f:
                outcome = f.read().strip() or "?"
        except OSError:
            outcome = "no result1"
    details = run_details(workdir, path) if not killed else ("-", None)
    return wall, cpu, maxrss, outcome, details


def header_counts(path):
    """(variables, clauses) of the "p cnf" line of a QDIMACS file, or None."""
    try:
        with open(path, "rb") as f:
            for line in f:
                if line.startswith(b"p"):
                    fields = line.split()
                    return int(fields[2]), int(fields[3])
                if not line.startswith(b"c") and line.strip():
                    return None
    except (OSError, ValueError, IndexError):
        pass
    return None


def run_details(workdir, path):
    """Main-loop iterations (from the run's statistics lines) and the
    variables/clauses of the written formula, after a finished run."""
    iterations = "-"
    try:
        with open(os.path.join(workdir, "stdout.txt"), "rb") as f:
            for line in f:
                if line.startswith(b"qshrink-stats iterations="):
                    iterations = line.split(b"=")[1].strip().decode()
    except OSError:
        pass
    base = os.path.splitext(os.path.basename(path))[0]
    out = header_counts(os.path.join(workdir, base + "_outOrig.qdimacs"))
    return iterations, out


def counts_text(counts):
    return "%d/%d" % counts if counts else "-"


def fmt_row(cells, widths, right):
    return "  ".join(c.rjust(w) if r else c.ljust(w) for c, w, r in zip(cells, widths, right))


HEADER = ["file", "MB", "runs", "wall s", "cpu s", "peak MB", "MB/s", "RSS/size", "result", "iters",
          "vars/clauses in", "vars/clauses out"]
RIGHT = [False, True, True, True, True, True, True, True, False, True, True, True]


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--bin", required=True, help="qshrink binary")
    p.add_argument("--workdir", required=True, help="scratch directory for the runs (emptied)")
    p.add_argument("--runs", type=int, default=0, help="runs per file (default 5 small / 3 large)")
    p.add_argument("--small-mb", type=float, default=10.0, help="files below this many MB are small")
    p.add_argument("--timeout", type=float, default=600.0, help="seconds before a run is killed")
    p.add_argument("--tsv", help="also append the rows to this tab-separated file")
    p.add_argument("--name-width", type=int, default=48)
    p.add_argument("files", nargs="+")
    args = p.parse_args()

    binary = os.path.abspath(args.bin)
    os.makedirs(args.workdir, exist_ok=True)
    workdir = os.path.abspath(args.workdir)
    width = min(args.name_width, max(len(os.path.basename(f)) for f in args.files))
    widths = [width, 8, 4, 8, 8, 8, 8, 8, 8, 5, 17, 17]
    print(fmt_row(HEADER, widths, RIGHT))
    print(fmt_row(["-" * w for w in widths], widths, RIGHT))
    sys.stdout.flush()
    tsv = open(args.tsv, "a") if args.tsv else None
    total = {"files": 0, "wall": 0.0, "timeouts": 0, "over10": 0, "in": [0, 0], "out": [0, 0], "iters": 0}
    for f in args.files:
        path = os.path.abspath(f)
        size = os.path.getsize(path)
        mb = size / 1e6
        runs = args.runs or (5 if mb < args.small_mb else 3)
        warm(path)
        results = [run_once(binary, path, workdir, args.timeout)]
        # A file that outlasts the timeout once is not run again.
        while len(results) < runs and results[0][3] != "timeout":
            results.append(run_once(binary, path, workdir, args.timeout))
        runs = len(results)
        clear_dir(workdir)
        wall = statistics.median(r[0] for r in results)
        cpu = statistics.median(r[1] for r in results)
        rss_mb = statistics.median(r[2] for r in results) * 1024 / 1e6
        outcomes = sorted(set(r[3] for r in results))
        name = os.path.basename(f)
        if len(name) > width:
            name = "..." + name[-(width - 3):]
        row = [name, "%.1f" % mb, str(runs), "%.3f" % wall, "%.3f" % cpu, "%.1f" % rss_mb,
               "%.1f" % (mb / wall if wall > 0 else 0.0), "%.2f" % (rss_mb / mb if mb > 0 else 0.0),
               "/".join(outcomes), results[0][4][0], counts_text(header_counts(path)),
               counts_text(results[0][4][1])]
        if "timeout" in outcomes:  # the figures of a killed run mean nothing
            row[3:8] = [">%g" % args.timeout, "-", "-", "-", "-"]
            row[9] = row[11] = "-"
        print(fmt_row(row, widths, RIGHT))
        sys.stdout.flush()
        total["files"] += 1
        if "timeout" in outcomes:
            total["timeouts"] += 1
        else:
            total["wall"] += wall
            total["over10"] += wall > 10
            total["iters"] = max(total["iters"], int(row[9]) if row[9].isdigit() else 0)
            before, after = header_counts(path), results[0][4][1]
            if before and after:  # totals over the files that wrote a formula
                total["in"] = [a + b for a, b in zip(total["in"], before)]
                total["out"] = [a + b for a, b in zip(total["out"], after)]
        if tsv:
            tsv.write("\t".join([os.path.basename(f)] + row[1:]) + "\n")
    if tsv:
        tsv.close()
    print("totals: %d files, %.1f s median wall over the finished ones, %d over 10 s, %d timed out; "
          "most iterations %d; over the files written: %d/%d vars/clauses in, %d/%d out"
          % (total["files"], total["wall"], total["over10"], total["timeouts"], total["iters"],
             total["in"][0], total["in"][1], total["out"][0], total["out"][1]))
    return 0


if __name__ == "__main__":
    sys.exit(main())

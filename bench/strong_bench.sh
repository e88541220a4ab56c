#!/usr/bin/env bash
# The strong mode on the shared formulas: how much it removes, how fast,
# and (with --check) whether depqbf agrees with the truth values on record.
#
#   bench/strong_bench.sh [--check] [--all] [--timeout S] [-- STRONGBENCH OPTIONS]
#
#   (default)    the medium and large formulas of SOURCES.tsv: one line of
#                figures per file, then the median share of clauses removed
#                and of used variables (those in some clause) removed, the
#                median and largest engine time
#   --all        every formula of SOURCES.tsv instead
#   --check      also runs depqbf (timeout S, default 10) on each simplified
#                formula: against a known truth value in depqbf.tsv it must
#                never give the opposite answer; for the formulas depqbf.tsv
#                marks as timeouts it counts those decided now
#   options after -- go to strongbench (--effort N, --no-elim, ...)
#
# Environment: QSHRINK_SHARED (the shared folder, default ../shared),
# JOBS (parallel depqbf runs, default 1). Outputs go to build/strongbench/.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
shared="${QSHRINK_SHARED:-$root/../shared}"
instances="$shared/instances"
check=0
set_="medlarge"
timeout=10
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check=1 ;;
    --all) set_="all" ;;
    --timeout) timeout="$2"; shift ;;
    --) shift; extra=("$@"); break ;;
    *) echo "usage: $0 [--check] [--all] [--timeout S] [-- strongbench options]" >&2; exit 2 ;;
  esac
  shift
done

bin="$root/build/release/tools/strongbench"
if [ ! -x "$bin" ]; then
  echo "== building $bin" >&2
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQSHRINK_TESTS=ON >/dev/null
  cmake --build build/release -j2 --target strongbench >/dev/null
fi
out="$root/build/strongbench"
rm -rf "$out"
mkdir -p "$out/formulas"

# The files of the chosen set (size_class column) and their folders (dir column).
awk -F'\t' -v set="$set_" 'NR > 1 && (set == "all" || $10 == "medium" || $10 == "large") { print $1, $9 }' \
  "$instances/SOURCES.tsv" >"$out/sources"
cut -d' ' -f1 "$out/sources" >"$out/files"

while read -r name dir; do
  if ! timeout 300 "$bin" "$shared/$dir/$name" -o "$out/formulas/$name" "${extra[@]}" >>"$out/figures"; then
    echo "file=$name failed=1" >>"$out/figures"
  fi
done <"$out/sources"
cat "$out/figures"

if [ "$check" = 1 ]; then
  export timeout out
  # One line per formula: its name and depqbf's exit status on the output.
  xargs -P "${JOBS:-1}" -I{} sh -c \
    'rc=0; timeout "$timeout" depqbf "$out/formulas/{}" >/dev/null 2>&1 || rc=$?; echo "{} $rc"' \
    <"$out/files" >"$out/depqbf"
fi

python3 - "$out" "$instances/depqbf.tsv" "$check" <<'EOF'
import statistics, sys
out, record, check = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
rows = {}
for line in open(f"{out}/figures"):
    fields = dict(kv.split("=", 1) for kv in line.split())
    rows[fields["file"]] = fields
done = [r for r in rows.values() if "failed" not in r]
def share(r, before, after):
    b = int(r[before])
    return 1.0 - int(r[after]) / b if b else 1.0
clauses = [share(r, "clauses", "clauses_after") for r in done]
variables = [share(r, "vars", "vars_after") for r in done]
seconds = [float(r["seconds"]) for r in done]
print(f"formulas {len(rows)}, failed runs {len(rows) - len(done)}")
if done:
    print(f"median clauses removed {100 * statistics.median(clauses):.1f}%, "
          f"median used variables removed {100 * statistics.median(variables):.1f}%")
    print(f"engine seconds: median {statistics.median(seconds):.3f}, max {max(seconds):.3f}, "
          f"stopped by effort {sum(r['stopped'] == '1' for r in done)}")
    print("engine answers: " + ", ".join(f"{k} {sum(r['result'] == k for r in done)}"
                                        for k in ("true", "false", "unknown")))
if not check:
    sys.exit(0)
known = {}
for line in open(record):
    f = line.rstrip("\n").split("\t")
    if f[0] != "file":
        known[f[0]] = f[4]
verdict = {}
for line in open(f"{out}/depqbf"):
    name, rc = line.split()
    verdict[name] = {"10": "true", "20": "false"}.get(rc, "unknown")
agree = wrong = undecided = 0
timeouts = decided = 0
for name, v in verdict.items():
    want = known.get(name)
    mine = rows.get(name, {}).get("result", "unknown")
    if want in ("true", "false"):
        if v == "unknown":
            undecided += 1
        elif v == want:
            agree += 1
        else:
            wrong += 1
            print(f"WRONG {name}: depqbf says {v} on the output, {want} on the input")
        if mine in ("true", "false") and mine != want:
            wrong += 1
            print(f"WRONG {name}: the engine says {mine}, depqbf {want} on the input")
    elif want == "timeout":
        timeouts += 1
        decided += v != "unknown" or mine in ("true", "false")
print(f"known truth values: {agree} agree, {wrong} wrong, {undecided} undecided within the timeout")
print(f"timeouts on record: {decided} of {timeouts} decided now")
EOF

#!/usr/bin/env bash
# Compares two qshrink binaries on every shared and malformed formula:
# standard output, exit status, the files each run leaves in its directory
# (the output formula, result1, preprocessor_b.dat) byte for byte. The CPU
# seconds of the summary line and of the record are masked, since they vary
# from run to run.
#
#   tools/compare_builds.sh OLD NEW [CAP_SECONDS] [-- EXTRA ARGS...]
#
# EXTRA ARGS go before the file name of both runs (default: none, the
# specified invocation). A formula that takes either binary longer than
# CAP_SECONDS (default 60) is skipped and listed. The shared folder is
# $QSHRINK_SHARED, or ../shared beside the repository. Ends with
# "compared N, differing D, skipped S" and status 1 if D > 0.
set -uo pipefail
old=$(readlink -f "${1:?old binary}")
new=$(readlink -f "${2:?new binary}")
cap=${3:-60}
shift $(($# < 3 ? $# : 3))
[ "${1:-}" = "--" ] && shift
extra=("$@")
here=$(cd "$(dirname "$0")/.." && pwd)
shared=${QSHRINK_SHARED:-$here/../shared}
[ -d "$shared/instances" ] || { echo "no shared folder at $shared" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs binary $1 on file $2 in a fresh directory $3 and leaves a digest of
# everything it produced in $3.digest; "TIMEOUT" when it ran out of time.
run_one() {
  local bin=$1 file=$2 dir=$3
  mkdir -p "$dir"
  (cd "$dir" && timeout "$cap" "$bin" "${extra[@]}" "$file" >stdout 2>/dev/null; echo $? >status)
  if [ "$(cat "$dir/status")" = 124 ]; then echo TIMEOUT >"$dir.digest"; return; fi
  sed -i -E 's/^[0-9]+\.[0-9]{3} (UNSAT|UNKNOWN|SAT) $/T \1 /' "$dir/stdout"
  [ -f "$dir/preprocessor_b.dat" ] && sed -i -E 's/,[0-9]+\.[0-9]{3}$/,T/' "$dir/preprocessor_b.dat"
  (cd "$dir" && for f in $(ls -A | sort); do echo "== $f"; cat "$f"; echo; done) >"$dir.digest"
}
export -f run_one
export cap work
export extra_args="${extra[*]}"

compare_file() {
  local file=$1 id
  id=$(echo "$file" | md5sum | cut -c1-12)
  extra=($extra_args)
  run_one "$OLD" "$file" "$work/$id.old"
  run_one "$NEW" "$file" "$work/$id.new"
  if grep -qx TIMEOUT "$work/$id.old.digest" "$work/$id.new.digest"; then
    echo "SKIP $file"
  elif cmp -s "$work/$id.old.digest" "$work/$id.new.digest"; then
    echo "SAME $file"
  else
    echo "DIFF $file"
    diff "$work/$id.old.digest" "$work/$id.new.digest" | head -20 | sed 's/^/    /'
  fi
  rm -rf "$work/$id.old" "$work/$id.new" "$work/$id.old.digest" "$work/$id.new.digest"
}
export -f compare_file
export OLD=$old NEW=$new

ls "$shared"/instances/*.qdimacs "$shared"/malformed/* | xargs -P "${JOBS:-2}" -I{} bash -c 'compare_file "$@"' _ {} \
  >"$work/report"
grep -v '^SAME' "$work/report"
same=$(grep -c '^SAME' "$work/report")
diffs=$(grep -c '^DIFF' "$work/report")
skipped=$(grep -c '^SKIP' "$work/report")
echo "compared $((same + diffs)), differing $diffs, skipped $skipped"
[ "$diffs" = 0 ]

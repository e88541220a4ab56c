#!/bin/sh
# Soundness campaign: N generated formulas (default 100000) of every family
# through the optimised qshrink, checked with the brute-force evaluator and
# depqbf on both cores. Ends with "N formulas, K wrong".
#   tools/soundness_campaign.sh [N] [first seed] [-- OPTIONS]
# e.g. tools/soundness_campaign.sh 100000 1 -- --strong-switches
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build/campaign -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/campaign -j2 --target qshrink qshrink_campaign >/dev/null
count="${1:-100000}"
seed="${2:-1}"
[ $# -gt 2 ] && [ "$3" = "--" ] && shift 3 || shift $(($# < 2 ? $# : 2))
# Options for every run; --strong-switches is the campaign tool's own.
args=""
strong=""
for a in "$@"; do
  if [ "$a" = "--strong-switches" ]; then strong="--strong-switches"; else args="$args $a"; fi
done
exec build/campaign/tools/qshrink_campaign --binary "$PWD/build/campaign/qshrink" \
  --count "$count" --seed "$seed" --jobs 2 --args "$args" $strong

#!/bin/sh
# Soundness campaign: N generated formulas (default 100000) of every family
# through the optimised qshrink, checked with the brute-force evaluator and
# depqbf on both cores. Ends with "N formulas, K wrong".
#   tools/soundness_campaign.sh [N] [first seed]
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build/campaign -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/campaign -j2 --target qshrink qshrink_campaign >/dev/null
exec build/campaign/tools/qshrink_campaign --binary "$PWD/build/campaign/qshrink" \
  --count "${1:-100000}" --seed "${2:-1}" --jobs 2

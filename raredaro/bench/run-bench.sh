#!/usr/bin/env bash
# Makes the benchmark tree (200,000 files in 10,000 folders, once) and runs
# the census benchmark on it under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${KM_BUILD:-$ROOT/build}
tree=$BUILD/bench/census-tree
python3 "$ROOT/bench/make-tree.py" "$tree" 200000 10000
"$ROOT/bench/session.sh" bash -c "
  '$ROOT/bench/wine-run.sh' regsvr32 /s '$BUILD/win/raredaro/raredaro.dll' &&
  '$ROOT/bench/wine-run.sh' --drive 'd:=$tree' '$BUILD/win/raredaro/bench/census_bench.exe' D: 3"

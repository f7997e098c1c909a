#!/usr/bin/env bash
# The main job for now: scramble a sample product configuration with the
# Windows build of dcftool under Wine, then show what a reader decodes.
set -euo pipefail
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
. "$ROOT/bench/env.sh"
demo=$BUILD/demo
mkdir -p "$demo"
tool=$BUILD/win/tools/dcftool/dcftool.exe
"$ROOT/bench/wine-run.sh" "$tool" encode "$ROOT/tools/dcftool/sample-pconfig.ini" "$demo/pconfig.dcf"
echo "PCONFIG.DCF written: $demo/pconfig.dcf ($(stat -c %s "$demo/pconfig.dcf") bytes, scrambled)"
echo "Decoded product values:"
"$ROOT/bench/wine-run.sh" "$tool" show "$demo/pconfig.dcf" All | sed 's/^/  /'

#!/usr/bin/env bash
# The main job: register the engine in the bench prefix, map a small
# generated demo volume as D: and let kmscan report on it.
set -uo pipefail
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
. "$ROOT/bench/env.sh"
volume=$BUILD/demo/volume
python3 "$ROOT/bench/make-tree.py" "$volume" 300 30
"$ROOT/bench/wine-run.sh" regsvr32 /s "$BUILD/win/raredaro/raredaro.dll" || { echo "run: registering raredaro.dll failed" >&2; exit 1; }
rm -f "$volume/.made"
echo "Demo volume D: = $volume ($(find "$volume" -type f | wc -l) files)"
echo "(Wine reports the archive attribute as set on every file, so under Wine no file counts as backed up.)"
echo
"$ROOT/bench/wine-run.sh" --drive "d:=$volume" "$BUILD/win/raredaro/kmscan/kmscan.exe" --force D: 2>/dev/null
code=$?
echo
case $code in
  0) echo "kmscan: no drive is over a threshold (exit 0)" ;;
  1) echo "kmscan: a drive is over a threshold and asks for a backup (exit 1)" ;;
  *) echo "kmscan: failed (exit $code)"; exit 1 ;;
esac

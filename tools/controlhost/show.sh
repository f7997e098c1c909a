#!/usr/bin/env bash
# Registers both controls and shows the host dialog in the bench prefix;
# with --screenshot FILE it takes one picture of the display and exits.
#   tools/controlhost/show.sh [--screenshot FILE.png]
set -euo pipefail
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
BUILD=${KM_BUILD:-$ROOT/build}
export ROOT BUILD
shot=
[ "${1:-}" = --screenshot ] && shot=$2
win=$BUILD/win
banners=$ROOT/tools/controlhost/banners
run() {
  "$ROOT/bench/wine-run.sh" regsvr32 /s "$win/graph/graph.ocx"
  "$ROOT/bench/wine-run.sh" regsvr32 /s "$win/gifreel/gifreel.ocx"
  if [ -n "$shot" ]; then
    "$ROOT/bench/wine-run.sh" "$win/tools/controlhost/controlhost.exe" --quit-after=6000 --percent=75 \
      "$banners/banner-still.gif" "$banners/banner-anim.gif" "$banners/banner-transparent.gif" &
    sleep 4
    import -window root "$shot"
    wait
  else
    "$ROOT/bench/wine-run.sh" "$win/tools/controlhost/controlhost.exe" \
      "$banners/banner-still.gif" "$banners/banner-anim.gif" "$banners/banner-transparent.gif"
  fi
}
export -f run 2>/dev/null || true
export shot win banners
"$ROOT/bench/session.sh" bash -c "$(declare -f run); run"

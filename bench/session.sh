#!/usr/bin/env bash
# Runs a command inside a bench session: a private Xvfb display and a
# persistent wineserver for the prefix, both stopped afterwards with every
# Wine process they started. Nested calls reuse the running session.
#   session.sh COMMAND [ARGS...]
set -uo pipefail
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export ROOT
. "$ROOT/bench/env.sh"

if [ -n "${KM_BENCH_SESSION:-}" ]; then exec "$@"; fi
export KM_BENCH_SESSION=1

xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  # Fixture drives mapped by an interrupted run.
  find "$WINEPREFIX/dosdevices" -maxdepth 1 -name '[a-s]:' -type l ! -name 'c:' -delete 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A display of our own, so GUI code runs for real but nothing shows.
if [ -z "${KM_USE_DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=
  done
  [ -n "$xvfb_pid" ] || { echo "session: no free display for Xvfb" >&2; exit 1; }
fi

wineserver -p
# Start Wine's helper processes now, with their output away from any pipe
# of the caller's (ctest waits for every holder of its pipe).
wine cmd /c exit </dev/null >/dev/null 2>&1

"$@"

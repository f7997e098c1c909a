#!/usr/bin/env bash
# Benchmark (not a test): one file from a local server, downloaded with
# DoGetIntoFile (ovhttp_bench.exe under Wine) and with curl in the same run.
#   KM_BUILD=... httpclient/bench/download-bench.sh [BYTES] [ROUNDS]
# Prints, per round and tool, the transfer time, throughput and CPU time.
# For the client the CPU time is the program's own (GetProcessTimes) plus
# what the wineserver spent meanwhile, since Wine's socket calls pass
# through it. Needs a built Windows tree and curl.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export ROOT
export BUILD=${KM_BUILD:-$ROOT/build}
bytes=${1:-104857600}
rounds=${2:-3}
exe=$BUILD/win/httpclient/bench/ovhttp_bench.exe
[ -f "$exe" ] || { echo "no $exe: build the Windows tree first" >&2; exit 1; }
command -v curl >/dev/null || { echo "curl is missing (apt-get install curl)" >&2; exit 1; }
work=$(mktemp -d "$BUILD/ovhttp-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

cat > "$work/round.sh" <<'ROUND'
#!/usr/bin/env bash
# Runs inside serve.py (origin port in the environment) and the bench session.
set -euo pipefail
. "$ROOT/bench/env.sh"
url=http://127.0.0.1:$KM_HTTP_ORIGIN_PORT/blob/$BYTES
ticks=$(getconf CLK_TCK)
wineserver_cpu() {  # user+system seconds of this prefix's wineserver
  for p in /proc/[0-9]*; do
    case "$(cat "$p/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
    tr '\0' '\n' < "$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    awk -v t="$ticks" '{ printf "%.3f\n", ($14 + $15) / t }' "$p/stat"; return
  done
  echo 0
}
for r in $(seq 1 "$ROUNDS"); do
  rm -f "$WORK/curl.bin" "$WORK/ovhttp.bin"
  TIMEFORMAT='%U %S'
  { time curl -s -o "$WORK/curl.bin" -w '%{time_total}\n' "$url" > "$WORK/curl.out"; } 2> "$WORK/curl.cpu"
  read -r ctime < "$WORK/curl.out"; read -r cuser csys < "$WORK/curl.cpu"
  before=$(wineserver_cpu)
  "$ROOT/bench/wine-run.sh" "$EXE" "$url" "$WORK/ovhttp.bin" > "$WORK/ovhttp.out"
  after=$(wineserver_cpu)
  cmp -s "$WORK/curl.bin" "$WORK/ovhttp.bin" || { echo "round $r: the two files differ" >&2; exit 1; }
  sed 's/[a-z]*=//g' "$WORK/ovhttp.out" | {
    read -r result got wall user system rate
    awk -v r="$r" -v b="$BYTES" -v ct="$ctime" -v cu="$cuser" -v cs="$csys" \
        -v ot="$wall" -v ou="$user" -v os="$system" -v wb="$before" -v wa="$after" -v rate="$rate" 'BEGIN {
      ws = wa - wb
      printf "round %d  curl:   %6.3f s  %7.1f MB/s  cpu %.3f s (user %.3f, sys %.3f)\n", r, ct, b / ct / 1e6, cu + cs, cu, cs
      printf "round %d  ovhttp: %6.3f s  %7.1f MB/s  cpu %.3f s (user %.3f, sys %.3f, wineserver %.3f); reported rate %.1f MB/s\n",
             r, ot, b / ot / 1e6, ou + os + ws, ou, os, ws, rate / 1e6
      printf "round %d  throughput ovhttp/curl = %.2f, cpu ovhttp/curl = %.2f\n", r, ct / ot, (ou + os + ws) / (cu + cs)
    }'
  }
done
ROUND
chmod +x "$work/round.sh"
export BYTES=$bytes ROUNDS=$rounds EXE=$exe WORK=$work
"$ROOT/bench/session.sh" python3 "$ROOT/httpclient/tests/serve.py" -- "$work/round.sh"

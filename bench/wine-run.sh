#!/usr/bin/env bash
# Runs a Windows program in the bench prefix and exits with its status.
#   wine-run.sh [--drive L:=PATH]... [--expect REGEX] PROGRAM [ARGS...]
# PROGRAM and any argument below the checkout are turned into T:\ paths.
# --expect: a run that exits 0 must also have printed REGEX (grep -E), since
# under Wine a process killed from outside reports exit code 0.
# Wine's output goes to files first and is printed afterwards (CR LF turned
# into LF), so that no Wine helper process inherits the caller's pipe.
# The full 32-bit exit code comes from kmrun.exe: codes 0-255 are the shell
# status as they are, any other gives 255, and a non-zero code is printed in
# full on stderr.
set -uo pipefail
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export ROOT
. "$ROOT/bench/env.sh"
RUNNER=$BUILD/win/bench/runner/kmrun.exe

drives=()
expect=
while [ $# -gt 0 ]; do
  case "$1" in
    --drive) drives+=("$2"); shift 2 ;;
    --expect) expect=$2; shift 2 ;;
    --drive=*) drives+=("${1#--drive=}"); shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--drive L:=PATH]... PROGRAM [ARGS...]" >&2; exit 2; }

work=$(mktemp -d "$BENCH_TMP/run.XXXXXX")
mapped=()
cleanup() {
  for link in "${mapped[@]}"; do rm -f "$link"; done
  rm -rf "$work"
}
trap cleanup EXIT

for d in "${drives[@]}"; do
  letter=${d%%=*}; letter=${letter%:}; letter=${letter,,}
  path=${d#*=}
  case "$letter" in [a-s]) ;; *) echo "wine-run: drive letter $letter: not allowed (c: and t: are the bench's)" >&2; exit 2 ;; esac
  [ "$letter" = c ] && { echo "wine-run: c: is the system drive" >&2; exit 2; }
  mkdir -p "$path"
  link=$WINEPREFIX/dosdevices/$letter:
  ln -sfn "$(realpath "$path")" "$link"
  mapped+=("$link")
done

program=$1; shift
[ -f "$program" ] && program=$(realpath "$program")
args=()
for a in "$@"; do args+=("$(to_windows_path "$a")"); done

status_file=$work/status
wine "$RUNNER" "$(to_windows_path "$status_file")" "$(to_windows_path "$program")" "${args[@]}" \
  </dev/null >"$work/out" 2>"$work/err"
wine_status=$?
# Console programs write CR LF; the shell side wants plain lines.
sed -i 's/\r$//' "$work/out" "$work/err"
cat "$work/out"
cat "$work/err" >&2

if [ -s "$status_file" ]; then
  code=$(tr -d '\r\n ' < "$status_file")
else
  code=$wine_status
fi
if [ "$code" = 0 ] && [ -n "$expect" ] && ! grep -Eq -- "$expect" "$work/out"; then
  echo "wine-run: $(basename "$program") ended without printing '$expect' (ended from outside?)" >&2
  exit 1
fi
if [ "$code" != 0 ]; then
  printf 'wine-run: %s exited with code %u (0x%08X)\n' "$(basename "$program")" "$code" "$code" >&2
fi
if [ "$code" -ge 0 ] && [ "$code" -le 255 ]; then exit "$code"; fi
exit 255

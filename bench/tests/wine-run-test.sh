#!/usr/bin/env bash
# The bench's runner: full exit codes, output passed through, drives mapped.
set -uo pipefail
run=$1 probe=$2 work=$3
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }

for code in 0 1 2 255; do
  "$run" "$probe" exit $code >/dev/null 2>&1; st=$?
  check "exit code $code passes as $code" "[ $st = $code ]"
done
err=$("$run" "$probe" exit 1603 2>&1 >/dev/null); st=$?
check "1603 gives a non-zero status" "[ $st != 0 ]"
check "1603 is printed in full" "grep -q 'code 1603 (0x00000643)' <<<\"\$err\""
"$run" "$probe" exit 0xC0000005 >/dev/null 2>&1; st=$?
check "0xC0000005 stays non-zero" "[ $st != 0 ]"
out=$("$run" "$probe" exit 0 2>/dev/null)
check "stdout passes through" "[ \"\$out\" = 'stdout line' ]"
err=$("$run" "$probe" exit 0 2>&1 >/dev/null)
check "stderr passes through" "[ \"\$err\" = 'stderr line' ]"

mkdir -p "$work/vol" && touch "$work/vol/marker.txt"
out=$("$run" --drive "q:=$work/vol" "$probe" drive Q: marker.txt 2>&1)
check "a mapped folder is a fixed drive" "[ \"\$out\" = 'Q:\\ type=fixed file=yes' ]"
out=$("$run" "$probe" drive Q: marker.txt 2>&1)
check "the mapping ends with the run" "[ \"\$out\" != 'Q:\\ type=fixed file=yes' ]"
out=$("$run" "$probe" drive Z: x 2>&1)
check "there is no Z: drive" "[ \"\$out\" = 'Z:\\ type=other file=no' ]"
out=$("$run" "$probe" drive T: README.md 2>&1)
check "the checkout is the network drive T:" "[ \"\$out\" = 'T:\\ type=remote file=yes' ]"
"$run" --expect 'never printed' "$probe" exit 0 >/dev/null 2>&1; st=$?
check "--expect fails a run that did not print it" "[ $st != 0 ]"
"$run" --expect '^stdout line$' "$probe" exit 0 >/dev/null 2>&1; st=$?
check "--expect passes a run that printed it" "[ $st = 0 ]"
exit $fail

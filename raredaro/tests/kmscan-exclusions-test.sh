#!/usr/bin/env bash
# Exclusion lists end to end: values in the backup applications' ExcludeFiles
# keys change what kmscan counts as protected on a fixture volume, and
# --exclusions shows the compiled records.
set -uo pipefail
run=$1 kmscan=$2 vol=$3
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
easysave='HKLM\SOFTWARE\Orvane\Easysave\CurrentVersion\ExcludeFiles'
rebound='HKLM\SOFTWARE\Orvane\Rebound\CurrentVersion\ExcludeFiles'
clean() { for k in "$easysave" "$rebound"; do "$run" reg delete "$k" /f >/dev/null 2>&1; done; }
clean; trap clean EXIT
value() { "$run" reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1; }

rm -rf "$vol"; mkdir -p "$vol/Cache/deep" "$vol/Docs/Sub"
for f in keep.txt '~lock.tmp' Cache/a.dat Cache/deep/b.dat Docs/x.tmp Docs/y.doc Docs/Sub/z.tmp 'Docs/~old.tmp'; do
  printf 'x' > "$vol/$f"
done
# Protected files of the D: line, from kmscan's JSON.
protected() {
  "$run" --drive "d:=$vol" "$kmscan" --json --force D: 2>/dev/null |
    python3 -c 'import json,sys; d=json.load(sys.stdin)[0]; print(d["files"], d["files_protected"])'
}

check "no lists: nothing is protected" "[ \"\$(protected)\" = '8 0' ]"
"$run" "$kmscan" --exclusions >/dev/null 2>"$vol.err"; st=$?
check "no lists: --exclusions says so and exits 0" "[ $st = 0 ] && grep -q 'no backup application' \"$vol.err\""

value "$easysave" 'D:\Cache' '*'
value "$easysave" 'd:\docs\' '*.tmp'
value "$rebound" '%ANYDIR% any text' '~*.TMP'
check "a folder, a folder's patterns, a pattern for every folder" "[ \"\$(protected)\" = '8 5' ]"

out=$("$run" "$kmscan" --exclusions --json 2>/dev/null); st=$?
check "--exclusions --json lists the records" "[ $st = 0 ] && python3 - \"\$out\" <<'PY'
import json, sys
got = [(r['flags'], r['drive'], r['path'], r['pattern']) for r in json.loads(sys.argv[1])]
help = (0x13, 'C:', 'C:\\\\WINDOWS\\\\PCHEALTH', None)
want = [help, (0x24, None, None, '~*.TMP'), help, (0x36, 'D:', 'D:\\\\DOCS', '*.TMP'), (0x13, 'D:', 'D:\\\\CACHE', None)]
assert got == want, got
PY"
out=$("$run" "$kmscan" --exclusions 2>/dev/null)
check "the table shows one record a line" "grep -Eq '^0x36 +D: +D:.DOCS +\\*\\.TMP\$' <<<\"\$out\" && [ \$(wc -l <<<\"\$out\") = 6 ]"

value "$rebound" '%ANYVOL%\Docs\Sub' '*'
check "a folder below the root of any volume" "[ \"\$(protected)\" = '8 6' ]"
value "$easysave" 'D:' '*'
check "the whole volume" "[ \"\$(protected)\" = '8 8' ]"

clean
check "the lists gone, nothing is protected again" "[ \"\$(protected)\" = '8 0' ]"
"$run" "$kmscan" --exclusions D: >/dev/null 2>&1; st=$?
check "--exclusions with a drive is refused" "[ $st = 2 ]"
rm -f "$vol.err"
exit $fail

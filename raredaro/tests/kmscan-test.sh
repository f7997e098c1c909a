#!/usr/bin/env bash
# kmscan end to end: the report, the JSON form and the exit codes.
set -uo pipefail
run=$1 kmscan=$2 vol=$3
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
key='HKCR\CLSID\{5DC98F2D-9109-11D3-9EC5-0050041C9F05}\Threshold'

rm -rf "$vol"; mkdir -p "$vol/sub"
printf 'x' > "$vol/a.txt"; printf '' > "$vol/sub/b.txt"; printf 'yy' > "$vol/sub/c.txt"

"$run" "$kmscan" --help >/dev/null 2>&1; check "--help exits 0" "[ $? = 0 ]"
"$run" "$kmscan" --bogus >/dev/null 2>&1; check "an unknown option exits 2" "[ $? = 2 ]"

out=$("$run" --drive "d:=$vol" "$kmscan" --json --force D: 2>/dev/null); st=$?
check "everything unprotected asks for an advise: exit 1" "[ $st = 1 ]"
check "the JSON report has the figures" "python3 - \"\$out\" <<'PY'
import json, sys
r = json.loads(sys.argv[1])
assert len(r) == 1, r
d = r[0]
assert d['drive'] == 'D:' and d['files'] == 3 and d['files_protected'] == 0, d
assert d['bytes_protected'] == 0 and d['unprotected_percent'] == 100.0, d
assert d['advise_flags'] == 1 and d['result'] == 0, d
assert set(d) == {'drive','files','files_protected','bytes','bytes_protected','unprotected_percent','advise_flags','result'}, d
PY"

out=$("$run" --drive "d:=$vol" "$kmscan" d 2>/dev/null)
check "the table names the drive and its counts" "grep -Eq '^D: +3 +0 ' <<<\"\$out\""

"$run" reg add "$key" /v PercentFilesThreshold /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$run" --drive "d:=$vol" "$kmscan" --json D: >/dev/null 2>&1; st=$?
check "with the threshold off nothing is advised: exit 0" "[ $st = 0 ]"
"$run" reg add "$key" /v FilesThreshold /t REG_DWORD /d 2 /f >/dev/null 2>&1
out=$("$run" --drive "d:=$vol" "$kmscan" --json D: 2>/dev/null); st=$?
check "more files than the files threshold: exit 1, flag 2" "[ $st = 1 ] && grep -q '\"advise_flags\": 2' <<<\"\$out\""
"$run" reg delete "$key" /f >/dev/null 2>&1
exit $fail

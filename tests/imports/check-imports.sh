#!/usr/bin/env bash
# Every built .exe, .dll and .ocx may import only DLLs that ship with Windows.
set -euo pipefail
dir=${1:?build directory}
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|ws2_32|wsock32|version|msvcrt|shlwapi|msimg32|winmm|rpcrt4|olepro32|oledlg|urlmon|wininet|mpr|netapi32|imm32|uxtheme|msi|crypt32|secur32|psapi|setupapi|userenv)\.dll$'
bad=0; count=0
while IFS= read -r -d '' bin; do
  count=$((count+1))
  while read -r dll; do
    if ! printf '%s\n' "${dll,,}" | grep -Eq "$allowed"; then
      echo "FAIL: ${bin#"$dir"/} imports $dll"; bad=1
    fi
  done < <(i686-w64-mingw32-objdump -p "$bin" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$dir" \( -name googletest -o -name CMakeFiles \) -prune -o -type f \( -iname '*.exe' -o -iname '*.dll' -o -iname '*.ocx' \) -print0)
[ "$count" -gt 0 ] || { echo "FAIL: no binaries under $dir"; exit 1; }
echo "checked $count binaries"
exit $bad

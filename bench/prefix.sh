#!/usr/bin/env bash
# Makes the private 32-bit Wine prefix once; remade when this recipe or the
# checkout's location changes.
set -euo pipefail
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
. "$ROOT/bench/env.sh"
stamp=$BUILD/wine/stamp
want=$( { cat "${BASH_SOURCE[0]}"; echo "$ROOT"; } | sha1sum | cut -d' ' -f1)
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && [ -d "$WINEPREFIX/drive_c" ] && exit 0

echo "== making the Wine prefix" >&2
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$stamp"
mkdir -p "$WINEPREFIX"
env -u DISPLAY wineboot -i >/dev/null 2>&1
wineserver -w

# Z: would expose the whole Linux file system as a fixed drive to every scan.
rm -f "$WINEPREFIX"/dosdevices/z: "$WINEPREFIX"/dosdevices/[d-y]:
ln -sfn "$ROOT" "$WINEPREFIX/dosdevices/t:"
# The user's shell folders point into the Linux home; a scan of C: must see
# only the prefix.
find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l | while read -r link; do
  rm -f "$link"; mkdir -p "$link"
done

cat > "$BENCH_TMP/prefix.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"t:"="network"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="shell"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"shell"="800x600"
REG
env -u DISPLAY wine regedit /S "$(to_windows_path "$BENCH_TMP/prefix.reg")" >/dev/null 2>&1

# Without these fonts captions and dialog sizes come out wrong.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -w
echo "$want" > "$stamp"

# Sourced by the bench scripts: where the prefix lives and how Wine is run.
: "${ROOT:?}"
BUILD=${BUILD:-${KM_BUILD:-$ROOT/build}}
export WINEPREFIX=$BUILD/wine/prefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
BENCH_TMP=$BUILD/wine/tmp
mkdir -p "$BENCH_TMP"

# Unix path below ROOT -> Windows path on the T: drive.
to_windows_path() {
  local p=$1
  case "$p" in
    "$ROOT"/*) p=${p#"$ROOT"/}; printf 'T:\\%s' "${p//\//\\}" ;;
    "$ROOT") printf 'T:\\' ;;
    *) printf '%s' "$p" ;;
  esac
}

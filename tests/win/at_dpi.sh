#!/bin/sh
# usage: at_dpi.sh DPI PROGRAM [ARGS...]
# Runs a Windows test program at another display scaling: in a copy of the session's prefix
# whose LogPixels is DPI, under a wineserver of its own (Wine reads the value when a session
# starts). The program is told the DPI in QORV_EXPECT_DPI, to check that it really runs at it.
set -u
dpi=$1
shift
base=$(dirname "$WINEPREFIX")
dir=$(mktemp -d "$base/wineprefix-dpi$dpi.XXXXXX")
cleanup() {
  WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null
  WINEPREFIX="$dir/prefix" wineserver -w 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
cp -a "$WINEPREFIX" "$dir/prefix" || exit 1
export WINEPREFIX="$dir/prefix"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
wineserver -p
wine cmd /c exit >/dev/null 2>&1
QORV_EXPECT_DPI=$dpi wine "$@"

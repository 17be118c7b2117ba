#!/bin/sh
# Runs one Windows test program in a copy of the session's Wine prefix whose display is set to
# DPI dots per inch (LogPixels), with its own wineserver, stopped again at the end.
#   at_dpi.sh DPI PROGRAM.exe [ARGS...]
set -u
dpi=$1; shift
prefix="$WINEPREFIX-dpi$dpi"
rm -rf "$prefix"
cp -a "$WINEPREFIX" "$prefix" || exit 1
export WINEPREFIX="$prefix" QORV_EXPECT_DPI="$dpi"
wineserver -p
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine "$@"; rc=$?
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
rm -rf "$prefix"
exit $rc

#!/bin/bash
# Starts build/win32/Veltrane.exe under Wine on the simulated line: the program and the stand-in
# phonebook library go into "C:\Program Files\Veltrane" of the demo's own prefix, the stand-in dial tool
# into its system folder; dials connect after 3 seconds. The demo's prefix is not the tests' one, so what
# it shows is the program's own first run, not what the tests left behind (a Run value, a stored
# account). With no display, a private X server is started, the dialer runs there for a while, and a
# screenshot is saved under build/.
set -u
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/scripts/common.sh"
TREE="$ROOT/build/win32"
RUN="$TREE/wine-run.sh"
export VELTRANE_WINEPREFIX="$TREE/demo-prefix"
PREFIX="$VELTRANE_WINEPREFIX"
"$RUN" cmd /c exit   # makes the prefix on first use
DEST="$PREFIX/drive_c/Program Files/Veltrane"
mkdir -p "$DEST"
cp "$TREE/Veltrane.exe" "$TREE/adsl.ico" "$TREE/bin/rasapi32.dll" "$DEST/"
cp "$TREE/bin/rasdial.exe" "$PREFIX/drive_c/windows/system32/rasdial.exe"
STATE="$PREFIX/drive_c/windows/temp/veltrane-line.ini"
[ -f "$STATE" ] || printf 'dial connect 3\n' >"$STATE"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Starting Veltrane on $DISPLAY (simulated line: $STATE)."
    exec "$RUN" 'C:\Program Files\Veltrane\Veltrane.exe' "$@"
fi

start_xvfb || exit 1
trap 'stop_wine "$PREFIX"; stop_xvfb' EXIT
echo "No display: running Veltrane on a private X server ($DISPLAY) for a few seconds."
"$RUN" 'C:\Program Files\Veltrane\Veltrane.exe' "$@" >/dev/null 2>&1 &
sleep "${VELTRANE_RUN_SECONDS:-6}"
SHOT="$ROOT/build/veltrane-screenshot.png"
if import -window root "$SHOT" 2>/dev/null; then
    echo "Screenshot saved: $SHOT"
else
    echo "Could not take a screenshot (ImageMagick's import is missing)."
fi

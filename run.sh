#!/bin/bash
# Builds Veltrane.exe and starts it under Wine on a simulated broadband line (the stand-in phonebook
# library and dial tool of tests/doubles), on the current display; with no display it starts a private
# X server, lets the dialer run there for a moment and saves a screenshot under build/.
set -u
ROOT="$(cd "$(dirname "$0")" && pwd)"
cd "$ROOT"
. scripts/common.sh

ensure_packages || { echo "package installation failed" >&2; exit 1; }
echo "== building (log: build/run-build.log)"
mkdir -p build
if ! { cmake --preset win32 && cmake --build --preset win32 -j2; } >build/run-build.log 2>&1; then
    tail -40 build/run-build.log
    echo "build failed" >&2
    exit 1
fi

EXE="$ROOT/build/win32/Veltrane.exe"
if [ ! -f "$EXE" ]; then
    echo "Built the libraries and tests; there is no program to start yet (Veltrane.exe is not part of the build)."
    exit 0
fi
exec "$ROOT/scripts/run-program.sh" "$@"

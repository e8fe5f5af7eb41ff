#!/bin/bash
# Builds both trees and runs every test: the platform-free code natively under ASan/UBSan, and the
# Windows side under Wine on a private X server, inside a loopback-only network namespace when the
# machine allows one. Exits non-zero when anything fails. `./test.sh soak` runs, instead of the tests, the
# soak and leak loops at their full counts (the default run takes a tenth of each).
set -u
ROOT="$(cd "$(dirname "$0")" && pwd)"
cd "$ROOT"
. scripts/common.sh

started=$(date +%s)
ensure_packages || { echo "package installation failed" >&2; exit 1; }

status=0
trap 'stop_wine; stop_xvfb' EXIT
win32_tests=win32
[ "${1:-}" = soak ] && win32_tests=soak

if [ "$win32_tests" = soak ]; then
    echo "== native: nothing to soak"
elif echo "== native: configure, build, test" &&
    cmake --preset native >build-native.log 2>&1 && cmake --build --preset native -j2 >>build-native.log 2>&1; then
    ctest --preset native -j2 || status=1
else
    tail -50 build-native.log; echo "native build failed"; status=1
fi

echo "== win32: configure, build, test under Wine"
start_xvfb || exit 1
# The package (setup program and zip) is part of the build: its end-to-end test installs it.
if cmake --preset win32 >build-win32.log 2>&1 && cmake --build --preset win32 -j2 >>build-win32.log 2>&1 &&
    cmake --build --preset win32 --target package >>build-win32.log 2>&1; then
    # The wineserver makes Wine's sockets, so it must start inside the namespace. The build starts none
    # (tests are listed when CTest runs them); one left by an earlier session is ended here.
    stop_wine
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        echo "(tests run in a loopback-only network namespace)"
        unshare -n bash -c 'ip link set lo up && ctest --preset "$0"' "$win32_tests" || status=1
    else
        echo "(no network namespace here: tests rely on the prefix's loopback proxy)"
        ctest --preset "$win32_tests" || status=1
    fi
else
    tail -50 build-win32.log; echo "win32 build failed"; status=1
fi
stop_wine
stop_xvfb
mv -f build-native.log build-win32.log build/ 2>/dev/null

echo "== test.sh finished in $(( $(date +%s) - started )) s: $([ $status -eq 0 ] && echo PASSED || echo FAILED)"
exit $status

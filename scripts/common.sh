# Shared by run.sh and test.sh: installs what a fresh Debian 12 machine lacks, unattended.
# shellcheck shell=bash

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n env DEBIAN_FRONTEND=noninteractive "$@" || sudo env DEBIAN_FRONTEND=noninteractive "$@"; fi
}

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

ensure_packages() {
    local wanted=(g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xauth x11-utils fonts-wqy-microhei
                  cmake make g++ googletest locales iproute2 util-linux xdotool imagemagick nsis
                  osslsigncode openssl)
    local missing=()
    for pkg in "${wanted[@]}"; do have_pkg "$pkg" || missing+=("$pkg"); done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then as_root dpkg --add-architecture i386; fi
    as_root apt-get update -qq
    as_root apt-get install -y -qq --no-install-recommends \
        -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}" >/dev/null
}

# Starts a private X server for windows under test; sets DISPLAY and XVFB_PID.
start_xvfb() {
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start" >&2
    return 1
}

stop_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=; fi
}

# Ends the Wine processes of a prefix: by default the tests' one of the win32 tree.
stop_wine() {
    WINEPREFIX="${1:-$ROOT/build/win32/wineprefix}" wineserver -k >/dev/null 2>&1 || true
}

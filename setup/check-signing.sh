#!/bin/sh
# Makes the package again, signed with a throw-away self-signed certificate made here, and verifies every
# signature it carries: the setup program, the plugin it carries, Veltrane.exe in the zip, and the
# uninstaller and Veltrane.exe as the setup program writes them (installed silently into a Wine prefix of
# their own). Then checks that the package made without a certificate carries no signature at all.
#   check-signing.sh <build tree> <version>
set -eu
build=$1
version=$2
work=$build/signing-check
rm -rf "$work"
mkdir -p "$work"
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj "/CN=Veltrane throw-away test signer" \
    -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
if ! VELTRANE_SIGN_CERT="$work/cert.pem" VELTRANE_SIGN_KEY="$work/key.pem" \
    cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi

verify() {
    if ! osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1; then
        echo "no valid signature: $1"
        cat "$work/verify.log"
        exit 1
    fi
    echo "signed and verified: ${1#"$work"/}"
}
unsigned() {
    if osslsigncode extract-signature -in "$1" -out "$work/signature.der" >/dev/null 2>&1; then
        echo "signed although no certificate was given: $1"
        exit 1
    fi
    echo "unsigned, as made without a certificate: ${1#"$build"/}"
}

setup="$work/package/Veltrane-$version-setup.exe"
verify "$setup"
verify "$work/package/_CPack_Packages/win32/NSIS/plugin/veltrane_setup.dll"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$work/package/Veltrane-$version.zip")
verify "$work/zip/Veltrane-$version/Veltrane.exe"

VELTRANE_WINEPREFIX="$work/prefix" "$build/wine-run.sh" "$setup" /S '/D=C:\signed'
verify "$work/prefix/drive_c/signed/uninstall.exe"
verify "$work/prefix/drive_c/signed/Veltrane.exe"

unsigned "$build/Veltrane-$version-setup.exe"
unsigned "$build/Veltrane.exe"
unsigned "$build/setup-plugin/veltrane_setup.dll"
(cd "$work/zip" && rm -rf "Veltrane-$version" && cmake -E tar xf "$build/Veltrane-$version.zip")
unsigned "$work/zip/Veltrane-$version/Veltrane.exe"
# The prefix's server is ended before the prefix goes: without it, nothing could find the server again.
WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
rm -rf "$work"

#!/bin/sh
# Makes a private 32-bit Wine prefix for tests: no desktop links into $HOME, no 2 s stalls when a window
# hides on a bare X server, Chinese fonts for the UI, and every HTTP request sent to a dead loopback proxy
# (WinINet's and WinHTTP's) so that nothing a test starts can reach beyond this machine.
set -e
prefix="$1"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
rm -rf "$prefix"
mkdir -p "$prefix"
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
user_dir="$prefix/drive_c/users/$(id -un)"
for link in "$user_dir"/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
done
reg=$(mktemp)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"宋体"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"
"新宋体"="WenQuanYi Micro Hei"
"微软雅黑"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"ProxyEnable"=dword:00000001
"ProxyServer"="127.0.0.1:9"
"ProxyOverride"=""

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections]
"WinHttpSettings"=hex:18,00,00,00,00,00,00,00,03,00,00,00,0b,00,00,00,31,32,37,2e,30,2e,30,2e,31,3a,39,00,00,00,00

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"rasapi32"="native,builtin"
REG
# regedit reads the file in the prefix's code page; feed it UTF-16 so the Chinese names survive.
sed -i '1s/REGEDIT4/Windows Registry Editor Version 5.00/' "$reg"
iconv -f UTF-8 -t UTF-16LE "$reg" | { printf '\377\376'; cat; } >"$reg.u16"
wine regedit /S "$(winepath -w "$reg.u16" 2>/dev/null || echo "$reg.u16")" </dev/null >/dev/null 2>&1
wineserver -w
rm -f "$reg" "$reg.u16"
# The mark's number grows whenever what a prefix holds changes, so that older prefixes are made again.
touch "$prefix/.veltrane-ready.2"

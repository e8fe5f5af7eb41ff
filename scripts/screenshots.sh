#!/bin/bash
# Takes the README's pictures of the real program under Wine on a private X server: the main window,
# the tray menu, the about window and a balloon, and the tray's three states. The program runs on the
# themed controls its manifest asks for. Needs a built win32 tree (./run.sh or ./test.sh; the tray's
# states come from bin/tray_shot.exe, which carries the program's resources).
#   scripts/screenshots.sh [output folder, default docs/screenshots] [tray: only the tray's states]
set -u
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/scripts/common.sh"
TREE="${VELTRANE_TREE:-$ROOT/build/win32}"
OUT="${1:-$ROOT/docs/screenshots}"
RUN="$TREE/wine-run.sh"
DRIVER="$TREE/bin/e2e_driver.exe"
mkdir -p "$OUT"
start_xvfb || exit 1
trap 'WINEPREFIX="$TREE/wineprefix" wineserver -k >/dev/null 2>&1; stop_xvfb' EXIT

drive() { "$RUN" "$DRIVER" "$@" 2>/dev/null | tr -d '\r'; }
# Crops the screen to "x y w h" grown by a margin, scaled down to keep the README light.
shot() {
    local name="$1" x="$2" y="$3" w="$4" h="$5" m=8
    import -window root -crop "$((w + 2 * m))x$((h + 2 * m))+$((x - m))+$((y - m))" +repage "$OUT/$name.png"
    echo "saved $OUT/$name.png"
}

"$RUN" cmd /c exit

# The tray's three states, each with its tip as the pointer rests on the icon (Wine's tray window sits at
# the top left of a bare X screen), and under each the state's icon at 16, 20, 24 and 32 pixels (100 to
# 200 %), twice their size.
tray_states() {
    local parts=() state
    for state in connected dialling disconnected; do
        xdotool mousemove 600 400
        "$RUN" "$TREE/bin/tray_shot.exe" "$state" 4000 >/dev/null 2>&1 &
        local shot_pid=$!
        sleep 1.5
        # Two moves: Wine's tray shows a tip on a move over an icon it already knows of.
        xdotool mousemove 11 30
        sleep 0.3
        xdotool mousemove 12 31
        sleep 1.5
        import -window root -crop 205x80+0+0 +repage "$OUT/.tray-$state.png"
        wait "$shot_pid"
        local sizes=()
        for k in 0 1 2 3; do sizes+=("$ROOT/res/tray_$state.ico[$k]"); done
        convert -background black "${sizes[@]}" -filter point -resize 200% -gravity east -splice 6x0 \
            -gravity south +append +repage -gravity center -extent 205x76 "$OUT/.tray-$state-sizes.png"
        convert "$OUT/.tray-$state.png" "$OUT/.tray-$state-sizes.png" -append "$OUT/.tray-$state.png"
        parts+=("$OUT/.tray-$state.png")
        rm -f "$OUT/.tray-$state-sizes.png"
    done
    convert "${parts[@]}" -background black -splice 10x0 +append +repage "$OUT/tray-states.png"
    rm -f "${parts[@]}"
    echo "saved $OUT/tray-states.png"
}
tray_states
[ "${2:-}" = tray ] && exit 0

drive install || { echo "install failed"; exit 1; }
export VELTRANE_LINE_STATE='C:\windows\temp\veltrane-shots.ini'
printf 'entry Veltrane\ndial connect 2\n' >"$TREE/wineprefix/drive_c/windows/temp/veltrane-shots.ini"
rm -f "$TREE/wineprefix/drive_c/windows/Veltrane.dat"
# A first run: no start-with-Windows value left by earlier runs or tests.
"$RUN" reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Veltrane /f >/dev/null 2>&1

# First run: the window; then an account typed in and a dial with its balloon, the tray menu opened
# at the icon, and the about window.
"$RUN" 'C:\Program Files\Veltrane\Veltrane.exe' >/dev/null 2>&1 &
read -r x y w h < <(drive wait)
sleep 1
# Connect clicked with the boxes empty: the refusal in front of the window, whose button shows its
# released face behind the box.
read -r bx by bw bh < <(drive msgbox)
sleep 1.2
ux=$((bx < x ? bx : x)); uy=$((by < y ? by : y))
ur=$((bx + bw > x + w ? bx + bw : x + w)); ub=$((by + bh > y + h ? by + bh : y + h))
shot messagebox "$ux" "$uy" "$((ur - ux))" "$((ub - uy))"
drive close-msgbox
drive hover 20 200
drive type "adsl12345678" "password"
sleep 0.3
shot main "$x" "$y" "$w" "$h"
drive hover 276 236
sleep 0.8
shot hover "$x" "$y" "$w" "$h"
drive press 276 236
sleep 0.3
shot pressed "$x" "$y" "$w" "$h"
# Dragged off before the release: no click.
drive hover 200 150
drive release
drive click
sleep 1.5
shot dialing "$x" "$y" "$w" "$h"
sleep 2.5
shot balloon 0 0 300 110
sleep 3
# The tray icon of Wine's tray window sits at the top left of a bare X screen.
drive pointer 12 31
drive submenu >/dev/null
sleep 0.5
shot menu 0 0 300 200
drive close-menus
read -r ax ay aw ah < <(drive about)
shot about "$ax" "$ay" "$aw" "$ah"

# The status view, on a made-up line. Then Esc, typed on the X server with the pointer over the window
# (a bare X server gives the keys to the window under the pointer), closes it.
# Its output straight through, not kept until it ends, so that its rectangle can be read at once.
exec 4< <(VELTRANE_WINE_DIRECT=1 "$RUN" "$TREE/bin/status_window_show.exe" 2>/dev/null)
read -r sx sy sw sh <&4
sh=${sh%$'\r'}
sleep 1.5
shot status "$sx" "$sy" "$sw" "$sh"
xdotool mousemove "$((sx + sw / 2))" "$((sy + 12))" key Escape
read -r -t 10 closed <&4
[ "${closed%$'\r'}" = closed ] || echo "the status view did not close with Esc"
exec 4<&-

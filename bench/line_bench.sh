#!/bin/bash
# The dialer on the simulated line, for this build and, when given, another Veltrane.exe (an earlier
# build) in the same run: drop to redial, probe requests per hour, and the cost of a minute in the tray,
# quiet and with traffic flowing (context switches of all its threads and processor time, read from /proc
# while line_bench.exe keeps the program running). Needs a display; run it as root so that it can use a
# loopback-only network namespace, or on a machine where nothing else listens.
#   bench/line_bench.sh [build tree (default build/win32)] [other Veltrane.exe]
set -u
TREE="$(cd "${1:-build/win32}" && pwd)"
OTHER="${2:-}"
RUN="$TREE/wine-run.sh"
BENCH="$TREE/bin/line_bench.exe"
other_arg=()
[ -n "$OTHER" ] && other_arg=("Z:$(readlink -f "$OTHER" | tr / '\\')")

counters() {  # context switches of every thread, then user+system clock ticks
    local pid=$1 switches=0
    for status in /proc/"$pid"/task/*/status; do
        switches=$((switches + $(awk '/ctxt_switches/ {s += $2} END {print s}' "$status" 2>/dev/null || echo 0)))
    done
    echo "$switches $(awk '{print $14 + $15}' /proc/"$pid"/stat)"
}

tray_minute() {  # label, idle|busy (traffic flowing), other Veltrane.exe
    local label=$1 mode=$2; shift 2
    VELTRANE_WINE_DIRECT=1 "$RUN" "$BENCH" "$mode" 75 "$@" >/dev/null &
    local bench=$! pid=""
    for _ in $(seq 100); do
        pid=$(pgrep -f 'Veltrane.exe.hide' | tail -1)
        [ -n "$pid" ] && break
        sleep 0.2
    done
    if [ -z "$pid" ]; then echo "$label: the program did not start"; wait "$bench"; return; fi
    # Settled: the start-up's own processes have come and gone.
    sleep 10
    pid=$(pgrep -f 'Veltrane.exe.hide' | tail -1)
    read -r s0 c0 < <(counters "$pid")
    sleep 60
    read -r s1 c1 < <(counters "$pid")
    wait "$bench"
    local hz; hz=$(getconf CLK_TCK)
    local what="quiet minute in the tray"
    [ "$mode" = busy ] && what="minute in the tray, traffic flowing"
    echo "$label: $what: $((s1 - s0)) wake-ups, $(( (c1 - c0) * 1000 / hz )) ms of processor time"
}

only="${VELTRANE_BENCH_ONLY:-}"  # "quiet": only the minutes in the tray
for which in this other; do
    args=()
    if [ "$which" = other ]; then [ -z "$OTHER" ] && break; args=("${other_arg[@]}"); fi
    echo "== $which build"
    if [ "$only" != quiet ]; then
        VELTRANE_WINE_DIRECT=1 "$RUN" "$BENCH" drops "${args[@]}"
        VELTRANE_WINE_DIRECT=1 "$RUN" "$BENCH" probes "${args[@]}"
    fi
    tray_minute "$which" idle "${args[@]}"
    tray_minute "$which" busy "${args[@]}"
done

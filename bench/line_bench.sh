#!/bin/bash
# The dialer on the simulated line, for this build and, when given, another Veltrane.exe (an earlier
# build) in the same run: drop to redial, probe requests per hour, and the cost of a minute in the tray,
# quiet, with traffic flowing, and with traffic flowing after the subscriber looked at the window, beside
# the floor of any tray program (tray_floor.exe: a hidden tool window with one icon and the same manifest)
# under the same Wine. A minute is read from /proc while line_bench.exe keeps the program running: per
# thread, the times it went to sleep and woke again (voluntary context switches; under Wine every call to
# the Wine server is one), the times it was preempted by other work on the machine, and processor time;
# when in the minute the wake-ups came; and, apart, what Wine's own processes of the prefix did meanwhile.
# Needs a display; run it as root so that it can use a loopback-only network namespace, or on a machine
# where nothing else listens.
#   bench/line_bench.sh [build tree (default build/win32)] [other Veltrane.exe]
# VELTRANE_BENCH_ONLY=quiet: only the minutes in the tray (and the floor).
# VELTRANE_BENCH_ACCOUNT=1: the minutes in the tray again under a tracing Wine server, with the account of
# each wake-up of the program's threads by cause (the message that ended the wait, a timer's id and period,
# the objects of a wait, waits with a time-out, the server calls each cause made; see wake_account.awk).
# A tracing server is slower: its minutes give the causes, the untraced ones the figures.
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
TREE="$(cd "${1:-build/win32}" && pwd)"
OTHER="${2:-}"
RUN="$TREE/wine-run.sh"
BENCH="$TREE/bin/line_bench.exe"
FLOOR="$TREE/bin/tray_floor.exe"
PREFIX="${VELTRANE_WINEPREFIX:-$TREE/wineprefix}"
ACCOUNT="${VELTRANE_BENCH_ACCOUNT:-}"
TRACE=""
HZ=$(getconf CLK_TCK)
other_arg=()
[ -n "$OTHER" ] && other_arg=("Z:$(readlink -f "$OTHER" | tr / '\\')")

# The processes of this tree's prefix only: other trees' programs may run on the same machine.
prefix_pids() {
    local p
    for p in /proc/[0-9]*; do
        grep -qz "^WINEPREFIX=$PREFIX\$" "$p/environ" 2>/dev/null && echo "${p#/proc/}"
    done
}

# The newest process of the prefix whose command line matches.
find_process() {
    local p found=""
    for p in $(prefix_pids); do
        { tr '\0' ' ' <"/proc/$p/cmdline"; } 2>/dev/null | grep -q -- "$1" && found=$p
    done
    echo "$found"
}

process_name() {
    local name
    name=$({ tr '\0' ' ' <"/proc/$1/cmdline"; } 2>/dev/null | awk '{print $1}')
    name=${name##*[\\/]}
    case "$name" in wineserver*) name=wineserver ;; esac
    echo "$name"
}

# One line per thread: tid, voluntary and involuntary switches, clock ticks of processor time, name.
threads() {
    local task
    for task in /proc/"$1"/task/*; do
        awk -v tid="${task##*/}" -v name="$(cat "$task/comm" 2>/dev/null)" \
            '/^voluntary_ctxt_switches/ {v = $2} /^nonvoluntary_ctxt_switches/ {n = $2}
             END {if (v != "") printf "%s %s %s %s\n", tid, v, n, name}' "$task/status" 2>/dev/null |
            while read -r tid v n name; do
                echo "$tid $v $n $(awk '{print $14 + $15}' "$task/stat" 2>/dev/null || echo 0) $name"
            done
    done
}

# Voluntary switches of every process of the prefix but `skip`, summed over its threads, by name.
background() {
    local p
    for p in $(prefix_pids); do
        [ "$p" = "$1" ] && continue
        echo "$(process_name "$p") $(threads "$p" | awk '{s += $2} END {print s + 0}')"
    done | awk '{s[$1] += $2} END {for (n in s) print n, s[n]}' | sort
}

# Reads a minute of process `pid` from outside, a sample a second. Prints the figures under `label`.
measure() {
    local label=$1 pid=$2 samples from=0
    samples=$(mktemp)
    local before; before=$(background "$pid")
    [ -n "$TRACE" ] && from=$(stat -c %s "$TRACE")
    for second in $(seq 0 60); do
        threads "$pid" | sed "s/^/$second /" >>"$samples"
        [ "$second" -lt 60 ] && sleep 1
    done
    local to=0
    [ -n "$TRACE" ] && to=$(stat -c %s "$TRACE")
    local after; after=$(background "$pid")
    # A thread counts from its first sample (from nothing when it was born within the minute) to its last
    # (a thread that ended keeps what it did).
    awk -v label="$label" -v main="$pid" -v hz="$HZ" '
        { s = $1; t = $2
          if (!(t in first)) { first[t] = s; v0[t] = s == 0 ? $3 : 0; n0[t] = s == 0 ? $4 : 0; c0[t] = s == 0 ? $5 : 0; order[++k] = t }
          name[t] = $6; v1[t] = $3; n1[t] = $4; c1[t] = $5
          vol[s, t] = $3 }
        END {
          for (i = 1; i <= k; i++) { t = order[i]; V += v1[t] - v0[t]; N += n1[t] - n0[t]; C += c1[t] - c0[t] }
          # Under load a thread is preempted where it would have slept, so the two trade places: their sum,
          # every context switch, is the figure to compare across runs.
          printf "%s: %d context switches (%d wake-ups, %d preemptions), %d ms of processor time\n", label, V + N, V, N,
                 C * 1000 / hz
          line = ""
          for (i = 1; i <= k; i++) {
              t = order[i]
              who = t == main ? "window thread" : name[t] " " t
              born = first[t] > 0 ? " (born at " first[t] " s)" : ""
              line = line sprintf("%s%s %d/%d", i > 1 ? ", " : "", who born, v1[t] - v0[t], n1[t] - n0[t])
          }
          printf "  per thread (wake-ups/preemptions): %s\n", line
          # When: the seconds of the minute in which the threads woke, with how often.
          line = ""; busy = 0
          for (s = 1; s <= 60; s++) {
              d = 0
              for (i = 1; i <= k; i++) {
                  t = order[i]
                  if (!((s, t) in vol)) continue
                  d += vol[s, t] - ((s - 1, t) in vol ? vol[s - 1, t] : 0)
              }
              if (d > 0) { busy++; line = line sprintf(" %d s:%d", s, d) }
          }
          printf "  seconds with wake-ups: %d of 60%s\n", busy, busy ? " -" line : ""
        }' "$samples"
    rm -f "$samples"
    join -a 2 -e 0 -o 2.1,1.2,2.2 <(echo "$before") <(echo "$after") 2>/dev/null |
        awk '{d = $3 - $2; if ($1 ~ /^(line_bench|http_stub|tray_floor|conhost)/) own = own sprintf(" %s %d,", $1, d);
              else wine = wine sprintf(" %s %d,", $1, d)}
             END {sub(/,$/, "", wine); sub(/,$/, "", own)
                  printf "  meanwhile, not the program (wake-ups): Wine:%s; the bench:%s\n", wine, own}'
    if [ -n "$TRACE" ]; then
        LC_ALL=C awk -v PID="$pid" -v FROM="$from" -v TO="$to" -v LABEL="  $label, traced" \
            -f "$HERE/wake_account.awk" "$TRACE"
    fi
}

# The floor: what a tray program that does nothing costs under this Wine.
floor_minute() {
    VELTRANE_WINE_DIRECT=1 "$RUN" "$FLOOR" 75 >/dev/null 2>&1 &
    local runner=$! pid=""
    for _ in $(seq 100); do
        pid=$(find_process 'tray_floor.exe')
        [ -n "$pid" ] && break
        sleep 0.2
    done
    if [ -z "$pid" ]; then echo "floor: tray_floor.exe did not start"; wait "$runner"; return; fi
    sleep 10
    measure "floor: a minute of a hidden tool window with one tray icon" "$pid"
    wait "$runner"
}

tray_minute() {  # label, idle|busy|visited, other Veltrane.exe
    local label=$1 mode=$2; shift 2
    VELTRANE_WINE_DIRECT=1 "$RUN" "$BENCH" "$mode" 85 "$@" >/dev/null &
    local bench=$! pid=""
    for _ in $(seq 100); do
        pid=$(find_process 'Veltrane.exe hide')
        [ -n "$pid" ] && break
        sleep 0.2
    done
    if [ -z "$pid" ]; then echo "$label: the program did not start"; wait "$bench"; return; fi
    # Settled: the start-up's own processes have come and gone (the visit takes a few seconds more).
    sleep 10
    [ "$mode" = visited ] && sleep 8
    local what="quiet minute in the tray"
    [ "$mode" = busy ] && what="minute in the tray, traffic flowing"
    [ "$mode" = visited ] && what="minute in the tray, traffic flowing, after a look at the window"
    measure "$label: $what" "$pid"
    wait "$bench"
}

if [ -n "$ACCOUNT" ]; then
    # A server of the prefix's own that writes every request to a file; any running one goes first.
    TRACE=$(mktemp /tmp/veltrane-server-trace.XXXXXX)
    WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1
    sleep 1
    WINEPREFIX="$PREFIX" WINEARCH=win32 wineserver -f -d1 -p 2>"$TRACE" &
    server=$!
    trap 'WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1; wait $server 2>/dev/null; rm -f "$TRACE"' EXIT
    sleep 1
    echo "== traced by the Wine server (causes; the figures of a traced minute are the slower server's)"
fi

only="${VELTRANE_BENCH_ONLY:-}"  # "quiet": only the minutes in the tray
echo "== floor"
floor_minute
for which in this other; do
    args=()
    if [ "$which" = other ]; then [ -z "$OTHER" ] && break; args=("${other_arg[@]}"); fi
    echo "== $which build"
    if [ "$only" != quiet ] && [ -z "$ACCOUNT" ]; then
        VELTRANE_WINE_DIRECT=1 "$RUN" "$BENCH" drops "${args[@]}"
        VELTRANE_WINE_DIRECT=1 "$RUN" "$BENCH" probes "${args[@]}"
    fi
    tray_minute "$which" idle "${args[@]}"
    tray_minute "$which" busy "${args[@]}"
    tray_minute "$which" visited "${args[@]}"
done

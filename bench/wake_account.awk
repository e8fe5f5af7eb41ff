# The account of one process's wake-ups in a stretch of a Wine server trace (`wineserver -f -d1`), per
# thread and per cause: what each wait that ended was ended by (the message fetched next, with its window
# class and, for a timer, its id and period; or the wait's own objects), the server calls each cause made
# (every call is a round trip to the server, so a wake-up of its own for the thread under Wine), the
# waits with a finite time-out, and the window timers alive. Run with LC_ALL=C (byte offsets):
#   awk -v PID=<unix pid> -v FROM=<byte> -v TO=<byte> -v LABEL=<text> -f wake_account.awk <trace>
# FROM and TO are the trace file's sizes at the start and the end of the stretch.

function hex(s,    n, i, c) {
    n = 0
    s = tolower(s)
    for (i = 1; i <= length(s); i++) {
        c = index("0123456789abcdef", substr(s, i, 1))
        if (c == 0) break
        n = n * 16 + c - 1
    }
    return n
}

function field(text, name,    at, rest) {
    at = index(text, name "=")
    if (at == 0) return ""
    rest = substr(text, at + length(name) + 1)
    if (substr(rest, 1, 2) == "L\"") {
        rest = substr(rest, 3)
        return substr(rest, 1, index(rest, "\"") - 1)
    }
    match(rest, /^[^,} )]*/)
    return substr(rest, 1, RLENGTH)
}

function basename(path,    n, parts) {
    n = split(path, parts, /\\\\|\\|\//)
    return parts[n]
}

# Where a thread started: the module whose image holds its entry point.
function module_of(address,    a, i) {
    a = hex(address)
    for (i = 1; i <= modules; i++)
        if (a >= module_base[i] && a < module_base[i] + module_size[i]) return module_name[i]
    return "entry " address
}

function known_meaning(class, msg, wparam) {
    if (class == "Form" && msg == "00008001") return " (a connection ended: the connection watch's post)"
    if (class == "Form" && msg == "00000200") return " (the tray icon's callback)"
    if (class == "Form" && msg == "00000113") {
        if (wparam == "00000001") return " (the dial watch)"
        if (wparam == "00000002") return " (the supervision)"
        if (wparam == "00000003") return " (the hang-up wait)"
    }
    if (msg == "00000118" && wparam == "0000ffff") return " (the caret's blink)"
    if (msg == "00000118" && wparam == "0000fffa") return " (pointer tracking)"
    return ""
}

function message_cause(t, rest,    win, msg, wparam, class, text, rate) {
    win = field(rest, "win"); msg = field(rest, "msg"); wparam = field(rest, "wparam")
    class = (win in window_class) ? window_class[win] : "window " win
    if (msg == "00000113" || msg == "00000118") {
        rate = ((win ":" wparam) in timer_rate) ? sprintf(", every %d ms", timer_rate[win ":" wparam]) : ""
        text = (msg == "00000113" ? "WM_TIMER " : "WM_SYSTIMER ") hex(wparam) " to " class rate
    } else {
        text = "message " msg " to " class
    }
    return text known_meaning(class, msg, wparam)
}

function handle_names(handles,    n, list, i, objects) {
    n = split(handles, list, ",")
    objects = ""
    for (i = 1; i <= n; i++)
        objects = objects (i > 1 ? ", " : "") ((list[i] in handle_name) ? handle_name[list[i]] : "handle " list[i])
    return objects
}

function wait_cause(t, signaled,    objects) {
    objects = handle_names(wait_handles[t])
    if (signaled == "258" || signaled == "TIMEOUT")
        return "time-out (" wait_timeout[t] ") of " (objects == "" ? "a sleep" : "a wait on " objects)
    if (signaled == "256") return "a call of the system into the thread (APC) during a wait on " objects
    return "wait on " objects " ended (" signaled ")"
}

function count(t, cause) {
    if (!((t SUBSEP cause) in by_cause)) causes[t] = causes[t] SUBSEP cause
    by_cause[t, cause]++
    current[t] = cause
}

{
    position += length($0) + 1
    inside = position > FROM && position <= TO
    if (!match($0, /^[0-9a-f]+: /)) next
    t = substr($0, 1, RLENGTH - 2)
    rest = substr($0, RLENGTH + 1)
    if (inside && !seen_start) {
        seen_start = 1
        for (key in timer_rate) timers_at_start[key] = timer_rate[key]
    }
}

rest ~ /^init_first_thread\( / && field(rest, "unix_pid") == PID {
    ours[t] = 1; main_thread = t; origin[t] = "the window's thread (the process's first)"
}
!(t in ours) { next }

# Threads, modules, windows and named objects of the process, from its whole life.
rest ~ /^new_thread\( process=ffffffff/ { creating[t] = 1; next }
rest ~ /^new_thread\(\) = 0 / && creating[t] { delete creating[t]; ours[field(rest, "tid")] = 1; next }
rest ~ /^init_thread\( / { entry[t] = field(rest, "entry") }
rest ~ /^create_file\( / { last_file[t] = basename(field(rest, "name")) }
rest ~ /^get_mapping_info\(\) = 0 .*image=\{base=/ && last_file[t] ~ /\.(exe|dll|drv)$/ {
    modules++
    module_base[modules] = hex(field(rest, "base"))
    module_size[modules] = hex(field(rest, "map_size"))
    module_name[modules] = last_file[t]
    last_file[t] = ""
}
rest ~ /^create_class\( / { pending_class_name[t] = field(rest, "name") }
rest ~ /^create_class\(\) = 0 / && pending_class_name[t] != "" { class_of_atom[field(rest, "atom")] = pending_class_name[t] }
rest ~ /^create_window\( / {
    pending_class[t] = field(rest, "class")
    if (pending_class[t] == "") pending_class[t] = (field(rest, "atom") in class_of_atom) ? class_of_atom[field(rest, "atom")] : "class atom " field(rest, "atom")
}
rest ~ /^get_msg_queue\(\) = 0 / { handle_name[field(rest, "handle")] = "its message queue" }
rest ~ /^create_window\(\) = 0 / { window_class[field(rest, "handle")] = pending_class[t] }
rest ~ /^(create|open)_(mutex|event|semaphore)\( / { pending_name[t] = basename(field(rest, "name")); pending_kind[t] = substr(rest, index(rest, "_") + 1, index(rest, "(") - index(rest, "_") - 1) }
rest ~ /^(create|open)_(mutex|event|semaphore)\(\) = / {
    h = field(rest, "handle")
    handle_name[h] = pending_name[t] == "" ? "an unnamed " pending_kind[t] " (" h ")" : "the " pending_kind[t] " " pending_name[t]
    # The test stand-in for the phonebook library takes this lock around each call it serves.
    if (pending_name[t] == "VeltraneLineStateLock") handle_name[h] = handle_name[h] " (the stand-in's)"
}
rest ~ /^new_process\(\) = 0 / { handle_name[field(rest, "handle")] = "a process it started" }
rest ~ /^set_win_timer\( / {
    key = field(rest, "win") ":" field(rest, "id")
    timer_rate[key] = hex(field(rest, "rate"))
    timer_msg[key] = field(rest, "msg")
    if (inside) timers_set[key]++
}
rest ~ /^kill_win_timer\( / {
    key = field(rest, "win") ":" field(rest, "id")
    if (inside && (key in timer_rate)) timers_killed[key]++
    delete timer_rate[key]
}
!inside && position <= FROM { next }
position > TO { next }

# Inside the stretch.
rest ~ /^\*wakeup\* / {
    wakeups[t]++
    woken[t] = 1
    woken_by[t] = field(rest, "signaled")
    next
}
rest ~ /^select\( / {
    handles = ""
    if (match(rest, /handles=\{[^}]*\}/)) handles = substr(rest, RSTART + 9, RLENGTH - 10)
    wait_handles[t] = handles
    wait_timeout[t] = field(rest, "timeout")
    # The server shows what is left of a relative time-out: whole milliseconds up are what was asked.
    if (wait_timeout[t] ~ /^\+/) wait_timeout[t] = sprintf("%d ms", int(substr(wait_timeout[t], 2) * 1000 + 0.999))
    if (wait_timeout[t] != "infinite" && wait_timeout[t] != "0") {
        what = handles == "" ? "a sleep" : "a wait on " handle_names(handles)
        finite[t, wait_timeout[t] " " what]++
        if (!((t SUBSEP wait_timeout[t] " " what) in finite_listed)) { finite_listed[t, wait_timeout[t] " " what] = 1; finite_list[t] = finite_list[t] SUBSEP wait_timeout[t] " " what }
    }
}
rest ~ /^get_message\(\) = 0 / && woken[t] { woken[t] = 0; count(t, message_cause(t, rest)) }
rest ~ /^[a-z_]+\( / {
    calls[t]++
    if (woken[t] && rest !~ /^get_message\( /) { woken[t] = 0; count(t, wait_cause(t, woken_by[t])) }
    if (current[t] != "") cause_calls[t, current[t]]++
}
rest ~ /^(select|get_message)\(\) = PENDING/ { if (rest ~ /^select/) current[t] = "" }

END {
    printf "%s: per thread and per cause (%d server calls in all)\n", LABEL, total_calls()
    for (t in ours) {
        if (!(t in calls) && !(t in wakeups)) continue
        who = (t == main_thread) ? origin[t] : "a thread started at " module_of(entry[t])
        printf "  thread %s, %s: %d wake-ups, %d server calls\n", t, who, wakeups[t], calls[t]
        n = split(causes[t], list, SUBSEP)
        for (i = 2; i <= n; i++)
            printf "    %4d x %s: %d server calls\n", by_cause[t, list[i]], list[i], cause_calls[t, list[i]]
        n = split(finite_list[t], list, SUBSEP)
        for (i = 2; i <= n; i++) printf "    waits with a time-out: %d x %s\n", finite[t, list[i]], list[i]
    }
    quiet = 1
    for (t in ours) if ((t in calls) || (t in wakeups)) quiet = 0
    if (quiet) printf "  no thread of the process asked anything of the server\n"
    if (!seen_start) for (key in timer_rate) timers_at_start[key] = timer_rate[key]
    line = ""
    for (key in timers_at_start) {
        split(key, k, ":")
        line = line sprintf(" %s id %d every %d ms%s;", (k[1] in window_class) ? window_class[k[1]] : k[1], hex(k[2]), timers_at_start[key], known_meaning(window_class[k[1]], timer_msg[key], k[2]))
    }
    printf "  window timers running at the start:%s\n", line == "" ? " none" : line
    line = ""
    for (key in timers_set) { split(key, k, ":"); line = line sprintf(" %s id %d (%d x);", (k[1] in window_class) ? window_class[k[1]] : k[1], hex(k[2]), timers_set[key]) }
    if (line != "") printf "  window timers set meanwhile:%s\n", line
}

function total_calls(    t, sum) {
    sum = 0
    for (t in calls) sum += calls[t]
    return sum
}

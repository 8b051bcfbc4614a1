#!/usr/bin/env bash
# Start-up time, resident memory and idle cost of the whole program.
#
# usage: run_startup_idle.sh <pontavi-binary> [starts] [idle-seconds]
#   starts        how many fresh starts to time (default 10)
#   idle-seconds  how long the last copy idles while its cost is counted
#                 (default 60)
#
# Each start gets a fresh PONTAVI_HOME and lock folder and runs offscreen; with
# PONTAVI_REPORT_STARTUP set the program reports "first-turn-boottime-ms N" (the
# boot-time clock at the first turn of its event loop), and the start-up time is
# that minus the process's start time from /proc/<pid>/stat, dynamic linking
# included. Idle cost is read from /proc: CPU
# time (utime + stime) and the context switches of each thread (voluntary +
# involuntary), which count the times a thread went to sleep and was woken.
# Runs inside a private network namespace when permitted, so port 113 is free.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pontavi-binary> [starts] [idle-seconds]" >&2
    exit 2
fi

if [ -z "${STARTUP_IDLE_INNER:-}" ]; then
    if command -v unshare >/dev/null && unshare -n true 2>/dev/null; then
        STARTUP_IDLE_INNER=netns exec unshare -n bash "$0" "$@"
    fi
    echo "note: network namespaces are not permitted; running in the current one" >&2
    echo "      (port 113 may be taken or refused, which the Ident listener reports)" >&2
    STARTUP_IDLE_INNER=plain exec bash "$0" "$@"
fi

program=$1
starts=${2:-10}
idle=${3:-60}
[ -x "$program" ] || { echo "not executable: $program" >&2; exit 2; }
[[ $starts =~ ^[1-9][0-9]*$ && $idle =~ ^[1-9][0-9]*$ ]] || {
    echo "starts and idle-seconds must be positive numbers" >&2
    exit 2
}
[ "$STARTUP_IDLE_INNER" = netns ] && ip link set lo up

work=$(mktemp -d)
pid=""
ticks_per_second=$(getconf CLK_TCK)

stop_program() {
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        [ "$(awk '/^State:/ {print $2}' /proc/"$pid"/status 2>/dev/null)" = Z ] && break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
}

cleanup() {
    stop_program
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# When the kernel started process $1, in ms on the boot-time clock (field 22 of
# its stat line counts clock ticks since boot; the name before it may hold spaces).
process_start_ms() {
    sed 's/^.*) //' /proc/"$1"/stat | awk -v hz="$ticks_per_second" '{print int($20 * 1000 / hz)}'
}

# Starts a fresh copy; leaves its pid in $pid and its start-up in $startup_ms.
start_program() {
    local run
    run=$(mktemp -d "$work/run.XXXX")
    mkdir -m 700 "$run/home" "$run/runtime"
    PONTAVI_REPORT_STARTUP=1 PONTAVI_HOME="$run/home" XDG_RUNTIME_DIR="$run/runtime" \
        QT_QPA_PLATFORM=offscreen "$program" >"$run/out.log" 2>"$run/err.log" &
    pid=$!
    startup_ms=""
    for _ in $(seq 300); do
        local first_turn
        first_turn=$(awk '$1 == "first-turn-boottime-ms" {print $2; exit}' "$run/err.log")
        if [ -n "$first_turn" ]; then
            startup_ms=$((first_turn - $(process_start_ms "$pid")))
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    echo "the program reported no start-up time; its output:" >&2
    tail -20 "$run/err.log" >&2
    exit 1
}

rss_kb() { awk '/^VmRSS:/ {print $2}' /proc/"$1"/status; }

cpu_ticks() {  # utime + stime of the whole process
    sed 's/^.*) //' /proc/"$1"/stat | awk '{print $12 + $13}'
}

# One line per thread: id, name, context switches so far.
thread_switches() {
    local task
    for task in /proc/"$1"/task/*; do
        printf '%s %s %s\n' "${task##*/}" \
            "$(awk '/ctxt_switches:/ {s += $2} END {print s + 0}' "$task/status" 2>/dev/null)" \
            "$(tr ' ' '_' <"$task/comm" 2>/dev/null)"
    done | sort -n
}

# min / median / max of the numbers on stdin.
summary() {
    sort -n | awk '{v[NR] = $1} END {
        if (NR == 0) { print "n/a"; exit }
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "min %s, median %s, max %s", v[1], m, v[NR] }'
}

echo "== $starts starts (offscreen, fresh settings each)"
: >"$work/startup" && : >"$work/rss"
for i in $(seq "$starts"); do
    start_program
    sleep 0.5  # let the first paint and deferred work settle before reading memory
    rss=$(rss_kb "$pid")
    printf 'start %2d: %4s ms to the event loop, VmRSS %s kB\n' "$i" "$startup_ms" "$rss"
    echo "$startup_ms" >>"$work/startup"
    echo "$rss" >>"$work/rss"
    [ "$i" -lt "$starts" ] && stop_program
done

echo "== idle for $idle s (copy of the last start)"
threads_before=$(thread_switches "$pid")
cpu_before=$(cpu_ticks "$pid")
sleep "$idle"
cpu_after=$(cpu_ticks "$pid")
threads_after=$(thread_switches "$pid")
rss_idle=$(rss_kb "$pid")
stop_program

cpu_ms=$(((cpu_after - cpu_before) * 1000 / ticks_per_second))
# Per thread, so a thread that ends meanwhile (Qt's pooled threads expire
# after 30 s unused) neither hides nor subtracts the others' counts.
echo "per thread, context switches during the idle time:"
awk -v t="$idle" 'NR == FNR {before[$1] = $2; name[$1] = $3; next}
    { d = ($1 in before) ? $2 - before[$1] : $2; seen[$1] = 1; total += d
      printf "  %-8s %-20s %6d (%.2f/s)\n", $1, $3, d, d / t }
    END { for (id in before) if (!(id in seen))
              printf "  %-8s %-20s  ended\n", id, name[id]
          printf "%.2f\n", total / t > "/dev/fd/3" }' \
    <(echo "$threads_before") <(echo "$threads_after") 3>"$work/wakeups"
wakeups=$(cat "$work/wakeups")

echo
echo "SUMMARY"
echo "  start-up to event loop (ms):  $(summary <"$work/startup")   [target < 300]"
echo "  VmRSS after start (kB):       $(summary <"$work/rss")"
echo "  VmRSS after idling (kB):      $rss_idle"
echo "  idle CPU time:                ${cpu_ms} ms over ${idle} s (tick $((1000 / ticks_per_second)) ms)"
echo "  idle wake-ups:                ${wakeups}/s   [target about 1-3/s: the 1 s monitor tick]"
if awk -v w="$wakeups" 'BEGIN {exit !(w > 3.5)}'; then
    echo "  WARNING: more wake-ups than the monitor tick needs; see the threads above and"
    echo "  strace -f -tt -e trace=poll,ppoll,epoll_wait,timerfd_settime -p <pid>"
fi
exit 0

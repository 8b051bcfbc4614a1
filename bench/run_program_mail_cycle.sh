#!/usr/bin/env bash
# The real program's mail check cycle over a dovecot mailbox of many messages,
# beside the probe's cycle (the same session without the Qt view) on the same
# mailbox; then the program against a server that claims 1,000,000 messages
# and serves a few thousand headers before it drops the line, to show that
# such a claim costs no more per message received.
#
# The program runs as a user runs it: under Xvfb, with a stand-in desktop on a
# private session bus recording its tray tips, "Notify" on (so the window
# comes up on the Messages page at the end). A cycle starts when the user's
# link (ppp0, a tun device) comes up; its time is from the tip "Checking Mail
# at ..." to the tip "... Messages Waiting (...)", its CPU the program's from
# the link coming up to that tip.
#
# usage: run_program_mail_cycle.sh <pontavi> <pop3_check_probe> <ppp_netns_tun_holder>
#                                  <scramble_password> <fake_desktop_bus.py>
#                                  [messages] [runs] [claimed-served]
#
# Everything runs inside private network and mount namespaces. Exit 77 when
# namespaces, tun, Xvfb, dovecot or D-Bus are missing.
set -uo pipefail

if [ $# -lt 5 ]; then
    echo "usage: $0 <pontavi> <pop3_check_probe> <ppp_netns_tun_holder> <scramble_password> <fake_desktop_bus.py> [messages] [runs] [claimed-served]" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
lib=$here/../tests/integration
source "$lib/program_lib.sh"
if [ -z "${PROGRAM_MAIL_CYCLE_IN_NETNS:-}" ]; then
    require_mail_program_peers
    PROGRAM_MAIL_CYCLE_IN_NETNS=1 exec unshare -n -m bash "$0" "$@"
fi

program=$1
probe=$2
holder=$3
scramble=$4
desktop=$5
messages=${6:-10000}
runs=${7:-3}
served=${8:-5000}
host=pop.pontavi.test
claim_host=claim.pontavi.test
require_executables "$program" "$probe" "$holder" "$scramble"
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
pid=""
xvfb_pid=""
holder_pid=""
tail_pid=""
others=()
cleanup() {
    kill_and_reap "$pid" "$holder_pid" "$tail_pid" "${others[@]}" "$xvfb_pid"
    dovecot_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() {
    echo "FAIL: $*" >&2
    show_logs 12 program.log desktop.log dovecot.log claim.log
    exit 1
}
source "$lib/dovecot_lib.sh"

dovecot_hosts "127.0.0.11 $host" "127.0.0.12 $claim_host" || fail "cannot map the host name"
dovecot_user many secret
for n in $(seq 1 "$messages"); do
    dovecot_message many "$n" "sender$n@example.test" "Subject of message $n" "<m$n@example.test>"
done
dovecot_start 110 listen=127.0.0.11 || fail "dovecot did not start"

# A server (clear text entries name no port: an address of its own) that
# claims a million messages, serves the headers of the number in
# claim.served (read at each connection) and then drops the connection
# (rows already filled stay).
cat >"$work/claim.py" <<'EOF'
import socket, sys
address, port, served_file = sys.argv[1], int(sys.argv[2]), sys.argv[3]
listener = socket.create_server((address, port))
open(sys.argv[4], "w").close()
while True:
    client, _ = listener.accept()
    served = int(open(served_file).read())
    with client, client.makefile("rb") as lines:
        client.sendall(b"+OK claims ready\r\n")
        for line in lines:
            word = line.split()[0].lower() if line.split() else b""
            if word in (b"user", b"pass"):
                client.sendall(b"+OK\r\n")
            elif word == b"stat":
                client.sendall(b"+OK 1000000 1000000000\r\n")
            elif word == b"top":
                n = int(line.split()[1])
                if n > served:
                    break
                client.sendall(b"+OK\r\nFrom: sender%d@example.test\r\nSubject: Claimed %d\r\n"
                               b"Message-ID: <c%d@example.test>\r\n.\r\n" % (n, n, n))
            elif word == b"quit":
                client.sendall(b"+OK bye\r\n")
                break
            else:
                client.sendall(b"-ERR not here\r\n")
EOF
echo "$served" >"$work/claim.served"
/usr/bin/python3 "$work/claim.py" 127.0.0.12 110 "$work/claim.served" "$work/claim.ready" \
    2>"$work/claim.log" &
others+=($!)
wait_until 100 test -e "$work/claim.ready" || fail "the claiming server did not start"

start_desktop "$desktop"
start_xvfb
password=$("$scramble" secret) || fail "cannot scramble a password"

# The CPU time (ms) the process has used so far.
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ print int(($14 + $15) * 1000 / hz) }' "/proc/$1/stat"; }

# One program run: a fresh home whose one mailbox is $1 (server[:port]), a
# link coming up, one cycle. Leaves "wall-ms cpu-ms total" in
# $work/cycle.result (run in this shell, so a failure ends the script).
program_cycle() {
    local server=$1 start end cpu_before cpu_after
    rm -rf "$work/home" "$work/runtime" && mkdir -m 700 "$work/home" "$work/runtime"
    cat >"$work/home/registry.ini" <<EOF
["Mail"]
"CheckMail"="1"
"Notify"="1"
"AutoRun"="0"
"PlayWav"="0"
["MailServers"]
"0"="Box"
["Box"]
"Name"="Box"
"Server"="$server"
"UserName"="many"
"Password"="$password"
EOF
    local lines_before
    lines_before=$(wc -l <"$work/desktop.log")
    PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
        "$program" >"$work/program.log" 2>&1 &
    pid=$!
    wait_for_ident_port "$pid"
    # Only the tips of this run count.
    : >"$work/run.log"
    tail -n +"$((lines_before + 1))" -f "$work/desktop.log" >"$work/run.log" &
    tail_pid=$!
    wait_until 300 grep -q $'\ttip\t.*Not Connected' "$work/run.log" || fail "the tray icon did not register"
    "$holder" ppp0 &
    holder_pid=$!
    wait_until 150 ip link show ppp0 >/dev/null 2>&1 || fail "cannot make ppp0"
    ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0 || fail "cannot give ppp0 an address"
    cpu_before=$(cpu_ms "$pid")
    ip link set ppp0 up || fail "cannot bring ppp0 up"
    wait_until 3000 grep -qE $'\ttip\t[0-9]+ Messages Waiting' "$work/run.log" ||
        fail "no end of the cycle within 300 s (tips: $(cut -f3 "$work/run.log" | tr '\n' '|'))"
    cpu_after=$(cpu_ms "$pid")
    start=$(awk -F '\t' '$2 == "tip" && $3 ~ /^Checking Mail at/ { print $1; exit }' "$work/run.log")
    end=$(awk -F '\t' '$2 == "tip" && $3 ~ /Messages Waiting/ { print $1 " " $3; exit }' "$work/run.log")
    kill_and_reap "$tail_pid"
    tail_pid=""
    terminate_program "$pid"
    pid=""
    kill_and_reap "$holder_pid"
    holder_pid=""
    wait_until 100 eval '! ip link show ppp0 >/dev/null 2>&1'
    echo "$((${end%% *} - start)) $((cpu_after - cpu_before)) $(echo "${end#* }" | cut -d' ' -f1)" \
        >"$work/cycle.result"
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The probe's first cycle lets dovecot build its index for every later run.
"$probe" 110 1 "Box=127.0.0.11,many,secret" >"$work/probe.out"
grep -q "^cycle 1 total $messages " "$work/probe.out" || fail "the probe did not list the mailbox: $(grep -E '^(cycle|error)' "$work/probe.out")"

echo "mailbox: $messages messages; $runs runs each, taking turns; times in ms"
: >"$work/probe.times"
: >"$work/program.times"
for run in $(seq "$runs"); do
    "$probe" 110 1 "Box=127.0.0.11,many,secret" >"$work/probe.out"
    read -r ms cpu < <(sed -n 's/^cycle 1 .* ms \([^ ]*\) cpu-ms \([^ ]*\)$/\1 \2/p' "$work/probe.out")
    echo "$ms $cpu" >>"$work/probe.times"
    printf 'probe    run %s: cycle %8s  CPU %8s\n' "$run" "$ms" "$cpu"
    program_cycle "$host"
    read -r ms cpu total <"$work/cycle.result"
    [ "$total" = "$messages" ] || fail "the program listed $total messages, not $messages"
    echo "$ms $cpu" >>"$work/program.times"
    printf 'program  run %s: cycle %8s  CPU %8s (from link up to the final tip)\n' "$run" "$ms" "$cpu"
done

probe_ms=$(cut -d' ' -f1 "$work/probe.times" | median)
program_ms=$(cut -d' ' -f1 "$work/program.times" | median)
program_cpu=$(cut -d' ' -f2 "$work/program.times" | median)

# The claim's one-off cost (a grid sized for the most a cycle lists) is left
# out by timing two cycles that differ only in how many headers are served.
echo "claiming server: 1000000 messages claimed, $((served / 2)) then $served served"
claim_cycle() {
    echo "$1" >"$work/claim.served"
    program_cycle "$claim_host"
    read -r claim_ms claim_cpu claim_total <"$work/cycle.result"
    [ "$claim_total" = 1000000 ] || fail "the tip counted $claim_total messages, not 1000000"
    printf 'program  %s served: cycle %8s  CPU %8s\n' "$1" "$claim_ms" "$claim_cpu"
}
claim_cycle $((served / 2))
half_cpu=$claim_cpu
claim_cycle "$served"

echo
echo "medians of $runs runs:"
awk -v n="$messages" -v p="$probe_ms" -v g="$program_ms" -v c="$program_cpu" 'BEGIN {
    printf "  probe   %8.1f ms\n  program %8.1f ms (%.2f x the probe), CPU %d ms, %.1f us CPU per message\n",
        p, g, g / p, c, c * 1000 / n }'
awk -v n="$served" -v c="$claim_cpu" -v h="$half_cpu" 'BEGIN {
    printf "  claimed 1000000: CPU %d ms for %d served, %d ms for %d; %.1f us CPU per further message\n",
        c, n, h, n / 2, (c - h) * 1000 / (n - n / 2) }'

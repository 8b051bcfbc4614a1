#!/usr/bin/env bash
# The whole program at a connect: a tun device named ppp0 coming up in a
# private network namespace starts the three programs of the launch list one
# interval apart, and the answer of inetd's internal RFC 868 "time" service on
# loopback reaches the clock service. The clock service is a stand-in for
# systemd-timedated on a private D-Bus (pointed at by DBUS_SYSTEM_BUS_ADDRESS,
# which only redirects this process's own requests); it records the time it
# is asked to set. The machine's clock is never touched.
#
# usage: program_launch_clock.sh <pontavi-binary> <ppp_netns_tun_holder-binary>
# Exit 0 pass, 1 fail, 77 when namespaces, tun, inetd or D-Bus are missing.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 <pontavi-binary> <ppp_netns_tun_holder-binary>" >&2
    exit 2
fi

if [ -z "${PROGRAM_LAUNCH_IN_NETNS:-}" ]; then
    for tool in unshare ip; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    source "$(dirname "$0")/time_peers_lib.sh"
    time_peers_check
    unshare -n -m true 2>/dev/null || { echo "SKIP: namespaces are not permitted here" >&2; exit 77; }
    [ -c /dev/net/tun ] || { echo "SKIP: no /dev/net/tun" >&2; exit 77; }
    PROGRAM_LAUNCH_IN_NETNS=1 exec timeout -k 5 90 unshare -n -m bash "$0" "$@"
fi

# From here on: inside the private namespaces; nothing leaves them.
program=$1
holder=$2
here=$(cd "$(dirname "$0")" && pwd)
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do
        kill -KILL "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/program.log" ] && { echo "--- program output:" >&2; tail -20 "$work/program.log" >&2; }
    exit 1
}
source "$here/program_lib.sh"
source "$here/time_peers_lib.sh"

# inetd's own time service on loopback port 37, and a private bus with the
# stand-in clock service.
time_peers_inetd
time_peers_bus
time_peers_timedated "$work/settime" 0

# Three small programs that note when they start (and whether a descriptor
# of ours reached them); the third has a space in its path and gets
# parameters typed with quotes, an apostrophe and a "#". Between the second
# and the third, an entry naming a folder cannot start and is skipped.
mkdir "$work/bin" "$work/bin/with space"
for name in one two "with space/three"; do
    cat >"$work/bin/$name" <<SCRIPT
#!/bin/sh
echo "\$(date +%s.%N) \$(basename "\$0") \$#:\$*\$([ -e /proc/\$\$/fd/251 ] && echo ' leaked')" >>"$work/starts"
SCRIPT
    chmod +x "$work/bin/$name"
done

mkdir -m 700 "$work/home" "$work/runtime" "$work/peers"
cat >"$work/home/registry.ini" <<INI
["Auto-Launch"]
"0"="One?$work/bin/one??0"
"1"="Two?$work/bin/two?-x?1"
"2"="Folder?$work/bin??0"
"3"="Three?$work/bin/with space/three?\"a b\" Mom's #c c;d?2"
["NetTime"]
"0"="127.0.0.1"
["Options"]
"AppsDelay"="3"
"UpdateClock"="1"
INI

ip tuntap add dev ppp0 mode tun || { echo "SKIP: cannot create a tun device" >&2; exit 77; }
ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0 || fail "cannot give ppp0 an address"

# Descriptor 251, open without close-on-exec, is inherited by the program.
exec 251</dev/null
PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" PONTAVI_PPP_PEERS="$work/peers" \
    DBUS_SYSTEM_BUS_ADDRESS="$time_peers_bus_address" QT_QPA_PLATFORM=offscreen \
    "$program" >"$work/program.log" 2>&1 &
pid=$!
pids+=("$pid")
exec 251<&-
wait_for_ident_port "$pid"

"$holder" ppp0 &
pids+=($!)
ip link set ppp0 up || fail "cannot bring ppp0 up"
before=$(date +%s)

for _ in $(seq 300); do
    [ -f "$work/starts" ] && [ "$(wc -l <"$work/starts")" -ge 3 ] && [ -s "$work/settime" ] && break
    sleep 0.1
done
is_gone "$pid" && fail "the program died"
[ -f "$work/starts" ] || fail "no program of the launch list started"
cat "$work/starts"
[ "$(wc -l <"$work/starts")" -eq 3 ] || fail "wanted three starts"
awk 'NR == 1 && $2 != "one" || NR == 2 && $2 != "two" || NR == 3 && $2 != "three" { bad = 1 }
     END { exit bad }' "$work/starts" || fail "programs started out of order"
grep -qx '.* two 1:-x' "$work/starts" || fail "the second program did not get its one parameter"
grep -qx ".* three 4:a b Mom's #c c;d" "$work/starts" || fail "parameters did not arrive as typed"
grep -q leaked "$work/starts" && fail "a descriptor of the program reached a started program"
# Start-to-start spacing: 3 s each. Each start is stamped by the started
# script itself, so a loaded machine may stamp one late and the next early;
# the figures printed are the measurement. The check only catches starts
# bunched together (no interval at all) or a sequence that stalls: every gap
# at least 1 s and at most 15 s, the whole run at least 4 s.
awk 'NR == 1 { first = $1 }
     NR > 1 { gap = $1 - prev; printf "spacing %.3f s\n", gap; if (gap < 1 || gap > 15) bad = 1 }
     { prev = $1 } END { if (prev - first < 4) bad = 1; exit bad }' "$work/starts" ||
    fail "spacing is not the 3 s interval"

[ -s "$work/settime" ] || fail "the clock service received no request"
read -r usec relative interactive <"$work/settime"
echo "clock request: $usec (relative $relative, interactive $interactive)"
[ "$relative" = 1 ] && [ "$interactive" = 0 ] || fail "wanted a relative, non-interactive SetTime"
# inetd reads this machine's clock: the move is at most a second or two.
[ "$usec" -ge -2000000 ] && [ "$usec" -le 2000000 ] ||
    fail "the move asked for ($usec us) is not the time server's difference"

terminate_program "$pid"
echo "PASS: three programs 3 s apart, a folder skipped; the time server's difference reached the clock service"
exit 0

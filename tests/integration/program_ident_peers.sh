#!/usr/bin/env bash
# Remote Ident peers cannot stall or corrupt the real program: a connection
# flooding query lines does not hold back another client; a CR LF split across
# two packets gets an exact reply, a bare CR none. Runs in a private network
# namespace.
#
# usage: program_ident_peers.sh <pontavi-binary>
# Exit 0 pass, 1 fail, 77 when namespaces are not available.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pontavi-binary>" >&2
    exit 2
fi

if [ -z "${IDENT_PEERS_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n true 2>/dev/null; then
        echo "SKIP: network namespaces are not permitted here (unshare -n failed)" >&2
        exit 77
    fi
    IDENT_PEERS_IN_NETNS=1 exec timeout -k 5 240 unshare -n bash "$0" "$@"
fi

program=$1
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$program" ] || { echo "FAIL: not executable: $program" >&2; exit 1; }
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
pid=""
flood_pid=""

cleanup() {
    exec 3<&- 2>/dev/null
    [ -n "$flood_pid" ] && kill -KILL "$flood_pid" 2>/dev/null
    if [ -n "$pid" ]; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    echo "--- program output (last lines):" >&2
    tail -20 "$work/program.log" >&2
    exit 1
}
source "$here/program_lib.sh"

# A lock folder of its own: a copy of the program run by another test must
# not make this one end as a second instance.
mkdir -p "$work/home"
mkdir -m 700 "$work/runtime"
PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    "$program" >"$work/program.log" 2>&1 &
pid=$!
wait_for_ident_port "$pid"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Reads one reply line from descriptor 3 within $2 seconds; it must be $1 + CR.
expect_line() {
    local want=$1 wait=$2 got=""
    IFS= read -r -t "$wait" -u 3 got || fail "no reply line within ${wait}s (wanted '$want')"
    [ "$got" = "$want"$'\r' ] ||
        fail "reply was '$(printf '%q' "$got")', wanted '$want' + CR LF"
}

# 1. One connection streams query lines, never reading its replies; other
#    clients' queries are answered while it goes on. How fast is printed, not
#    asserted: a loaded machine is slow, an unfair server never answers.
(
    exec 4<>/dev/tcp/127.0.0.1/113 || exit 1
    line=$'6191, 23\r\n'
    block=""
    for _ in $(seq 256); do block+=$line; done
    printf '%s' "$block" >&4 || exit 1
    : >"$work/flooding"
    end=$(($(date +%s) + 120))  # killed once the queries are done
    while [ "$(date +%s)" -lt "$end" ]; do
        printf '%s' "$block" >&4 || exit 1
    done
) &
flood_pid=$!
for _ in $(seq 300); do
    [ -e "$work/flooding" ] && break
    kill -0 "$flood_pid" 2>/dev/null || fail "the flooding client could not connect"
    sleep 0.1
done
[ -e "$work/flooding" ] || fail "the flooding client sent nothing within 30 s"
for i in 1 2 3; do
    exec 3<>/dev/tcp/127.0.0.1/113 || fail "cannot connect during the flood"
    started=$(now_ms)
    printf '%s\r\n' "$i, 113" >&3
    expect_line "$i, 113 : USERID : UNIX : Default" 30
    echo "answered during the flood in $(($(now_ms) - started)) ms"
    exec 3<&-
    kill -0 "$flood_pid" 2>/dev/null || fail "the flood ended before the other clients were answered"
    sleep 0.5
done
kill "$flood_pid"
wait "$flood_pid" 2>/dev/null
flood_pid=""

# 2. CR and LF in two packets: the exact reply, and no stray LF in front of
#    the next line.
exec 3<>/dev/tcp/127.0.0.1/113 || fail "cannot connect to 127.0.0.1:113"
printf '6191, 23\r' >&3
sleep 0.3
printf '\n' >&3
expect_line '6191, 23 : USERID : UNIX : Default' 5
printf '1, 2\r\n' >&3
expect_line '1, 2 : USERID : UNIX : Default' 5

# 3. A bare CR is data of its line, but a reply holding it would be two lines
#    to the peer: none is sent, and the next query on the connection is answered.
printf 'ab\rx\r\n' >&3
printf '5, 6\r\n' >&3
expect_line '5, 6 : USERID : UNIX : Default' 5
exec 3<&-

terminate_program "$pid"
pid=""

echo "PASS: a flooding peer holds back no other client; split CR LF gets the exact reply, a bare CR none"
exit 0

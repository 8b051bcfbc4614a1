#!/usr/bin/env bash
# The program's Ident responder against a real Ident client (Perl Net::Ident)
# and a raw socket, inside a private network namespace.
#
# usage: ident_net_ident.sh <pontavi-binary>
# Exit 0 pass, 1 fail, 77 when namespaces or Net::Ident are not available.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pontavi-binary>" >&2
    exit 2
fi

if [ -z "${IDENT_TEST_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n true 2>/dev/null; then
        echo "SKIP: network namespaces are not permitted here (unshare -n failed)" >&2
        exit 77
    fi
    if ! perl -MNet::Ident -e 1 2>/dev/null; then
        echo "SKIP: Perl module Net::Ident is missing (Debian: libnet-ident-perl)" >&2
        exit 77
    fi
    IDENT_TEST_IN_NETNS=1 exec timeout -k 5 240 unshare -n bash "$0" "$@"
fi

program=$1
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$program" ] || { echo "FAIL: not executable: $program" >&2; exit 1; }
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
pid=""

cleanup() {
    exec 3<&- 2>/dev/null
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

# 1. A real Ident client asking about a real connection.
timeout 30 perl "$here/ident_net_ident.pl" Default UNIX ||
    fail "Net::Ident did not get user Default with OS UNIX"

# 2. The exact reply line, and the connection staying open for a second query.
exec 3<>/dev/tcp/127.0.0.1/113 || fail "cannot connect to 127.0.0.1:113"
expect_reply() {
    local query=$1 want=$2 got=""
    printf '%s\r\n' "$query" >&3 || fail "cannot send query '$query'"
    IFS= read -r -t 10 -u 3 got || fail "no reply line to '$query' (got '${got}')"
    [ "$got" = "$want"$'\r' ] ||
        fail "reply to '$query' was '$(printf '%q' "$got")', wanted '$want' + CR LF"
}
expect_reply '6191, 23' '6191, 23 : USERID : UNIX : Default'
expect_reply '113, 40000' '113, 40000 : USERID : UNIX : Default'
exec 3<&-

# 3. SIGTERM ends the program.
terminate_program "$pid"
pid=""

echo "PASS: Ident responder answers Net::Ident and raw queries; SIGTERM ends the program"
exit 0

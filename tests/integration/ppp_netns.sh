#!/usr/bin/env bash
# The pppd dial-up backend against real network interfaces, without a modem:
# tun devices named ppp* in a private network namespace stand in for ppp
# units (a tun device has carrier only while a process holds it, as a ppp unit
# has while pppd runs), and a fake pppd stands in for the dialler.
# Usage: ppp_netns.sh PROBE TUN_HOLDER
set -euo pipefail

probe=$1
holder=$2

if [ -z "${PONTAVI_PPP_NETNS_INSIDE:-}" ]; then
    command -v unshare >/dev/null && command -v ip >/dev/null || exit 77
    [ -c /dev/net/tun ] || exit 77
    unshare -n -m true 2>/dev/null || { echo "unshare not permitted: skipped"; exit 77; }
    export PONTAVI_PPP_NETNS_INSIDE=1
    exec timeout 120 unshare -n -m bash "$0" "$@"
fi

# From here on: inside the private namespace; nothing leaves it.
work=$(mktemp -d)
holders=()
cleanup() {
    for pid in "${holders[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Runs the probe until its output is the expected text (the kernel applies
# carrier changes asynchronously), for at most 30 s: it returns as soon as the
# text matches, so the bound only has to outlast a slow, loaded machine.
expect_connections() {
    local expected=$1 actual=""
    for _ in $(seq 300); do
        actual=$("$probe" connections)
        [ "$actual" = "$expected" ] && return 0
        sleep 0.1
    done
    fail "connections: expected [$expected], got [$actual]"
}

# The same for the first connection: "connected ADDRESS", "not connected" or
# "none", as the program's monitor and its address copy see it.
expect_first() {
    local expected=$1 actual=""
    for _ in $(seq 300); do
        actual=$("$probe" first)
        [ "$actual" = "$expected" ] && return 0
        sleep 0.1
    done
    fail "first connection: expected [$expected], got [$actual]"
}

# Keeps a tun device's carrier up in the background, and returns once the
# holder has attached: a holder that starts late on a loaded machine would
# otherwise make a device anew after a later step deleted it.
hold() {
    "$holder" "$1" &
    local pid=$!
    holders+=("$pid")
    for _ in $(seq 300); do
        grep -qsx "iff:[[:space:]]*$1" /proc/"$pid"/fdinfo/* && return 0
        kill -0 "$pid" 2>/dev/null || fail "the holder of $1 ended"
        sleep 0.1
    done
    fail "the holder did not attach to $1 within 30 s"
}

ip link set lo up
ip tuntap add dev ppp0 mode tun || exit 77
ip tuntap add dev ppp1 mode tun
ip tuntap add dev eth9 mode tun
ip addr add 10.99.9.1 peer 10.99.9.2 dev eth9
ip link set eth9 up
hold eth9
# A real ppp unit has carrier whenever it is up; the tun stand-ins get theirs
# from a holder.
hold ppp0
hold ppp1

echo "== units pppd has just made (down, no address) are links still negotiating"
expect_connections "ppp0 waiting
ppp1 waiting"
expect_first "not connected"

echo "== the first link still negotiating, the second up with its address: not connected"
ip addr add 10.99.1.1 peer 10.99.1.2 dev ppp1
ip link set ppp1 up
expect_connections "ppp0 waiting
ppp1 connected"
expect_first "not connected"

echo "== the first link comes up with its address: connected, with that address"
ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0
ip link set ppp0 up
expect_connections "ppp0 connected
ppp1 connected"
expect_first "connected 10.99.0.1"

echo "== a tun stand-in up without carrier is not connected"
ip tuntap add dev ppp2 mode tun
ip addr add 10.99.2.1 peer 10.99.2.2 dev ppp2
ip link set ppp2 up
expect_connections "ppp0 connected
ppp1 connected
ppp2 waiting"
ip link del ppp2

echo "== a demand unit waiting for traffic: up with pppd's made-up addresses"
ip tuntap add dev ppp3 mode tun
hold ppp3
ip addr add 10.64.64.67 peer 10.112.112.115 dev ppp3
ip link set ppp3 up
expect_connections "ppp0 connected
ppp1 connected
ppp3 waiting"
ip link del ppp3

echo "== kernel order, not name order: a unit made again comes last"
ip link del ppp0
expect_connections "ppp1 connected"
expect_first "connected 10.99.1.1"
ip tuntap add dev ppp0 mode tun
hold ppp0
expect_connections "ppp1 connected
ppp0 waiting"

echo "== a unit taken down is a link ending; a removed one is gone"
ip link set ppp1 down
expect_connections "ppp1 waiting
ppp0 waiting"
expect_first "not connected"
ip link del ppp1
ip link del ppp0
expect_connections ""
expect_first "none"

echo "== the phone book"
peers=$work/peers
mkdir "$peers"
printf 'exit 0\n' >"$peers/quiet"
printf 'exit 16\n' >"$peers/hangs-up"
printf 'exit 19\n' >"$peers/bad-password"
printf 'link\n' >"$peers/link"
printf 'exit 0\n' >"$peers/.hidden"
export PONTAVI_PPP_PEERS=$peers
[ "$("$probe" entries)" = "bad-password
hangs-up
link
quiet" ] || fail "entries: $("$probe" entries)"

# The fake pppd: it must be handed the entry's own file (the peers folder is
# not pppd's default, which `call` would read), else it ends with pppd's
# option error 2. "exit N" ends at once with that status; "link" makes a ppp2
# unit the way pppd does: created down while it negotiates, then up with its
# address; it goes away when pppd ends (with pppd's status 5 on SIGTERM).
cat >"$work/pppd" <<SCRIPT
#!/bin/sh
[ "\$1" = file ] && [ "\$3" = nodetach ] && [ "\$(dirname "\$2")" = "$peers" ] || exit 2
what=\$(cat "\$2")
case "\$what" in
exit*) exit \${what#exit } ;;
link)
    "$holder" ppp2 &
    unit=\$!
    trap 'kill \$unit; exit 5' TERM
    for i in \$(seq 300); do
        ip link show ppp2 >/dev/null 2>&1 && break
        sleep 0.05
    done
    ip addr add 10.99.2.1 peer 10.99.2.2 dev ppp2
    ip link set ppp2 up
    wait \$unit
    exit 1 ;;
esac
exit 1
SCRIPT
chmod +x "$work/pppd"
export PONTAVI_PPPD=$work/pppd

check_dial() {  # entry [hangup], expected output
    local out
    out=$("$probe" dial "$1" ${2:+"$2"}) || fail "dial $1: probe failed: $out"
    [ "$out" = "$3" ] || fail "dial $1: expected [$3], got [$out]"
}

echo "== dialling"
check_dial quiet "" "ended"
check_dial hangs-up "" "later error 16: The modem hung up"
check_dial bad-password "" "later error 19: Authentication to the peer failed"
check_dial ../link "" "error 623: The dial-up entry name is not valid"
check_dial -link "" "error 623: The dial-up entry name is not valid"
check_dial nobody "" "error 624: The dial-up entry does not exist"

echo "== a dialled link comes up, and hanging up ends it"
check_dial link hangup "connected
hung up"
expect_connections ""

echo "== no pppd at all"
PONTAVI_PPPD=$work/missing check_dial quiet "" \
    "error 1002: pppd could not be started: No such file or directory"

echo "ppp_netns: all checks passed"

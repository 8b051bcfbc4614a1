#!/usr/bin/env bash
# The whole program against dial-up links in the states pppd gives them, with
# tun devices named ppp* in a private network namespace standing in for ppp
# units, and a real X clipboard (Xvfb, xclip):
#   1. ppp0 just made by pppd (down, no address, negotiating) and ppp1 up with
#      its address: the first link is not connected, so nothing happens;
#   2. ppp0 comes up with its address: connected; the connect actions copy
#      ppp0's own address to the clipboard, the on-line time counts and the
#      total is saved at SIGTERM.
#
# usage: program_ppp_connect.sh <pontavi-binary> <ppp_netns_tun_holder-binary>
# Exit 0 pass, 1 fail, 77 when namespaces, tun devices, Xvfb or xclip are not
# available.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 <pontavi-binary> <ppp_netns_tun_holder-binary>" >&2
    exit 2
fi

if [ -z "${PROGRAM_PPP_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! command -v ip >/dev/null ||
        ! unshare -n -m true 2>/dev/null; then
        echo "SKIP: network and mount namespaces are not permitted here" >&2
        exit 77
    fi
    [ -c /dev/net/tun ] || { echo "SKIP: no /dev/net/tun" >&2; exit 77; }
    for tool in Xvfb xclip; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed" >&2; exit 77; }
    done
    PROGRAM_PPP_IN_NETNS=1 exec timeout -k 5 120 unshare -n -m bash "$0" "$@"
fi

# From here on: inside the private namespaces; nothing leaves them.
program=$1
holder=$2
[ -x "$program" ] || { echo "FAIL: not executable: $program" >&2; exit 1; }
[ -x "$holder" ] || { echo "FAIL: not executable: $holder" >&2; exit 1; }
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
mkdir -m 700 "$work/home" "$work/runtime"
pid=""
xvfb_pid=""
others=()

cleanup() {
    for p in "$pid" "${others[@]}" "$xvfb_pid"; do
        [ -n "$p" ] || continue
        kill -KILL "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    if [ -f "$work/program.log" ]; then
        echo "--- program output (last lines):" >&2
        tail -20 "$work/program.log" >&2
    fi
    exit 1
}
source "$(dirname "$0")/program_lib.sh"

hold() {  # carrier for a tun stand-in; a real ppp unit has it whenever up
    "$holder" "$1" &
    others+=($!)
}

clipboard() { xclip -o -selection clipboard 2>/dev/null; }

# The saved on-line total: "TotalTime" in section ["Timer"] of registry.ini.
saved_total() {
    local ini=$work/home/registry.ini
    [ -f "$ini" ] || fail "no settings were saved at exit ($ini is missing)"
    awk '
        /^\[/ { section = $0; next }
        section == "[\"Timer\"]" && /^"TotalTime"=/ {
            value = $0
            sub(/^"TotalTime"="/, "", value)
            sub(/"\r?$/, "", value)
            print value
            exit
        }' "$ini"
}

seconds_of() {  # H:MM:SS -> seconds; fails on anything else
    local h m s
    [[ $1 =~ ^([0-9]+):([0-5][0-9]):([0-5][0-9])$ ]] || return 1
    h=${BASH_REMATCH[1]} m=${BASH_REMATCH[2]} s=${BASH_REMATCH[3]}
    echo $((10#$h * 3600 + 10#$m * 60 + 10#$s))
}

start_xvfb

# One phone book entry, so the program has something it could dial (it never
# does here: no auto-connect entry is chosen). "Copy IP" is switched on.
peers=$work/peers
mkdir "$peers"
printf 'noauth\n' >"$peers/provider"
printf '["Options"]\n"CopyIP"="1"\n' >"$work/home/registry.ini"

# pppd makes its unit down and without addresses while it negotiates; ppp0 is
# made first, so it is the first link in the kernel's order.
ip tuntap add dev ppp0 mode tun || { echo "SKIP: cannot create a tun device" >&2; exit 77; }
ip tuntap add dev ppp1 mode tun || fail "cannot create ppp1"
hold ppp0
hold ppp1
ip addr add 10.99.1.1 peer 10.99.1.2 dev ppp1 || fail "cannot give ppp1 an address"
ip link set ppp1 up || fail "cannot bring ppp1 up"

# Something the connect actions would replace.
printf 'before' | xclip -quiet -selection clipboard >/dev/null 2>&1 &
others+=($!)
for _ in $(seq 100); do
    [ "$(clipboard)" = before ] && break
    sleep 0.1
done
[ "$(clipboard)" = before ] || fail "xclip did not take the clipboard"

PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" PONTAVI_PPP_PEERS="$peers" \
    QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
pid=$!
wait_for_ident_port "$pid"

echo "== ppp0 negotiating (down, no address), ppp1 up with its address: not connected"
# Nothing may happen here, which no condition can show: the program gets a
# few monitor ticks. A slower machine can only make this pass, never fail.
sleep 3
is_gone "$pid" && fail "the program died while ppp0 was negotiating"
[ "$(clipboard)" = before ] ||
    fail "the connect actions ran while the first link negotiated (clipboard: '$(clipboard)')"

echo "== ppp0 up with its address: connected, its address copied, the time counts"
ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0 || fail "cannot give ppp0 an address"
up_at=$(date +%s%N)
ip link set ppp0 up || fail "cannot bring ppp0 up"
# The address copy is the connect actions' own sign that they have run, and
# the on-line timer was started before it.
for _ in $(seq 200); do
    [ "$(clipboard)" = 10.99.0.1 ] && break
    is_gone "$pid" && fail "the program died after ppp0 came up"
    sleep 0.1
done
[ "$(clipboard)" = 10.99.0.1 ] ||
    fail "the clipboard holds '$(clipboard)' 20 s after ppp0 came up, wanted 10.99.0.1"
sleep 3
terminate_program "$pid"
pid=""
elapsed=$((($(date +%s%N) - up_at) / 1000000000 + 1))

total=$(saved_total)
secs=$(seconds_of "$total") || fail "TotalTime '$total' is not of the form H:MM:SS"
[ "$secs" -ge 1 ] || fail "TotalTime is '$total' 3 s after the connect actions, wanted some"
[ "$secs" -le "$elapsed" ] ||
    fail "TotalTime is '$total', more than the $elapsed s since ppp0 came up"

echo "PASS: a negotiating first link counts nothing; ppp0 up counts $total (of at most ${elapsed} s) and its address 10.99.0.1 went to the clipboard"
exit 0

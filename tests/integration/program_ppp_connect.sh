#!/usr/bin/env bash
# The whole program against a faked dial-up link: a tun device named ppp0 in a
# private network namespace. With carrier (a process holds the device open)
# the link counts as connected, the on-line total runs and is saved at exit;
# up without carrier (still negotiating) it counts as nothing.
#
# usage: program_ppp_connect.sh <pontavi-binary> <ppp_netns_tun_holder-binary>
# Exit 0 pass, 1 fail, 77 when namespaces or tun devices are not available.
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
    PROGRAM_PPP_IN_NETNS=1 exec timeout -k 5 60 unshare -n -m bash "$0" "$@"
fi

# From here on: inside the private namespaces; nothing leaves them.
program=$1
holder=$2
[ -x "$program" ] || { echo "FAIL: not executable: $program" >&2; exit 1; }
[ -x "$holder" ] || { echo "FAIL: not executable: $holder" >&2; exit 1; }
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
pid=""
holder_pid=""

cleanup() {
    for p in "$pid" "$holder_pid"; do
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
    if [ -n "${run:-}" ] && [ -f "$run/program.log" ]; then
        echo "--- program output (last lines):" >&2
        tail -20 "$run/program.log" >&2
    fi
    exit 1
}
source "$(dirname "$0")/program_lib.sh"

# One phone book entry, so the program has something it could dial (it never
# does here: no auto-connect entry is chosen).
peers=$work/peers
mkdir "$peers"
printf 'noauth\n' >"$peers/provider"

# Starts the program with a fresh home, lock folder and log in $run, and waits
# (bounded) until its start-up is over: it listens on the Ident port.
start_program() {
    run=$(mktemp -d "$work/run.XXXX")
    mkdir -m 700 "$run/home" "$run/runtime"
    PONTAVI_HOME="$run/home" XDG_RUNTIME_DIR="$run/runtime" PONTAVI_PPP_PEERS="$peers" \
        QT_QPA_PLATFORM=offscreen "$program" >"$run/program.log" 2>&1 &
    pid=$!
    wait_for_ident_port "$pid"
}

# SIGTERM, a bounded wait, and the settings the program saved on its way out.
stop_program() {
    terminate_program "$pid"
    pid=""
    # A new instance must be able to bind port 113 again.
    for _ in $(seq 50); do
        [ -z "$(ss -Hltn 'sport = :113' 2>/dev/null)" ] && break
        sleep 0.1
    done
}

# The saved on-line total: "TotalTime" in section ["Timer"] of registry.ini.
saved_total() {
    local ini=$run/home/registry.ini
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

ip tuntap add dev ppp0 mode tun || { echo "SKIP: cannot create a tun device" >&2; exit 77; }
ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0 || fail "cannot give ppp0 an address"

echo "== ppp0 up with an address but no carrier: still negotiating, not on line"
start_program
ip link set ppp0 up || fail "cannot bring ppp0 up"
sleep 4
is_gone "$pid" && fail "the program died while ppp0 was negotiating"
stop_program
total=$(saved_total)
[ "$total" = "00:00:00" ] || fail "TotalTime is '$total' without carrier, wanted 00:00:00"

echo "== ppp0 up, carrier and address: connected, the total counts"
ip link set ppp0 down
start_program
"$holder" ppp0 &
holder_pid=$!
ip link set ppp0 up || fail "cannot bring ppp0 up"
sleep 4
is_gone "$pid" && fail "the program died while ppp0 was connected"
stop_program
total=$(saved_total)
secs=$(seconds_of "$total") || fail "TotalTime '$total' is not of the form H:MM:SS"
[ "$secs" -ge 2 ] || fail "TotalTime is '$total' after ~4 s connected, wanted at least 00:00:02"
[ "$secs" -le 10 ] || fail "TotalTime is '$total' after ~4 s connected, far too much"
kill "$holder_pid" 2>/dev/null
wait "$holder_pid" 2>/dev/null
holder_pid=""

echo "PASS: a negotiating link counts nothing; a connected one counts $total, saved at SIGTERM"
exit 0

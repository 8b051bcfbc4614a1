#!/usr/bin/env bash
# The time client against an RFC 868 service nobody here wrote (inetd's
# internal "time" on loopback), with a clock that only records, also after a
# server that accepts and stays silent; and the timedated clock backend
# against a stand-in timedated on a private D-Bus in each of its answers: a
# relative move made, NTP keeps the clock, refused, no service. All in a
# private network namespace; the machine's clock is never touched.
#
# usage: nettime_netns.sh <nettime_probe-binary>
# Exit 0 pass, 1 fail, 77 when namespaces, inetd or D-Bus are missing.
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: $0 <nettime_probe-binary>" >&2; exit 2; }

if [ -z "${NETTIME_IN_NETNS:-}" ]; then
    for tool in unshare ip; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    source "$(dirname "$0")/time_peers_lib.sh"
    time_peers_check
    unshare -n true 2>/dev/null || { echo "SKIP: namespaces are not permitted here" >&2; exit 77; }
    NETTIME_IN_NETNS=1 exec timeout -k 5 90 unshare -n bash "$0" "$@"
fi

probe=$1
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
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$here/time_peers_lib.sh"

echo "== inetd's time service answers; the recording clock is asked for the difference"
time_peers_inetd
out=$("$probe" query 127.0.0.1) || fail "no outcome from the time client: $out"
echo "$out"
grep -q '^Clock set from 127.0.0.1 to .* UTC (' <<<"$out" || fail "the update did not end with the clock set"
moved=$(awk '/^moved / { print $2 }' <<<"$out")
# inetd reads this machine's clock: the move is at most a second or two.
[ -n "$moved" ] && [ "$moved" -ge -2000 ] && [ "$moved" -le 2000 ] ||
    fail "moved by '$moved' ms against inetd's time of this very clock"

echo "== a server that accepts and stays silent is left after 10 s; the next one answers"
/usr/bin/python3 -c 'import socket, time
s = socket.socket(); s.bind(("127.0.0.3", 37)); s.listen(4); print("ready", flush=True); time.sleep(120)' \
    >"$work/silent.log" &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/silent.log" 2>/dev/null && break; sleep 0.1; done
start=$(date +%s)
out=$("$probe" query 127.0.0.3 127.0.0.1) || fail "no outcome after the silent server: $out"
echo "$out"
[ "$(sed -n 1p <<<"$out")" = 'Clock not set from 127.0.0.3: no answer within 10 s' ] ||
    fail "the silent server was not left"
sed -n 2p <<<"$out" | grep -q '^Clock set from 127.0.0.1 ' || fail "the next server did not set the clock"
[ $(($(date +%s) - start)) -ge 9 ] || fail "the silent server was left before its 10 s"

echo "== nothing listening: refused, said so"
out=$("$probe" query 127.0.0.2) || fail "no outcome for a refused connection"
grep -qx 'Clock not set: 127.0.0.2 refused the connection' <<<"$out" || fail "got: $out"

echo "== timedated's answers reach the user as outcomes"
time_peers_bus
export DBUS_SYSTEM_BUS_ADDRESS=$time_peers_bus_address

out=$("$probe" move -1500)
[[ $out == "Refused: systemd-timedated is not available"* ]] || fail "without a service: $out"

for mode in 0 1 refuse; do
    rm -f "$work/settime"
    time_peers_timedated "$work/settime" "$mode"
    out=$("$probe" move -1500)
    echo "mode $mode: $out"
    case $mode in
    0) [ "$out" = Set ] || fail "wanted Set"
       [ "$(cat "$work/settime")" = "-1500000 1 0" ] || fail "recorded $(cat "$work/settime")" ;;
    1) [ "$out" = KeptByNtp ] || fail "wanted KeptByNtp"
       [ ! -e "$work/settime" ] || fail "set the time although NTP keeps the clock" ;;
    refuse) [[ $out == "Refused: the system refused the new time: "*polkit* ]] || fail "wanted a refusal saying how to allow it" ;;
    esac
    kill "$timedated_pid"
    wait "$timedated_pid" 2>/dev/null
done

echo "PASS: inetd's answer recorded, a silent server left; a relative move, NTP, refusal and a missing service each reported"
exit 0

#!/usr/bin/env bash
# The time client against an RFC 868 service nobody here wrote (inetd's
# internal "time" on loopback), with a clock that only records; and the
# timedated clock backend against a stand-in timedated on a private D-Bus in
# each of its answers: set, NTP keeps the clock, refused, no service. All in a
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

echo "== inetd's time service answers; the recording clock gets its time of day"
time_peers_inetd
before=$(date +%s)
out=$("$probe" query 127.0.0.1) || fail "no outcome from the time client: $out"
after=$(date +%s)
echo "$out"
grep -qx 'Clock set from 127.0.0.1' <<<"$out" || fail "the update did not end with the clock set"
asked=$(awk '/^asked / { print int($2 / 1000) }' <<<"$out")
[ "$asked" -ge $((before - 2)) ] && [ "$asked" -le $((after + 2)) ] ||
    fail "asked for $asked, inetd's time was $before..$after"

echo "== nothing listening: refused, said so"
out=$("$probe" query 127.0.0.2) || fail "no outcome for a refused connection"
grep -qx 'Clock not set: 127.0.0.2 refused the connection' <<<"$out" || fail "got: $out"

echo "== timedated's answers reach the user as outcomes"
time_peers_bus
export DBUS_SYSTEM_BUS_ADDRESS=$time_peers_bus_address

out=$("$probe" set 1700000000123)
[[ $out == "Refused: systemd-timedated is not available"* ]] || fail "without a service: $out"

for mode in 0 1 refuse; do
    rm -f "$work/settime"
    time_peers_timedated "$work/settime" "$mode"
    out=$("$probe" set 1700000000123)
    echo "mode $mode: $out"
    case $mode in
    0) [ "$out" = Set ] || fail "wanted Set"
       [ "$(cat "$work/settime")" = "1700000000123000 0 0" ] || fail "recorded $(cat "$work/settime")" ;;
    1) [ "$out" = KeptByNtp ] || fail "wanted KeptByNtp"
       [ ! -e "$work/settime" ] || fail "set the time although NTP keeps the clock" ;;
    refuse) [[ $out == "Refused: the system refused the new time: "*polkit* ]] || fail "wanted a refusal saying how to allow it" ;;
    esac
    kill "$timedated_pid"
    wait "$timedated_pid" 2>/dev/null
done

echo "PASS: inetd's answer recorded; set, NTP, refusal and a missing service each reported"
exit 0

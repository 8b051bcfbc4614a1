# The peers of the clock tests: inetd's internal RFC 868 "time" service on
# loopback port 37, and a stand-in systemd-timedated (fake_timedated.py) on a
# private D-Bus. Source it; the caller keeps $work (a scratch folder), the
# array pids (killed by its clean-up) and fail().
#
#   time_peers_check                   exits 77 unless inetd, dbus-daemon and
#                                      python3 with dbus and gi are installed
#   time_peers_inetd                   starts the time service, waits for it
#   time_peers_bus                     starts the bus at unix:path=$work/bus
#   time_peers_timedated <record> <mode>
#                                      starts the stand-in on that bus; it
#                                      writes what it is asked to set to
#                                      <record>; mode 0, 1 or refuse (see
#                                      fake_timedated.py). Sets timedated_pid.
#
# Each waits at most 30 s for its peer: python3 loading gi and dbus, or inetd
# starting, takes seconds on a loaded machine.

time_peers_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
time_peers_bus_address=""
timedated_pid=""

time_peers_check() {
    local tool
    for tool in /usr/sbin/inetd dbus-daemon /usr/bin/python3; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus/gi missing" >&2; exit 77; }
}

time_peers_inetd() {
    printf '127.0.0.1:time stream tcp nowait root internal\n' >"$work/inetd.conf"
    /usr/sbin/inetd -i "$work/inetd.conf" &
    pids+=($!)
    for _ in $(seq 300); do [ -n "$(ss -Hltn 'sport = :37' 2>/dev/null)" ] && return 0; sleep 0.1; done
    fail "inetd's time service did not start"
}

time_peers_bus() {
    dbus-daemon --session --nofork --address="unix:path=$work/bus" >"$work/dbus.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 300); do [ -S "$work/bus" ] && break; sleep 0.1; done
    [ -S "$work/bus" ] || fail "the private bus did not start"
    time_peers_bus_address="unix:path=$work/bus"
}

time_peers_timedated() {
    local record=$1 mode=$2
    rm -f "$work/timedated.log"
    /usr/bin/python3 "$time_peers_here/fake_timedated.py" "$time_peers_bus_address" "$record" "$mode" \
        >"$work/timedated.log" 2>&1 &
    timedated_pid=$!
    pids+=("$timedated_pid")
    for _ in $(seq 300); do grep -q ready "$work/timedated.log" 2>/dev/null && return 0; sleep 0.1; done
    fail "the stand-in clock service did not start"
}

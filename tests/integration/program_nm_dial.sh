#!/usr/bin/env bash
# The whole program dialling through a stand-in NetworkManager (nm_dialup.py
# standin) on a private system bus, in private network and mount namespaces:
# the profile "Mobile" is chosen for mail checks every minute, someone else's
# Ethernet link is up, dovecot on 127.0.0.1:110 holds one new message. The
# program dials by itself after one interval, the stand-in modem gives the
# connection an address, the connect actions check mail and notify, and the
# program deactivates its own connection, and only it, after the mail cycle.
# usage: program_nm_dial.sh <pontavi> <scramble_password> <fake_desktop_bus.py> <nm_dialup.py>
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/program_lib.sh"
if [ -z "${PONTAVI_NM_NETNS:-}" ]; then
    require_mail_program_peers
    /usr/bin/python3 -c 'import dbusmock' 2>/dev/null || { echo "SKIP: python3-dbusmock missing" >&2; exit 77; }
    PONTAVI_NM_NETNS=1 exec timeout -k 5 170 unshare -n -m bash "$0" "$@"
fi

program=$1
scramble=$2
desktop=$3
standin=$4
require_executables "$program" "$scramble"
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }
work=$(mktemp -d)
mkdir -m 700 "$work/home" "$work/runtime"
pid="" xvfb_pid="" nm_pid="" others=()
cleanup() {
    [ -n "$nm_pid" ] && kill -TERM "$nm_pid" 2>/dev/null && wait "$nm_pid"
    # Its stand-in and bus, should it have ended without them.
    kill_and_reap $(awk '$2 == "pids" { print $3, $4 }' "$work/nm.log" 2>/dev/null)
    kill_and_reap "$pid" "${others[@]}" "$xvfb_pid"
    dovecot_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() {
    echo "FAIL: $*" >&2
    show_logs 15 program.log desktop.log nm.log nm.out dovecot.log
    exit 1
}
source "$here/dovecot_lib.sh"
nm_event() { grep -q " $1\$" "$work/nm.log" 2>/dev/null; }
nm_time() { awk -v what="$1" '$2 == what { print $1; exit }' "$work/nm.log"; }

dovecot_user joe secret
dovecot_message joe 1 "ann@example.test" "Lunch" "<1@example.test>"
dovecot_start 110 || fail "dovecot did not start"
start_desktop "$desktop"
start_xvfb
TMPDIR=$work /usr/bin/python3 "$standin" "$work/nm.log" standin >"$work/nm.out" 2>&1 &
nm_pid=$!
wait_until 300 grep -qs ' unix:' "$work/nm.log" || fail "the stand-in NetworkManager did not start"
export DBUS_SYSTEM_BUS_ADDRESS=$(awk '{ print $2; exit }' "$work/nm.log")

password=$("$scramble" secret) || fail "cannot scramble the password"
cat >"$work/home/registry.ini" <<EOF
["Mail"]
"CheckMail"="1"
"Notify"="1"
"PlayWav"="0"
["MailServers"]
"0"="Box"
["Box"]
"Name"="Box"
"Server"="127.0.0.1"
"UserName"="joe"
"Password"="$password"
"AutoConnect"="Mobile"
"AutoConnectTimer"="1"
EOF
PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    "$program" >"$work/program.log" 2>&1 &
pid=$!
wait_for_ident_port "$pid"
wait_until 900 nm_event dial || fail "no dial within 90 s of the start"
wait_until 100 nm_event up || fail "the stand-in modem gave no address"
wait_until 300 has_desktop notify '^1 new message$' || fail "no new-mail notification after the link came up"
wait_until 100 nm_event hangup || fail "the dialled connection was not deactivated after the mail cycle"
wait_until 50 has_desktop tip '^1 Messages Waiting' || fail "no tip '1 Messages Waiting'"
sleep 1
nm_event wired-gone && fail "someone else's Ethernet link was deactivated too"
[ "$(grep -c ' dial$' "$work/nm.log")" -eq 1 ] || fail "more than one dial"
terminate_program "$pid"
pid=""
echo "PASS: dialled, up $(($(nm_time up) - $(nm_time dial))) ms later, notified, deactivated" \
    "$(($(nm_time hangup) - $(nm_time up))) ms after link up; the Ethernet link stayed."

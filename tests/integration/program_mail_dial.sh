#!/usr/bin/env bash
# The whole program dialling to check mail, in private network and mount
# namespaces:
#   - dovecot on 127.0.0.1:110 holds three new messages for one mailbox;
#   - the phone book (PONTAVI_PPP_PEERS) has one entry, chosen for mail checks
#     every "minute" (55 s); the dialler (PONTAVI_PPPD) is a stand-in pppd that
#     makes a tun ppp0, gives it an address and brings it up, and takes it down
#     when it gets SIGTERM;
#   - a private session bus carries a stand-in desktop: a notification server
#     and a tray host, which record every notification and every tray tip.
# 1. The program dials by itself one interval after start; ppp0 comes up; the
#    connect actions check mail; the user sees the tip "3 Messages Waiting
#    (time)" and a notification with the count and the newest message; the
#    mail program is not started; the link is hung up. A second mailbox, as
#    a hand-edited settings file may hold it, has the same login with a
#    password that carries CR LF "dele 1": it is an error entry and never
#    reaches dovecot (no second login, nothing deleted).
# 2. The user brings a link up (no dial by the program) with one more message
#    waiting: the cycle alerts for that one, starts the mail program, and
#    leaves the link up.
# The real-time figures of the dialled cycle are printed.
#
# usage: program_mail_dial.sh <pontavi> <ppp_netns_tun_holder> <scramble_password>
#                             <fake_desktop_bus.py>
# Exit 0 pass, 1 fail, 77 when namespaces, tun, Xvfb, dovecot or D-Bus are
# missing.
set -uo pipefail

if [ $# -lt 4 ]; then
    echo "usage: $0 <pontavi> <ppp_netns_tun_holder> <scramble_password> <fake_desktop_bus.py>" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
source "$here/program_lib.sh"
if [ -z "${PROGRAM_MAIL_DIAL_IN_NETNS:-}" ]; then
    require_mail_program_peers
    PROGRAM_MAIL_DIAL_IN_NETNS=1 exec timeout -k 5 170 unshare -n -m bash "$0" "$@"
fi

# From here on: inside the private namespaces; nothing leaves them.
program=$1
holder=$2
scramble=$3
desktop=$4
require_executables "$program" "$holder" "$scramble"
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
mkdir -m 700 "$work/home" "$work/runtime"
pid=""
xvfb_pid=""
others=()

cleanup() {
    # The stand-in pppd is the program's child: end it (and its holder) too.
    [ -f "$work/pppd.pids" ] && while read -r p; do kill -KILL "$p" 2>/dev/null; done <"$work/pppd.pids"
    kill_and_reap "$pid" "${others[@]}" "$xvfb_pid"
    dovecot_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    show_logs 15 program.log desktop.log pppd.log dovecot.log
    exit 1
}
source "$here/dovecot_lib.sh"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The time of the first line of the stand-in pppd's log naming an event.
pppd_time() { awk -v what="$1" '$2 == what { print $1; exit }' "$work/pppd.log" 2>/dev/null; }
has_pppd_event() { [ -n "$(pppd_time "$1")" ]; }
# A tip recorded after a time (ms).
has_tip_after() { awk -F '\t' -v t="$1" -v re="$2" '$2 == "tip" && $1 >= t && $3 ~ re { found = 1 } END { exit !found }' "$work/desktop.log"; }
link_up() { ip -o link show ppp0 2>/dev/null | grep -q 'state UP\|,UP'; }
link_gone() { ! ip link show ppp0 >/dev/null 2>&1; }

# ---- the mail server: three new messages
dovecot_user joe secret
dovecot_message joe 1 "ann@example.test" "Lunch" "<1@example.test>"
dovecot_message joe 2 "bob@example.test" "Minutes" "<2@example.test>"
dovecot_message joe 3 "cy@example.test" "Tickets" "<3@example.test>"
dovecot_start 110 || fail "dovecot did not start"

# ---- the desktop: a private session bus with notifications and a tray host
start_desktop "$desktop"
start_xvfb

# ---- the phone book and the stand-in pppd. pppd is called as
# "pppd file <peers>/<entry> nodetach" and runs until it is told to end.
peers=$work/peers
mkdir "$peers"
printf 'noauth\n' >"$peers/isp"
cat >"$work/pppd" <<EOF
#!/bin/bash
log=$work/pppd.log
echo "\$\$" >>$work/pppd.pids
echo "\$((\$(date +%s%N) / 1000000)) start \$*" >>"\$log"
"$holder" ppp0 &
held=\$!
echo "\$held" >>$work/pppd.pids
ended() {
    echo "\$((\$(date +%s%N) / 1000000)) sigterm" >>"\$log"
    kill "\$held"
    wait "\$held"
    exit 5
}
trap ended TERM
for _ in \$(seq 300); do ip link show ppp0 >/dev/null 2>&1 && break; sleep 0.1; done
ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0
ip link set ppp0 up
echo "\$((\$(date +%s%N) / 1000000)) up" >>"\$log"
# Bounded: the test's own time limit is far shorter.
for _ in \$(seq 600); do sleep 1 & wait \$!; done
EOF
chmod +x "$work/pppd"

# ---- the mail program: records that it ran
cat >"$work/mailer" <<EOF
#!/bin/sh
echo started >>$work/mailer.log
EOF
chmod +x "$work/mailer"

# ---- the settings, as the program stores them: mail checking on, one
# mailbox, notification on, the mail program run after new mail; "isp"
# dialled every minute (the auto-connect values live in the last mailbox's
# section).
password=$("$scramble" secret) || fail "cannot scramble the password"
smuggler=$("$scramble" $'secret\r\ndele 1') || fail "cannot scramble the password"
cat >"$work/home/registry.ini" <<EOF
["Mail"]
"CheckMail"="1"
"Notify"="1"
"AutoRun"="1"
"MailProgram"="$work/mailer"
"PlayWav"="0"
["MailServers"]
"0"="Box"
"1"="Smuggler"
["Box"]
"Name"="Box"
"Server"="127.0.0.1"
"UserName"="joe"
"Password"="$password"
["Smuggler"]
"Name"="Smuggler"
"Server"="127.0.0.1"
"UserName"="joe"
"Password"="$smuggler"
"AutoConnect"="isp"
"AutoConnectTimer"="1"
EOF

started_at=$(now_ms)
PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" PONTAVI_PPP_PEERS="$peers" \
    PONTAVI_PPPD="$work/pppd" QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
pid=$!
wait_for_ident_port "$pid"
wait_until 100 has_desktop tip 'Not Connected' ||
    fail "the tray icon did not register with the tray host (tips: $(desktop_lines tip | tr '\n' '|'))"

echo "== 1. the program dials by itself after one interval (55 s)"
wait_until 900 has_pppd_event start || fail "no dial within 90 s of the start"
dial_at=$(pppd_time start)
waited_ms=$((dial_at - started_at))
# The timer is armed at a monitor tick after the program was started, so the
# dial cannot come sooner than one interval (55 s) after that.
[ "$waited_ms" -ge 54900 ] || fail "the program dialled $waited_ms ms after its start, before one interval (55 s)"
grep -q " start file $peers/isp nodetach" "$work/pppd.log" || fail "pppd called as: $(grep start "$work/pppd.log")"
wait_until 100 has_pppd_event up || fail "the stand-in pppd did not bring ppp0 up"
up_at=$(pppd_time up)

wait_until 300 has_desktop notify '.' || fail "no new-mail notification within 30 s of ppp0 coming up"
wait_until 100 has_pppd_event sigterm || fail "the link was not hung up within 10 s of the notification"
hangup_at=$(pppd_time sigterm)
wait_until 100 link_gone || fail "ppp0 is still there after the hang-up"
# The link's end reaches the tray at the next monitor tick.
wait_until 50 has_tip_after "$hangup_at" '^Pontavi! - Not Connected$' ||
    fail "no tip 'Pontavi! - Not Connected' after the hang-up"

tips=$(desktop_lines tip)
notes=$(desktop_lines notify)
[ "$(printf '%s\n' "$notes" | wc -l)" -eq 1 ] || fail "notifications: $notes"
[ "$notes" = $'3 new messages\tFrom: cy@example.test\\nSubject: Tickets' ] ||
    fail "the notification reads '$notes'"
waiting=$(printf '%s\n' "$tips" | grep -E '^3 Messages Waiting \([0-9]{1,2}:[0-9]{2}:[0-9]{2}( ?[A-Za-z.]+)?\)$') ||
    fail "no tip '3 Messages Waiting (time)'; tips: $(printf '%s\n' "$tips" | tr '\n' '|')"
notified_at=$(desktop_time notify '.')
# The tips in the order the user saw them. ("Pontavi! - Connected" lasts
# only until the mail check, in the same loop turn: the tray host may never
# read it.)
expected=("Pontavi! - Not Connected" "Connecting to check mail" "Checking Mail at Box" "3 Messages Waiting" "Pontavi! - Not Connected")
at=0
for want in "${expected[@]}"; do
    line=$(printf '%s\n' "$tips" | tail -n +$((at + 1)) | grep -n -m1 -F "$want" | cut -d: -f1)
    [ -n "$line" ] || fail "tip '$want' missing or out of order; tips: $(printf '%s\n' "$tips" | tr '\n' '|')"
    at=$((at + line))
done
[ ! -e "$work/mailer.log" ] || fail "the mail program ran on a line dialled to check mail"
# dovecot read the headers of all three messages and deleted nothing.
grep -q 'top=3/' "$work/dovecot.log" || fail "dovecot saw no 'top' of 3 messages"
grep -q 'del=0/3' "$work/dovecot.log" || fail "dovecot reports deletions"
[ "$(grep -c 'Login: user=<joe>' "$work/dovecot.log")" -eq 1 ] ||
    fail "the mailbox with CR LF in its password reached dovecot: $(grep 'Login:' "$work/dovecot.log")"
[ "$(ls "$work/mail/joe/Maildir/new" "$work/mail/joe/Maildir/cur" | grep -c pontavi)" -eq 3 ] ||
    fail "a message file is gone"
echo "   dial $waited_ms ms after the start; tips: $(printf '%s\n' "$tips" | tr '\n' '|')"
echo "   $waiting; notification: $notes"

echo "== 2. the user's own link, one more message: alert, mail program, no hang-up"
dovecot_message joe 4 "dan@example.test" "Agenda" "<4@example.test>"
"$holder" ppp0 &
others+=($!)
wait_until 50 ip link show ppp0 >/dev/null 2>&1 || fail "cannot make ppp0"
ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0 || fail "cannot give ppp0 an address"
ip link set ppp0 up || fail "cannot bring ppp0 up"
wait_until 300 has_desktop tip '^4 Messages Waiting' || fail "no tip '4 Messages Waiting (time)' within 30 s"
wait_until 50 test -e "$work/mailer.log" || fail "the mail program was not started after new mail"
# The notification goes out on a worker thread: it may come after the start.
wait_until 50 has_desktop notify '^1 new message$' || fail "no notification of the new message"
notes=$(desktop_lines notify | tail -n 1)
[ "$notes" = $'1 new message\tFrom: dan@example.test\\nSubject: Agenda' ] ||
    fail "the second notification reads '$notes'"
sleep 2  # a hang-up would come at once; a slower machine can only make this pass
[ "$(grep -c ' start ' "$work/pppd.log")" -eq 1 ] || fail "the program dialled for the user's link"
link_up || fail "the user's link was taken down"
terminate_program "$pid"
pid=""

echo "PASS: dialled $waited_ms ms after the start; ppp0 up $((up_at - dial_at)) ms after the dial; notification $((notified_at - up_at)) ms after link up; hang-up (SIGTERM) $((hangup_at - up_at)) ms after link up; dial to hang-up $((hangup_at - dial_at)) ms. The user's link: 4 waiting, 1 alerted, mail program started, link kept."
exit 0

#!/usr/bin/env bash
# The whole program checking mail over TLS, in private network and mount
# namespaces with host names of their own:
#   - pop.pontavi.test (127.0.0.11): a TLS-only dovecot (POP3S on 995, no
#     login before TLS) whose certificate is signed by a CA made here; the
#     program trusts that CA through SSL_CERT_FILE alone;
#   - self.pontavi.test (127.0.0.2): a relay recording what the program sends,
#     in front of a second dovecot (127.0.0.12) offering STLS with a
#     self-signed certificate;
#   - registry.ini lists a "STARTTLS" mailbox at self.pontavi.test first, then
#     a "TLS" mailbox at pop.pontavi.test holding three messages;
#   - a private session bus carries a stand-in desktop recording every
#     notification and tray tip.
# The user brings a link (ppp0) up; the connect actions start a cycle. The
# bad certificate ends its mailbox's session: the "Mail Errors Report" window
# opens (its title is read from the X server) and the second dovecot never
# sees that user, nothing but CAPA and STLS crossed in clear. The report does
# not hold the cycle's end: while it is still open, the tip reads
# "3 Messages Waiting (time)" and the notification names the newest message
# of the TLS mailbox, whose login the TLS-only server logged. Then the user
# closes the report and it is gone.
#
# usage: program_mail_tls.sh <pontavi> <ppp_netns_tun_holder> <scramble_password>
#                            <fake_desktop_bus.py>
# Exit 0 pass, 1 fail, 77 when namespaces, tun, Xvfb, xdotool, dovecot,
# openssl or D-Bus are missing.
set -uo pipefail

if [ $# -lt 4 ]; then
    echo "usage: $0 <pontavi> <ppp_netns_tun_holder> <scramble_password> <fake_desktop_bus.py>" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
source "$here/program_lib.sh"
if [ -z "${PROGRAM_MAIL_TLS_IN_NETNS:-}" ]; then
    require_mail_program_peers xwininfo xdotool openssl
    PROGRAM_MAIL_TLS_IN_NETNS=1 exec timeout -k 5 90 unshare -n -m bash "$0" "$@"
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
    kill_and_reap "$pid" "${others[@]}" "$xvfb_pid"
    dovecot_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    show_logs 12 program.log desktop.log tls/dovecot.log self/dovecot.log
    exit 1
}
source "$here/dovecot_lib.sh"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
begun=$(now_ms)

# ---- certificates, host names, the two servers and the recording relay
certs=$work/certs
{ dovecot_ca "$certs" && dovecot_cert "$certs" pop pop.pontavi.test &&
    dovecot_cert "$certs" self self.pontavi.test self; } || fail "openssl: $(cat "$certs"/*.err)"
mkdir "$certs/none"
dovecot_hosts "127.0.0.11 pop.pontavi.test" "127.0.0.2 self.pontavi.test" ||
    fail "cannot map the host names"

victim_secret=Never-In-Clear-5q2w
dovecot_user joe secret
dovecot_user victim "$victim_secret"
dovecot_message joe 1 "ann@example.test" "Lunch" "<1@example.test>"
dovecot_message joe 2 "bob@example.test" "Minutes" "<2@example.test>"
dovecot_message joe 3 "cy@example.test" "Tickets" "<3@example.test>"
dovecot_message victim 1 "v@example.test" "Never listed" "<v@example.test>"
# The program connects from 127.0.0.1: neither server listens there, so
# dovecot never takes a connection as secure without TLS.
dovecot_start 110 name=tls listen=127.0.0.11 ssl=required debug=1 pop3s=995 \
    cert="$certs/pop.pem" key="$certs/pop.key" || fail "the TLS-only dovecot did not start"
dovecot_start 110 name=self listen=127.0.0.12 ssl=yes debug=1 \
    cert="$certs/self.pem" key="$certs/self.key" || fail "the self-signed dovecot did not start"
mkdir "$work/relay"
/usr/bin/python3 "$here/tcp_relay.py" 127.0.0.2 127.0.0.12 "$work/relay" 80 110 2>"$work/relay.err" &
others+=($!)
wait_until 150 test -e "$work/relay/ready" || fail "the relay did not start: $(cat "$work/relay.err")"

# ---- the desktop and the X display
start_desktop "$desktop"
start_xvfb

# ---- the settings as the program stores them: mail checking on, the
# notification on, no mail program, no dialling of its own.
joe_password=$("$scramble" secret) || fail "cannot scramble a password"
victim_password=$("$scramble" "$victim_secret") || fail "cannot scramble a password"
cat >"$work/home/registry.ini" <<EOF
["Mail"]
"CheckMail"="1"
"Notify"="1"
"AutoRun"="0"
"PlayWav"="0"
["MailServers"]
"0"="Selfish"
"1"="Secure"
["Selfish"]
"Name"="Selfish"
"Server"="self.pontavi.test"
"UserName"="victim"
"Password"="$victim_password"
"Security"="STARTTLS"
["Secure"]
"Name"="Secure"
"Server"="pop.pontavi.test"
"UserName"="joe"
"Password"="$joe_password"
"Security"="TLS"
EOF

# Only the test CA is trusted: the file, and no directory of the machine's.
SSL_CERT_FILE="$certs/ca.pem" SSL_CERT_DIR="$certs/none" \
    PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    "$program" >"$work/program.log" 2>&1 &
pid=$!
wait_for_ident_port "$pid"
wait_until 200 has_desktop tip 'Not Connected' ||
    fail "the tray icon did not register with the tray host (tips: $(desktop_lines tip | tr '\n' '|'))"
ready=$(now_ms)

echo "== the user's link comes up: one cycle over both mailboxes"
"$holder" ppp0 &
others+=($!)
wait_until 150 ip link show ppp0 >/dev/null 2>&1 || fail "cannot make ppp0"
ip addr add 10.99.0.1 peer 10.99.0.2 dev ppp0 || fail "cannot give ppp0 an address"
ip link set ppp0 up || fail "cannot bring ppp0 up"
up_at=$(now_ms)

report_open() { [ -n "$(viewable_windows "Mail Errors Report")" ]; }
# The tip a cycle ends with; a cycle without errors sets it at once.
cycle_ended() { has_desktop tip 'Messages Waiting|^No Messages'; }
wait_until 300 eval 'report_open || cycle_ended' ||
    fail "no 'Mail Errors Report' window within 30 s of ppp0 coming up (tips: $(desktop_lines tip | tr '\n' '|'); windows: $(xwininfo -root -tree | grep -o '"[^"]*":' | sort -u | tr '\n' ' '))"
report_at=$(now_ms)
# The report comes first at the end of a cycle, and the rest of the end
# follows without waiting for it: the final tip and the notification arrive
# while it is still open.
wait_until 200 report_open || fail "the cycle ended without an errors report (tips: $(desktop_lines tip | tr '\n' '|'))"
report=$(viewable_windows "Mail Errors Report" | head -n 1)
wait_until 200 cycle_ended || fail "the cycle did not end within 20 s while the errors report was open (tips: $(desktop_lines tip | tr '\n' '|'))"
# The notification goes out on a worker thread: it may come after the tip.
wait_until 200 has_desktop notify '.' || fail "no notification within 20 s while the errors report was open"
report_open || fail "the errors report closed on its own"
[ "$(viewable_windows "Mail Errors Report" | wc -l)" -eq 1 ] ||
    fail "more than one errors report window: $(viewable_windows "Mail Errors Report" | tr '\n' ' ')"
notified_at=$(desktop_time notify '.')
tips_checking=$(desktop_lines tip | grep -c '^Checking Mail at ')

# The bad certificate ended that session before any login: the relay saw the
# one connection end with CAPA and STLS as the only clear text, the server
# saw the program break off the handshake and never heard of the user.
wait_until 150 test -e "$work/relay/110.1.done" || fail "the relayed connection is still open"
[ "$(ls "$work"/relay/*.sent | wc -l)" -eq 1 ] || fail "relayed connections: $(ls "$work/relay")"
clear=$(dovecot_clear_commands "$work/relay/110.1.sent" | tr '\n' ' ')
[ "$clear" = "capa stls " ] || fail "sent in clear to the self-signed server: $clear"
grep -qa -- "$victim_secret" "$work/relay/110.1.sent" && fail "the password crossed the relay"
wait_until 150 grep -q 'SSL_accept() failed' "$work/self/dovecot.log" ||
    fail "the self-signed server saw no broken-off handshake"
grep -q victim "$work/self/dovecot.log" && fail "the self-signed server saw the user: $(grep victim "$work/self/dovecot.log")"

echo "   'Mail Errors Report' open $((report_at - up_at)) ms after ppp0 came up; the user closes it"
# Keyboard input goes to the focused window; without a window manager the
# report has to be given the focus first.
xdotool windowfocus --sync "$report" key Return >"$work/xdotool.log" 2>&1 ||
    fail "xdotool: $(cat "$work/xdotool.log")"
wait_until 150 eval '! report_open' || fail "the errors report is still open 15 s after Return"

notes=$(desktop_lines notify)
[ "$notes" = $'3 new messages\tFrom: cy@example.test\\nSubject: Tickets' ] ||
    fail "the notification reads '$notes'"
waiting=$(desktop_lines tip | grep -E '^3 Messages Waiting \([0-9]{1,2}:[0-9]{2}:[0-9]{2}( ?[A-Za-z.]+)?\)$') ||
    fail "no tip '3 Messages Waiting (time)'; tips: $(desktop_lines tip | tr '\n' '|')"
[ "$tips_checking" -ge 1 ] || fail "no 'Checking Mail at' tip during the cycle"

# The TLS mailbox was read over TLS: the server logged a TLS login of joe,
# read the three headers and deleted nothing.
grep -q 'Login: user=<joe>.*TLS' "$work/tls/dovecot.log" || fail "the TLS-only server logged no TLS login of joe"
grep -q 'top=3/' "$work/tls/dovecot.log" || fail "the TLS-only server saw no 'top' of 3 messages"
grep -q 'del=0/3' "$work/tls/dovecot.log" || fail "the TLS-only server reports deletions"
grep -q victim "$work/tls/dovecot.log" && fail "the TLS-only server saw the other mailbox's user"
terminate_program "$pid"
pid=""
grep -q victim "$work/self/dovecot.log" && fail "the self-signed server saw the user after the cycle"

echo "PASS: errors report $((report_at - up_at)) ms after link up; $waiting; notification '${notes//$'\t'/ | }' $((notified_at - up_at)) ms after link up (report still open, closed after); program ready $((ready - begun)) ms, whole test $(($(now_ms) - begun)) ms"
exit 0

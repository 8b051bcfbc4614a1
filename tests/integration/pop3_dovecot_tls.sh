#!/usr/bin/env bash
# The POP3 check over TLS against real POP3 servers: dovecot instances on
# loopback in a private network and mount namespace, with a certificate chain
# made here by the openssl command line and test host names mapped by a hosts
# file of the namespace's own. The program trusts the test CA alone
# (SSL_CERT_FILE, through OpenSSL's default verify paths).
#
#   pop.pontavi.test    127.0.0.11  TLS only (ssl = required), CA-signed
#                                   certificate; STLS on 110, POP3S on 995 and 1995
#   self.pontavi.test   127.0.0.2   self-signed certificate (behind a relay)
#   wrong.pontavi.test  127.0.0.3   CA-signed certificate for another host name
#   plain.pontavi.test  127.0.0.4   no TLS at all, so no STLS (behind a relay)
#   old.pontavi.test    127.0.0.5   openssl s_server speaking TLS 1.1 only,
#                                   CA-signed certificate
#   stall.pontavi.test  127.0.0.6   a server that never answers the handshake
#                                   (POP3S on 995; STLS accepted on 110)
# dovecot takes a connection whose two ends have the same address as secure
# without TLS; the program connects from 127.0.0.1, so no server listens there.
#
# POP3S and STARTTLS cycles must list exactly what the clear-text cycle lists;
# a bad certificate, a server without STLS or TLS 1.2, or one that stalls
# the handshake (the connect time-out covers it) gives one error entry and the
# password never leaves the program: no server log names the user and the
# relays record no command after CAPA/STLS; a mixed list with a clear-text
# entry goes on past every failure.
#
# usage: pop3_dovecot_tls.sh <pop3_check_probe>
# Exit 0 pass, 1 fail, 77 when namespaces, dovecot, openssl or python3 are
# not available.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pop3_check_probe>" >&2
    exit 2
fi

if [ -z "${POP3_TLS_TEST_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n -m true 2>/dev/null; then
        echo "SKIP: network and mount namespaces are not permitted here (unshare -n -m failed)" >&2
        exit 77
    fi
    if ! command -v dovecot >/dev/null || [ ! -x /usr/lib/dovecot/pop3 ]; then
        echo "SKIP: dovecot is missing (Debian: dovecot-pop3d)" >&2
        exit 77
    fi
    for tool in openssl /usr/bin/python3; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIP: dovecot needs root to switch to the mail user" >&2
        exit 77
    fi
    POP3_TLS_TEST_IN_NETNS=1 exec timeout -k 5 100 unshare -n -m bash "$0" "$@"
fi

probe=$1
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$probe" ] || { echo "FAIL: not executable: $probe" >&2; exit 1; }
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
source "$here/dovecot_lib.sh"
peer_pids=()
cleanup() {
    local pid
    for pid in "${peer_pids[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    dovecot_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    local log
    for log in "$work"/*/dovecot.log; do
        echo "--- $log (last lines):" >&2
        tail -8 "$log" >&2
    done
    exit 1
}

certs=$work/certs
secret=Never-In-Clear-7g3k
# The probe's port argument is the clear-text port; POP3S takes 995 by
# default or the port the Server field names.
port=110

# ---- certificates, host names, servers
{ dovecot_ca "$certs" &&
    dovecot_cert "$certs" pop pop.pontavi.test &&
    dovecot_cert "$certs" self self.pontavi.test self &&
    dovecot_cert "$certs" other other.pontavi.test &&
    dovecot_cert "$certs" old old.pontavi.test; } || fail "openssl: $(cat "$certs"/*.err)"
mkdir -p "$certs/none"
dovecot_hosts "127.0.0.11 pop.pontavi.test" "127.0.0.2 self.pontavi.test" \
    "127.0.0.3 wrong.pontavi.test" "127.0.0.4 plain.pontavi.test" "127.0.0.5 old.pontavi.test" \
    "127.0.0.6 stall.pontavi.test" || fail "cannot map the host names"

long_subject=$(printf 'L%.0s' $(seq 1 300))
long_header="X-Long: $(printf 'h%.0s' $(seq 1 5000))"
dovecot_user many secret
dovecot_user one secret
dovecot_user victim "$secret"
for n in $(seq 1 200); do
    id=""
    [ $((n % 2)) -eq 0 ] && id="<m$n@example.test>"
    subject="Message $n"
    extra=""
    [ $((n % 50)) -eq 0 ] && subject="$long_subject"
    [ $((n % 70)) -eq 0 ] && extra="$long_header"
    dovecot_message many "$n" "sender$n@example.test" "$subject" "$id" "$extra"
done
for n in 1 2 3; do
    dovecot_message one "$n" "one$n@example.test" "One $n" "<one$n@example.test>"
done
dovecot_message victim 1 "v@example.test" "Never listed" "<v@example.test>"

dovecot_start "$port" name=tls listen=127.0.0.11 ssl=required debug=1 \
    cert="$certs/pop.pem" key="$certs/pop.key" pop3s=995,1995 || fail "dovecot tls did not start"
dovecot_start "$port" name=self listen=127.0.0.12 ssl=yes debug=1 \
    cert="$certs/self.pem" key="$certs/self.key" pop3s=1995 || fail "dovecot self did not start"
dovecot_start "$port" name=wrong listen=127.0.0.3 ssl=yes debug=1 \
    cert="$certs/other.pem" key="$certs/other.key" pop3s=995 || fail "dovecot wrong did not start"
dovecot_start "$port" name=plain listen=127.0.0.14 debug=1 || fail "dovecot plain did not start"

# Relays in front of the self-signed and the clear-text server record every
# byte the program sends there.
start_relay() {
    local listen=$1 upstream=$2 dir=$3 i
    shift 3
    mkdir -p "$dir"
    /usr/bin/python3 "$here/tcp_relay.py" "$listen" "$upstream" "$dir" 120 "$@" \
        2>"$dir.err" &
    peer_pids+=($!)
    for i in $(seq 1 50); do
        [ -e "$dir/ready" ] && return 0
        sleep 0.1
    done
    fail "relay $listen did not start: $(cat "$dir.err")"
}
start_relay 127.0.0.2 127.0.0.12 "$work/relay-self" 110 1995
start_relay 127.0.0.4 127.0.0.14 "$work/relay-plain" 110

# Waits (at most 5 s) until the relays have seen every connection end.
relays_settled() {
    local i sent done
    for i in $(seq 1 50); do
        sent=$(ls "$work"/relay-*/*.sent 2>/dev/null | wc -l)
        done=$(ls "$work"/relay-*/*.done 2>/dev/null | wc -l)
        [ "$sent" -eq "$done" ] && return 0
        sleep 0.1
    done
    fail "a relayed connection is still open 5 s after the probe ended"
}

# run_probe <label> <cycles> <mailbox>...: the probe's output in $work/<label>.out
probe_options=()
run_probe() {
    local label=$1
    shift
    SSL_CERT_FILE="$certs/ca.pem" SSL_CERT_DIR="$certs/none" timeout -k 2 40 \
        "$probe" "${probe_options[@]}" "$port" "$@" >"$work/$label.out" 2>&1 ||
        fail "$label: the probe failed: $(tail -5 "$work/$label.out")"
    grep -q '^handler-error' "$work/$label.out" &&
        fail "$label: handler errors: $(grep '^handler-error' "$work/$label.out")"
    relays_settled
}

# The output without timings and memory, for comparing runs.
normalized() {
    sed -e 's/ ms .*$//' -e '/^peak-kb /d' "$work/$1.out"
}

# ---- the clear-text reference, then POP3S and STARTTLS on the TLS-only server
run_probe clear 2 "Many=plain.pontavi.test,many,secret"
grep -qx 'cycle 1 total 200 new 100 rows 200' <(normalized clear) ||
    fail "clear-text reference: $(grep '^cycle' "$work/clear.out")"
grep -q 'pass secret' "$work"/relay-plain/*.sent ||
    fail "the relay did not record the clear-text password: the checks below would prove nothing"

for case in "pop3s|Many=pop.pontavi.test,many,secret,TLS" \
    "pop3s-port|Many=pop.pontavi.test:1995,many,secret,TLS" \
    "starttls|Many=pop.pontavi.test,many,secret,STARTTLS"; do
    label=${case%%|*}
    run_probe "$label" 2 "${case#*|}"
    diff <(normalized clear) <(normalized "$label") >"$work/$label.diff" ||
        fail "$label lists other than clear text: $(head -6 "$work/$label.diff")"
done
grep -q 'Login: user=<many>.*TLS' "$work/tls/dovecot.log" ||
    fail "the TLS-only server logged no TLS login of many"
# The TLS-only server really refuses clear text, so the runs above used TLS.
run_probe refused 1 "Refused=pop.pontavi.test,many,secret,None"
grep -q '^error -ERR .*@Refused$' "$work/refused.out" ||
    fail "the TLS-only server took a clear-text login: $(cat "$work/refused.out")"

# ---- failures: one error entry each, nothing after the handshake
rm -f "$work"/relay-*/*.sent "$work"/relay-*/*.done
# A server that offers nothing newer than TLS 1.1 (for one connection; it
# prints whatever a client sends it after a handshake).
timeout -k 2 60 openssl s_server -quiet -naccept 1 -accept 127.0.0.5:995 -tls1_1 \
    -cipher 'DEFAULT:@SECLEVEL=0' -cert "$certs/old.pem" -key "$certs/old.key" \
    </dev/null >"$work/old.out" 2>&1 &
peer_pids+=($!)
for i in $(seq 1 50); do
    [ -n "$(ss -Hltn 'src 127.0.0.5:995' 2>/dev/null)" ] && break
    sleep 0.1
done
# Servers that stall the handshake; the connect time-out must cover it.
for stall in "tls 995" "stls 110"; do
    set -- $stall
    /usr/bin/python3 "$here/stalling_pop3.py" 127.0.0.6 "$2" "$1" "$work/stall-$1.sent" 60 \
        2>"$work/stall-$1.err" &
    peer_pids+=($!)
done
for i in $(seq 1 50); do
    [ -e "$work/stall-tls.sent.ready" ] && [ -e "$work/stall-stls.sent.ready" ] && break
    sleep 0.1
done
# label|mailbox|what the entry must say (extended regular expression)
failures=(
    "SelfSigned|self.pontavi.test:1995,victim,$secret,TLS|certificate verify failed: self-signed"
    "WrongHost|wrong.pontavi.test,victim,$secret,TLS|certificate verify failed: hostname mismatch"
    "StlsSelfSigned|self.pontavi.test,victim,$secret,STARTTLS|certificate verify failed: self-signed"
    "StlsWrongHost|wrong.pontavi.test,victim,$secret,STARTTLS|certificate verify failed: hostname mismatch"
    "NoStls|plain.pontavi.test,victim,$secret,STARTTLS|STLS|STARTTLS"
    "OldTls|old.pontavi.test,victim,$secret,TLS|."
    "Stalled|stall.pontavi.test,victim,$secret,TLS|Connection Timed Out"
    "StlsStalled|stall.pontavi.test,victim,$secret,STARTTLS|Connection Timed Out"
)
for case in "${failures[@]}"; do
    IFS='|' read -r label box text <<<"$case"  # the pattern keeps any further |
    probe_options=()
    [[ $label == *Stalled ]] && probe_options=(--connect-timeout=2)
    run_probe "$label" 1 "$label=$box"
    grep -qx 'cycle 1 total 0 new 0 rows 1' <(normalized "$label") ||
        fail "$label: $(grep '^cycle' "$work/$label.out")"
    [ "$(grep -c '^error ' "$work/$label.out")" -eq 1 ] ||
        fail "$label: not one error entry: $(grep '^error ' "$work/$label.out")"
    grep -Eq "^error -ERR .*($text).*@$label\$" "$work/$label.out" ||
        fail "$label: entry $(grep '^error ' "$work/$label.out") does not match '$text'"
done
# Each TLS attempt reached its server (on the port named or the default one)
# and the program broke off the handshake there.
for server in self wrong; do
    [ "$(grep -c 'Info: Disconnected: .*TLS handshaking: SSL_accept() failed' \
        "$work/$server/dovecot.log")" -eq 2 ] ||
        fail "$server: the server did not see two broken-off handshakes"
done
probe_options=()
# What crossed the relays and reached the stalling servers in clear: nothing
# but CAPA, STLS and QUIT. Two connections went to the self-signed server,
# one to the clear-text one.
[ "$(ls "$work"/relay-self/*.sent | wc -l)" -eq 2 ] && [ "$(ls "$work"/relay-plain/*.sent | wc -l)" -eq 1 ] ||
    fail "relayed connections: $(cd "$work" && ls relay-*/*.sent | tr '\n' ' ')"
grep -qa '^STLS' "$work/stall-stls.sent" || fail "the stalling server saw no STLS"
for record in "$work"/relay-*/*.sent "$work"/stall-*.sent; do
    bad=$(dovecot_clear_commands "$record" | grep -Evx 'capa|stls|quit')
    [ -z "$bad" ] || fail "sent in clear to ${record#"$work"/}: $bad"
done
grep -qa -- "$secret" "$work"/relay-*/*.sent && fail "the password crossed a relay"
grep -qai -e victim -e "$secret" "$work/old.out" "$work"/stall-*.sent &&
    fail "the TLS 1.1 or a stalling server got the login"

# ---- one mixed list: the clear-text entry and the good ones go on past every failure
run_probe mixed 1 "Clear=plain.pontavi.test,one,secret,None" \
    "Pop3s=pop.pontavi.test,one,secret,TLS" \
    "SelfSigned=self.pontavi.test:1995,victim,$secret,TLS" \
    "StartTls=pop.pontavi.test,one,secret,STARTTLS" \
    "WrongHost=wrong.pontavi.test,victim,$secret,TLS" \
    "NoStls=plain.pontavi.test,victim,$secret,STARTTLS" \
    "Last=pop.pontavi.test:1995,one,secret,TLS"
grep -qx 'cycle 1 total 12 new 3 rows 12' <(normalized mixed) ||
    fail "mixed list: $(grep '^cycle' "$work/mixed.out")"
printf 'error %s\n' "-ERR @SelfSigned" "-ERR @WrongHost" "-ERR @NoStls" >"$work/mixed.errors"
diff "$work/mixed.errors" <(grep '^error ' "$work/mixed.out" | sed 's/^error -ERR .*@/error -ERR @/') \
    >/dev/null || fail "mixed list errors: $(grep '^error ' "$work/mixed.out")"
for name in Clear Pop3s StartTls Last; do
    for n in 1 2 3; do
        printf 'row one%s@example.test\tOne %s\t%s\n' "$n" "$n" "$name"
    done
done >"$work/mixed.rows"
diff "$work/mixed.rows" <(grep '^row ' "$work/mixed.out") >"$work/mixed.diff" ||
    fail "mixed list rows: $(head -6 "$work/mixed.diff")"

# ---- the password of the failing entries never reached any server
grep -l 'victim' "$work"/*/dovecot.log >"$work/victim.logs" &&
    fail "a server saw the user of a failing entry: $(cat "$work/victim.logs")"
grep -qa -- "$secret" "$work"/relay-*/*.sent && fail "the password crossed a relay"

echo "PASS: POP3S and STARTTLS list what clear text lists; bad certificates, TLS 1.1, a stalled handshake and a server without STLS give one entry each and never see the password"

#!/usr/bin/env bash
# The POP3 check session against a real POP3 server: dovecot on loopback in a
# private network namespace, with mailboxes of 0, 1 and 500 messages (with and
# without Message-ID, long and folded headers, header lines of 10 KB and of
# 1 MB, longer than the session's read buffer) and a mailbox with a wrong
# password. Checks every grid row, the counts, the error entry, and that a
# second cycle finds nothing new. Then the same two cycles with and without
# the header cache on twin mailboxes that change between them: the same rows,
# counts and entries, and the cached cycle asks TOP only for the new mail.
#
# usage: pop3_dovecot.sh <pop3_check_probe>
# Exit 0 pass, 1 fail, 77 when namespaces or dovecot are not available.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pop3_check_probe>" >&2
    exit 2
fi

if [ -z "${POP3_TEST_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n true 2>/dev/null; then
        echo "SKIP: network namespaces are not permitted here (unshare -n failed)" >&2
        exit 77
    fi
    if ! command -v dovecot >/dev/null || [ ! -x /usr/lib/dovecot/pop3 ]; then
        echo "SKIP: dovecot is missing (Debian: dovecot-pop3d)" >&2
        exit 77
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIP: dovecot needs root to switch to the mail user" >&2
        exit 77
    fi
    POP3_TEST_IN_NETNS=1 exec timeout -k 5 240 unshare -n bash "$0" "$@"
fi

probe=$1
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$probe" ] || { echo "FAIL: not executable: $probe" >&2; exit 1; }
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
source "$here/dovecot_lib.sh"
relay_pid=""
cleanup() {
    [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null
    dovecot_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    echo "--- dovecot log (last lines):" >&2
    tail -20 "$work/dovecot.log" >&2 2>/dev/null
    exit 1
}

port=1110
long_subject=$(printf 'L%.0s' $(seq 1 300))
folded_refs="References: <a@x>"$'\r\n'" <b@x>"$'\r\n'" <c@x>"
long_header="X-Long: $(head -c 10240 /dev/zero | tr '\0' h)"
huge_header="X-Huge: $(head -c 1048576 /dev/zero | tr '\0' h)"

dovecot_user empty secret
dovecot_user one secret
dovecot_user many secret
dovecot_message one 1 "solo@example.test" "Only one" "<solo@example.test>" "$folded_refs"
: >"$work/expected"
for n in $(seq 1 500); do
    if [ $((n % 2)) -eq 0 ]; then
        id="<m$n@example.test>"
    else
        id=""
    fi
    subject="Message $n"
    extra=""
    [ $((n % 50)) -eq 0 ] && subject="$long_subject"
    [ $((n % 70)) -eq 0 ] && extra="$long_header"
    [ "$n" -eq 250 ] && extra="$huge_header"
    dovecot_message many "$n" "sender$n@example.test" "$subject" "$id" "$extra"
    printf 'row sender%s@example.test\t%s\tMany\n' "$n" "${subject:0:255}" >>"$work/expected"
done
printf 'row solo@example.test\tOnly one\tOne\n' >>"$work/expected"
for twin in twin1 twin2; do
    dovecot_user "$twin" secret
    for n in $(seq 1 40); do
        id="<t$n@example.test>"
        [ $((n % 3)) -eq 0 ] && id=""
        dovecot_message "$twin" "$n" "twin$n@example.test" "Twin $n" "$id"
    done
done
# Between cycles: message 7 goes, three arrive.
{
    printf 'work=%q\nsource %q\n' "$work" "$here/dovecot_lib.sh"
    printf 'rm -f "$work/mail/$1/Maildir/"{new,cur}/1700000000.M000007P1.pontavi*\n'
    printf 'for n in 41 42 43; do dovecot_message "$1" $n "late$n@x.test" "Late $n" "<l$n@x.test>"; done\n'
    printf 'chown -R "$dovecot_uid:$dovecot_gid" "$work/mail/$1"\n'
} >"$work/between.sh"

dovecot_start "$port" || fail "dovecot did not start"

"$probe" "$port" 2 "Empty=127.0.0.1,empty,secret" "Many=127.0.0.1,many,secret" \
    "Wrong=127.0.0.1,many,not-the-password" "One=127.0.0.1,one,secret" \
    >"$work/out" 2>&1 || { cat "$work/out" >&2; fail "the probe failed"; }

grep -q '^handler-error' "$work/out" && fail "handler errors: $(grep '^handler-error' "$work/out")"
# 501 waiting, 250 + 1 with a Message-ID are new in the first cycle, none in the second.
grep -qx 'cycle 1 total 501 new 251 rows 501 ms .*' "$work/out" ||
    fail "first cycle: $(grep '^cycle 1' "$work/out")"
grep -qx 'cycle 2 total 501 new 0 rows 501 ms .*' "$work/out" ||
    fail "second cycle: $(grep '^cycle 2' "$work/out")"
[ "$(grep -c '^error ' "$work/out")" -eq 2 ] || fail "errors: $(grep '^error ' "$work/out")"
grep -q '^error -ERR \[AUTH\] Authentication failed.@Wrong$' "$work/out" ||
    grep -q '^error -ERR .*@Wrong$' "$work/out" || fail "no entry for the wrong password"
grep '^row ' "$work/out" | sort >"$work/got.sorted"
sort "$work/expected" >"$work/expected.sorted"
diff "$work/expected.sorted" "$work/got.sorted" >"$work/diff" ||
    fail "grid rows differ from the mailboxes: $(head -5 "$work/diff")"
# Mailboxes in list order: Many's rows first, One's last.
[ "$(grep '^row ' "$work/out" | tail -1 | cut -f3)" = "One" ] || fail "One is not last"

# The twins through a relay that records what the probe sends: connections
# 1 and 2 without the cache, 3 and 4 with it.
mkdir "$work/sent"
python3 "$here/tcp_relay.py" 127.0.0.2 127.0.0.1 "$work/sent" 120 "$port" &
relay_pid=$!
for _ in $(seq 1 50); do [ -e "$work/sent/ready" ] && break; sleep 0.1; done
for twin in twin1 twin2; do
    options=(--no-cache)
    [ "$twin" = twin2 ] && options=()
    "$probe" "${options[@]}" --between="bash $work/between.sh $twin" "$port" 2 \
        "Twin=127.0.0.2,$twin,secret" >"$work/$twin" 2>&1 || fail "the probe failed on $twin"
    sed -E 's/ ms .*//' "$work/$twin" | grep -v '^peak-kb' >"$work/$twin.seen"
done
grep -qx 'cycle 2 total 42 new 3 rows 42' "$work/twin2.seen" ||
    fail "twin2's second cycle: $(grep '^cycle 2' "$work/twin2")"
diff "$work/twin1.seen" "$work/twin2.seen" >"$work/diff" ||
    fail "the cached cycles differ from the documented ones: $(head -5 "$work/diff")"
tops() { grep -c '^top ' < <(tr -d '\r' <"$work/sent/$port.$1.sent"); }
[ "$(tops 2)" -eq 42 ] && [ "$(tops 4)" -eq 3 ] ||
    fail "TOPs in the second cycles: $(tops 2) without the cache, $(tops 4) with it"

echo "PASS: dovecot mailboxes of 0, 1 and 500 messages listed; wrong password reported; nothing new twice; the cache changes nothing but the TOPs"

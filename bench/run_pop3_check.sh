#!/usr/bin/env bash
# One mail check cycle over a dovecot mailbox of many messages, next to
# `fetchmail --check` on the same mailbox: wall time, bytes on the loopback
# (both directions) and peak memory of each.
#
# usage: run_pop3_check.sh <pop3_check_probe-binary> [messages] [runs]
#
# Everything runs inside a private network namespace (made here with
# unshare -n). Exit 77: namespaces, dovecot or fetchmail are not available.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pop3_check_probe-binary> [messages] [runs]" >&2
    exit 2
fi

if [ -z "${POP3_BENCH_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n true 2>/dev/null; then
        echo "SKIP: network namespaces are not permitted here (unshare -n failed)" >&2
        exit 77
    fi
    for tool in dovecot fetchmail; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    POP3_BENCH_IN_NETNS=1 exec unshare -n bash "$0" "$@"
fi

probe=$1
messages=${2:-10000}
runs=${3:-3}
port=1110
here=$(cd "$(dirname "$0")" && pwd)
ip link set lo up

work=$(mktemp -d)
source "$here/../tests/integration/dovecot_lib.sh"
trap 'dovecot_stop; rm -rf "$work"' EXIT

dovecot_user many secret
for n in $(seq 1 "$messages"); do
    dovecot_message many "$n" "sender$n@example.test" "Subject of message $n" "<m$n@example.test>"
done
dovecot_start "$port" || exit 1

# Bytes received on this namespace's loopback (both directions pass through it).
lo_bytes() { awk -F'[: ]+' '$2 == "lo" { print $3 }' /proc/net/dev; }

# A first cycle lets dovecot build its index, so every measured run finds
# the same warm mailbox.
"$probe" "$port" 1 "Many=127.0.0.1,many,secret" >/dev/null

cat >"$work/fetchmailrc" <<EOF
poll 127.0.0.1 port $port proto pop3 user "many" password "secret" sslproto ''
EOF
chmod 600 "$work/fetchmailrc"

echo "mailbox: $messages messages; $runs runs each"
for run in $(seq 1 "$runs"); do
    before=$(lo_bytes)
    /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$probe" "$port" 1 "Many=127.0.0.1,many,secret" \
        >"$work/probe.out"
    bytes=$(($(lo_bytes) - before))
    read -r seconds peak user sys <"$work/time"
    rows=$(sed -n 's/^cycle 1 total [0-9]* new [0-9]* rows \([0-9]*\) .*/\1/p' "$work/probe.out")
    echo "pontavi   run $run: ${seconds}s wall (${user}s user, ${sys}s sys), ${bytes} bytes on lo, peak ${peak} KiB, $rows rows"

    before=$(lo_bytes)
    HOME=$work /usr/bin/time -f '%e %M %U %S' -o "$work/time" fetchmail --check --nosyslog \
        -f "$work/fetchmailrc" -i "$work/fetchids" >"$work/fetchmail.out" 2>&1
    bytes=$(($(lo_bytes) - before))
    read -r seconds peak user sys <"$work/time"
    echo "fetchmail run $run: ${seconds}s wall (${user}s user, ${sys}s sys), ${bytes} bytes on lo, peak ${peak} KiB: $(grep -v WARNING "$work/fetchmail.out" | head -1)"
done

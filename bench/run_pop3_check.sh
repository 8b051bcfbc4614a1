#!/usr/bin/env bash
# One mail check cycle over a dovecot mailbox of many messages, next to
# `fetchmail --check` on the same mailbox: wall time, bytes on the loopback
# (both directions) and peak memory of each. Then the same cycle over TLS
# (POP3S and STARTTLS) against the clear-text one: the cost of a connection's
# handshake, measured on an empty mailbox, and the cost per message.
#
# usage: run_pop3_check.sh <pop3_check_probe-binary> [messages] [runs]
#
# Everything runs inside a private network and mount namespace (made here
# with unshare -n -m; a hosts file of its own names the test server). Exit 77:
# namespaces, dovecot, fetchmail or openssl are not available.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pop3_check_probe-binary> [messages] [runs]" >&2
    exit 2
fi

if [ -z "${POP3_BENCH_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n -m true 2>/dev/null; then
        echo "SKIP: namespaces are not permitted here (unshare -n -m failed)" >&2
        exit 77
    fi
    for tool in dovecot fetchmail openssl; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    POP3_BENCH_IN_NETNS=1 exec unshare -n -m bash "$0" "$@"
fi

probe=$1
messages=${2:-10000}
runs=${3:-3}
port=1110
pop3s_port=1995
handshake_cycles=21
host=pop.pontavi.test
here=$(cd "$(dirname "$0")" && pwd)
ip link set lo up

work=$(mktemp -d)
source "$here/../tests/integration/dovecot_lib.sh"
trap 'dovecot_stop; rm -rf "$work"' EXIT

certs=$work/certs
{ dovecot_ca "$certs" && dovecot_cert "$certs" pop "$host"; } || {
    cat "$certs"/*.err >&2
    exit 1
}
dovecot_hosts "127.0.0.1 $host" || exit 1
# The probe trusts the test CA alone.
export SSL_CERT_FILE=$certs/ca.pem SSL_CERT_DIR=$certs/none

dovecot_user empty secret
dovecot_user many secret
for n in $(seq 1 "$messages"); do
    dovecot_message many "$n" "sender$n@example.test" "Subject of message $n" "<m$n@example.test>"
done
dovecot_start "$port" ssl=yes cert="$certs/pop.pem" key="$certs/pop.key" pop3s="$pop3s_port" ||
    exit 1

# Bytes received on this namespace's loopback (both directions pass through it).
lo_bytes() { awk -F'[: ]+' '$2 == "lo" { print $3 }' /proc/net/dev; }

# The median of the numbers on stdin.
median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The mailbox argument of each way of connecting, for user $1.
mailbox() {
    case $2 in
    clear) echo "Box=$host,$1,secret" ;;
    pop3s) echo "Box=$host:$pop3s_port,$1,secret,TLS" ;;
    starttls) echo "Box=$host:$port,$1,secret,STARTTLS" ;;
    esac
}

# A first cycle lets dovecot build its index, so every measured run finds
# the same warm mailbox; it also shows that each way of connecting works.
for way in clear pop3s starttls; do
    "$probe" "$port" 1 "$(mailbox many $way)" >"$work/warm.out"
    if ! grep -q "^cycle 1 total $messages " "$work/warm.out" || grep -q '^error ' "$work/warm.out"; then
        echo "$way: the cycle did not list the mailbox:" >&2
        grep -E '^(cycle|error)' "$work/warm.out" >&2
        exit 1
    fi
done

cat >"$work/fetchmailrc" <<EOF
poll 127.0.0.1 port $port proto pop3 user "many" password "secret" sslproto ''
EOF
chmod 600 "$work/fetchmailrc"

# Each cycle's wall and CPU time (ms) as the probe measures them, one file
# per way of connecting: "wall cpu" per line.
for way in clear pop3s starttls; do
    : >"$work/cycle.$way"
done
cycle_times() { sed -n 's/^cycle \([0-9]*\) .* ms \([^ ]*\) cpu-ms \([^ ]*\)$/\1 \2 \3/p' "$1"; }

echo "mailbox: $messages messages; $runs runs each"
for run in $(seq 1 "$runs"); do
    for way in clear pop3s starttls; do
        before=$(lo_bytes)
        /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$probe" "$port" 1 "$(mailbox many $way)" \
            >"$work/probe.out"
        bytes=$(($(lo_bytes) - before))
        read -r seconds peak user sys <"$work/time"
        read -r _ ms cpu < <(cycle_times "$work/probe.out")
        echo "$ms $cpu" >>"$work/cycle.$way"
        printf 'pontavi %-8s run %s: %ss wall (%ss user, %ss sys), cycle %s ms (CPU %s ms), %s bytes on lo, peak %s KiB\n' \
            "$way" "$run" "$seconds" "$user" "$sys" "$ms" "$cpu" "$bytes" "$peak"
    done

    before=$(lo_bytes)
    HOME=$work /usr/bin/time -f '%e %M %U %S' -o "$work/time" fetchmail --check --nosyslog \
        -f "$work/fetchmailrc" -i "$work/fetchids" >"$work/fetchmail.out" 2>&1
    bytes=$(($(lo_bytes) - before))
    read -r seconds peak user sys <"$work/time"
    echo "fetchmail        run $run: ${seconds}s wall (${user}s user, ${sys}s sys), ${bytes} bytes on lo, peak ${peak} KiB: $(grep -v WARNING "$work/fetchmail.out" | head -1)"
done

# The handshake: whole sessions on the empty mailbox (connect, log in, STAT,
# QUIT), many cycles in one process; the first is left out (it loads the CA
# store and warms the caches).
for way in clear pop3s starttls; do
    "$probe" "$port" "$handshake_cycles" "$(mailbox empty $way)" >"$work/empty.out"
    cycle_times "$work/empty.out" | awk '$1 > 1 { print $2, $3 }' >"$work/session.$way"
done

# The smallest of the numbers on stdin.
minimum() { sort -g | head -1; }

# "wall cpu" of a file of "wall cpu" lines, each column reduced by $1
# (median or minimum).
reduce() { echo "$(cut -d' ' -f1 "$2" | $1) $(cut -d' ' -f2 "$2" | $1)"; }

# The summary under statistic $1: the clear-text figures, then each TLS way's
# with its handshake and per-message overhead.
summary() {
    local stat=$1 way session session_cpu cycle cycle_cpu
    read -r session_clear session_clear_cpu < <(reduce "$stat" "$work/session.clear")
    read -r cycle_clear cycle_clear_cpu < <(reduce "$stat" "$work/cycle.clear")
    printf '  %-8s session %7.2f (%5.2f)  cycle %8.1f (%6.1f)\n' clear "$session_clear" \
        "$session_clear_cpu" "$cycle_clear" "$cycle_clear_cpu"
    for way in pop3s starttls; do
        read -r session session_cpu < <(reduce "$stat" "$work/session.$way")
        read -r cycle cycle_cpu < <(reduce "$stat" "$work/cycle.$way")
        awk -v way="$way" -v n="$messages" \
            -v s="$session" -v sc="$session_clear" -v s_cpu="$session_cpu" -v sc_cpu="$session_clear_cpu" \
            -v c="$cycle" -v cc="$cycle_clear" -v c_cpu="$cycle_cpu" -v cc_cpu="$cycle_clear_cpu" 'BEGIN {
            h = s - sc; h_cpu = s_cpu - sc_cpu
            printf "  %-8s session %7.2f (%5.2f)  cycle %8.1f (%6.1f)  handshake %+.2f (%+.2f)  per message %+.1f us (%+.1f us CPU)\n",
                way, s, s_cpu, c, c_cpu, h, h_cpu, (c - cc - h) * 1000 / n, (c_cpu - cc_cpu - h_cpu) * 1000 / n
        }'
    done
}

echo
echo "a session on the empty mailbox over $((handshake_cycles - 1)) cycles, the $messages-message cycle over $runs runs; wall (CPU of the program) in ms"
echo "medians:"
summary median
# The least disturbed runs: on a shared machine the TLS runs, with one more
# process hop inside dovecot per round trip, spread far more than clear text.
echo "minimums:"
summary minimum

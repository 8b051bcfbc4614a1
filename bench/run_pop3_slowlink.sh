#!/usr/bin/env bash
# Mail check cycles over a slow link: dovecot behind slow_link_relay.py (a
# one-way delay and a bandwidth cap in each direction, a dial-up modem by
# default), mailboxes of 100 and 1,000 messages. For each: the first cycle of
# a run, a cycle with nothing new and a cycle after 5 messages arrived, in one
# probe process as the program runs them; then the same three with
# `fetchmail --check --uidl` over the same relay. For 100 messages also one
# cycle without the header cache (every header read, one command at a time).
# Wall time and bytes through the relay (both directions) of each cycle.
#
# usage: run_pop3_slowlink.sh <pop3_check_probe-binary> [delay-ms] [kbit/s] [sizes]
#   defaults: 150 ms, 56 kbit/s, sizes "100 1000"
#
# Runs inside a private network namespace (unshare -n). Exit 77: namespaces,
# dovecot, fetchmail or python3 are not available.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pop3_check_probe-binary> [delay-ms] [kbit/s] [sizes]" >&2
    exit 2
fi

if [ -z "${POP3_BENCH_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n true 2>/dev/null; then
        echo "SKIP: namespaces are not permitted here (unshare -n failed)" >&2
        exit 77
    fi
    for tool in dovecot fetchmail python3; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    POP3_BENCH_IN_NETNS=1 exec unshare -n bash "$0" "$@"
fi

probe=$(realpath "$1")
delay=${2:-150}
kbit=${3:-56}
sizes=${4:-100 1000}
port=1110
relay_port=2110
here=$(cd "$(dirname "$0")" && pwd)
lib=$here/../tests/integration/dovecot_lib.sh
ip link set lo up

work=$(mktemp -d)
source "$lib"
relay_pid=""
trap '[ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null; dovecot_stop; rm -rf "$work"' EXIT

for size in $sizes; do
    dovecot_user "box$size" secret
    for n in $(seq 1 "$size"); do
        dovecot_message "box$size" "$n" "sender$n@example.test" "Subject of message $n" \
            "<m$n.$size@example.test>"
    done
done
dovecot_start "$port" || exit 1

# Run between cycles with the user's name: nothing after the first call, 5 new
# messages after the second.
{
    printf '#!/usr/bin/env bash\nwork=%q\nsource %q\n' "$work" "$lib"
    cat <<'BETWEEN'
calls=$(($(cat "$work/calls.$1" 2>/dev/null || echo 0) + 1))
echo "$calls" >"$work/calls.$1"
[ "$calls" -eq 2 ] || exit 0
size=${1#box}
for n in $(seq $((size + 1)) $((size + 5))); do
    dovecot_message "$1" "$n" "late$n@example.test" "Late message $n" "<late$n.$size@example.test>"
done
chown -R "$dovecot_uid:$dovecot_gid" "$work/mail/$1"
BETWEEN
} >"$work/between.sh"
chmod +x "$work/between.sh"

# Takes the late messages out again.
remove_late() {
    local n
    for n in $(seq $(($1 + 1)) $(($1 + 5))); do
        rm -f "$work/mail/box$1/Maildir/"{new,cur}/"$(printf '1700000000.M%06dP1.pontavi' "$n")"*
    done
    rm -f "$work/calls.box$1"
}

stats=$work/relay.stats
: >"$stats"
python3 "$here/slow_link_relay.py" "$relay_port" "$port" "$delay" "$kbit" "$stats" &
relay_pid=$!
for _ in $(seq 1 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$relay_port") 2>/dev/null && break
    sleep 0.1
done
# That connection's line comes once it has ended.
for _ in $(seq 1 50); do
    [ -s "$stats" ] && break
    sleep 0.1
done

# The bytes of the relay's connection number $1 (counted from 1), once it has
# ended: "total (up, down)".
relay_bytes() {
    for _ in $(seq 1 100); do
        [ "$(wc -l <"$stats")" -ge "$1" ] && break
        sleep 0.1
    done
    sed -n "$1p" "$stats" | awk '{ print $1 + $2 " (" $1 " up, " $2 " down)" }'
}

# "<seconds> <summary>" of cycle $2 in probe output $1.
probe_cycle() {
    local line
    line=$(grep "^cycle $2 " "$1")
    awk -v m="$(sed -n 's/.* ms \([^ ]*\) cpu-ms.*/\1/p' <<<"$line")" 'BEGIN { printf "%.2f", m / 1000 }'
    echo " ${line%% ms *}"
}

report() {
    printf '%-9s %5s messages, %-12s %7.2f s  %s bytes  [%s]\n' "$1" "$2" "$3:" "$4" "$5" "$6"
}

names=("first cycle" "nothing new" "5 new")
echo "link: ${delay} ms one way, ${kbit} kbit/s each direction"
for size in $sizes; do
    # Dovecot builds its index on the first login; that is not the link's cost.
    "$probe" "$port" 1 "W=127.0.0.1,box$size,secret" >/dev/null
    : >"$stats"
    "$probe" --between="$work/between.sh box$size" "$relay_port" 3 \
        "Box=127.0.0.1,box$size,secret" >"$work/probe.$size" 2>&1
    grep -E '^(error|handler-error)' "$work/probe.$size" >&2
    for cycle in 1 2 3; do
        read -r seconds summary < <(probe_cycle "$work/probe.$size" "$cycle")
        report pontavi "$size" "${names[$((cycle - 1))]}" "$seconds" "$(relay_bytes "$cycle")" "$summary"
    done
    if [ "$size" -le 100 ]; then
        "$probe" --no-cache "$relay_port" 1 "Box=127.0.0.1,box$size,secret" >"$work/plain.$size"
        read -r seconds summary < <(probe_cycle "$work/plain.$size" 1)
        report "no cache" "$size" "any cycle" "$seconds" "$(relay_bytes 4)" "$summary"
    fi

    # fetchmail on the same mailbox, back to its first state.
    remove_late "$size"
    rm -f "$work/fetchids"
    printf 'poll 127.0.0.1 port %s proto pop3 uidl user "box%s" password "secret" sslproto ""\n' \
        "$relay_port" "$size" >"$work/fetchmailrc"
    chmod 600 "$work/fetchmailrc"
    for cycle in 1 2 3; do
        [ "$cycle" -eq 3 ] && "$work/between.sh" "box$size" && "$work/between.sh" "box$size"
        count=$(($(wc -l <"$stats") + 1))
        HOME=$work /usr/bin/time -f '%e' -o "$work/time" fetchmail --check --uidl --nosyslog \
            -f "$work/fetchmailrc" -i "$work/fetchids" >"$work/fetchmail.out" 2>&1
        report fetchmail "$size" "${names[$((cycle - 1))]}" "$(tail -1 "$work/time")" \
            "$(relay_bytes "$count")" "$(grep -v WARNING "$work/fetchmail.out" | head -1)"
    done
    remove_late "$size"
    : >"$stats"
done

#!/usr/bin/env bash
# Compares the Ident responder of pontavi with oidentd under the same load, in
# three modes of the load tool: "persistent" (every query on long-lived
# connections), "reconnect" (a connection per query, closed after the reply,
# as real Ident clients do) and "junk" (connections that send 1500 bytes
# without a line end, then close).
#
# usage: run_ident_load.sh <pontavi-binary> <ident_load-binary> [queries] [connections] [junk]
#
# Everything runs inside a private network namespace (made here with
# unshare -n), so no traffic leaves its loopback and port 113 is free.
# Exit 77: namespaces are not permitted or oidentd is missing.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 <pontavi-binary> <ident_load-binary> [queries] [connections] [junk]" >&2
    exit 2
fi

if [ -z "${IDENT_LOAD_IN_NETNS:-}" ]; then
    if ! command -v unshare >/dev/null || ! unshare -n true 2>/dev/null; then
        echo "SKIP: network namespaces are not permitted here (unshare -n failed)" >&2
        exit 77
    fi
    IDENT_LOAD_IN_NETNS=1 exec unshare -n bash "$0" "$@"
fi

pontavi=$1
loader=$2
queries=${3:-100000}
connections=${4:-16}
junk=${5:-200}
modes="persistent reconnect junk"
oident_port=1113
time_limit=60

command -v oidentd >/dev/null || { echo "SKIP: oidentd is not installed" >&2; exit 77; }
[ -x "$loader" ] || { echo "not executable: $loader" >&2; exit 2; }

ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
oident_pid=""
pontavi_pid=""

stop_process() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        [ "$(awk '/^State:/ {print $2}' /proc/"$pid"/status 2>/dev/null)" = Z ] && break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

cleanup() {
    stop_process "$pontavi_pid"
    stop_process "$oident_pid"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits (bounded) until something listens on the TCP port; fails early when
# the server process has already died.
wait_listening() {
    local port=$1 pid=$2
    for _ in $(seq 100); do
        if [ -n "$(ss -Hltn "sport = :$port" 2>/dev/null)" ]; then
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Runs the load tool in mode $3; prints its report and leaves the RESULT line in $2.
measure() {
    local port=$1 out=$2 mode=$3 count=$queries
    [ "$mode" = junk ] && count=$junk
    echo "-- $mode"
    timeout $((time_limit + 30)) "$loader" --port "$port" --queries "$count" --mode "$mode" \
        --connections "$connections" --time-limit "$time_limit" --query '%l, %r' | tee "$out"
}

measure_all() {
    local port=$1 name=$2
    for mode in $modes; do
        measure "$port" "$work/$name.$mode.result" "$mode"
    done
}

field() { sed -n 's/^RESULT.* '"$2"'=\([^ ]*\).*/\1/p' "$1"; }

# The query names one of the tool's own connections, so oidentd finds a real
# owner and answers USERID, as pontavi does for every query.
cat >"$work/oidentd.conf" <<'EOF'
default {
	default {
		deny spoof
	}
}
EOF

echo "== oidentd on 127.0.0.1:$oident_port"
oidentd -i -q -a 127.0.0.1 -p "$oident_port" -C "$work/oidentd.conf" 2>"$work/oidentd.log" &
oident_pid=$!
if ! wait_listening "$oident_port" "$oident_pid"; then
    echo "oidentd did not start:" >&2
    cat "$work/oidentd.log" >&2
    exit 1
fi
measure_all "$oident_port" oidentd
stop_process "$oident_pid"
oident_pid=""

echo
echo "== pontavi on port 113"
mkdir -p "$work/home"
mkdir -m 700 "$work/runtime"
PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    "$pontavi" >"$work/pontavi.log" 2>&1 &
pontavi_pid=$!
if ! wait_listening 113 "$pontavi_pid"; then
    echo "pontavi is not listening on port 113; its output:" >&2
    tail -20 "$work/pontavi.log" >&2
    echo "oidentd: $(field "$work/oidentd.reconnect.result" rps) replies/s; pontavi not measured"
    exit 1
fi
measure_all 113 pontavi

echo
echo "== summary ($queries queries, $junk junk connections, $connections at once)"
for mode in $modes; do
    for name in oidentd pontavi; do
        r="$work/$name.$mode.result"
        printf '%-10s %-8s %10s per s  %8s s  p50 %7s us  p99 %8s us  errors %s\n' "$mode" "$name" \
            "$(field "$r" rps)" "$(field "$r" seconds)" "$(field "$r" p50_us)" \
            "$(field "$r" p99_us)" "$(field "$r" errors)"
    done
    awk -v a="$(field "$work/pontavi.$mode.result" rps)" \
        -v b="$(field "$work/oidentd.$mode.result" rps)" \
        'BEGIN { if (b > 0) printf "%-10s ratio pontavi / oidentd: %.2f\n", "", a / b }'
done

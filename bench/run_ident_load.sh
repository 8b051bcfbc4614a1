#!/usr/bin/env bash
# Compares the Ident responder of pontavi with oidentd and with the floor of
# this machine (bench_ident_floor: a minimal single-threaded epoll responder)
# under the same load, in three modes of the load tool: "persistent" (every
# query on long-lived connections), "reconnect" (a connection per query,
# closed after the reply, as real Ident clients do) and "junk" (connections
# that send 1500 bytes without a line end, then close).
#
# usage: run_ident_load.sh <pontavi-binary> <ident_load-binary> <ident_floor-binary>
#                          [queries] [connections] [junk] [runs]
#
# All three servers run at once, idle but for the one measured; the runs take
# turns between them, so a machine shared with other work disturbs each alike.
# The summary gives the median of the runs of each figure.
#
# Everything runs inside a private network namespace (made here with
# unshare -n), so no traffic leaves its loopback and port 113 is free.
# Exit 77: namespaces are not permitted or oidentd is missing.
set -uo pipefail

if [ $# -lt 3 ]; then
    echo "usage: $0 <pontavi-binary> <ident_load-binary> <ident_floor-binary> [queries] [connections] [junk] [runs]" >&2
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
floor=$3
queries=${4:-100000}
connections=${5:-16}
junk=${6:-200}
runs=${7:-1}
modes="persistent reconnect junk"
servers="oidentd floor pontavi"
oident_port=1113
floor_port=1114
time_limit=60

command -v oidentd >/dev/null || { echo "SKIP: oidentd is not installed" >&2; exit 77; }
for tool in "$loader" "$floor"; do
    [ -x "$tool" ] || { echo "not executable: $tool" >&2; exit 2; }
done

ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
oident_pid=""
floor_pid=""
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
    stop_process "$floor_pid"
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

echo "== the floor on 127.0.0.1:$floor_port"
"$floor" "$floor_port" floor 2>"$work/floor.log" &
floor_pid=$!
if ! wait_listening "$floor_port" "$floor_pid"; then
    echo "the floor responder did not start:" >&2
    cat "$work/floor.log" >&2
    exit 1
fi

echo "== pontavi on port 113"
mkdir -p "$work/home"
mkdir -m 700 "$work/runtime"
PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    "$pontavi" >"$work/pontavi.log" 2>&1 &
pontavi_pid=$!
if ! wait_listening 113 "$pontavi_pid"; then
    echo "pontavi is not listening on port 113; its output:" >&2
    tail -20 "$work/pontavi.log" >&2
    exit 1
fi

port_of() {
    case $1 in
    oidentd) echo "$oident_port" ;;
    floor) echo "$floor_port" ;;
    pontavi) echo 113 ;;
    esac
}

for run in $(seq "$runs"); do
    for mode in $modes; do
        for name in $servers; do
            echo
            echo "== run $run: $name"
            measure "$(port_of "$name")" "$work/$name.$mode.$run.result" "$mode"
        done
    done
done

# The median over the runs of one field of one server and mode.
median_of() {
    local name=$1 mode=$2 key=$3 run
    for run in $(seq "$runs"); do
        field "$work/$name.$mode.$run.result" "$key"
    done | sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) print ""; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
errors_of() {
    local run
    for run in $(seq "$runs"); do
        field "$work/$1.$2.$run.result" errors
    done | awk '{ s += $1 } END { print s + 0 }'
}

echo
echo "== summary: medians of $runs run(s); $queries queries, $junk junk connections, $connections at once"
for mode in $modes; do
    for name in $servers; do
        printf '%-10s %-8s %10s per s  %8s s  p50 %7s us  p99 %8s us  errors %s\n' "$mode" "$name" \
            "$(median_of "$name" "$mode" rps)" "$(median_of "$name" "$mode" seconds)" \
            "$(median_of "$name" "$mode" p50_us)" "$(median_of "$name" "$mode" p99_us)" \
            "$(errors_of "$name" "$mode")"
    done
    awk -v a="$(median_of pontavi "$mode" rps)" -v b="$(median_of floor "$mode" rps)" \
        -v pa="$(median_of pontavi "$mode" p99_us)" -v pb="$(median_of floor "$mode" p99_us)" \
        -v o="$(median_of oidentd "$mode" rps)" 'BEGIN {
            if (b > 0 && pb > 0)
                printf "%-10s pontavi / floor: %.2f of its queries/s, %.2f x its p99\n", "", a / b, pa / pb
            if (o > 0) printf "%-10s pontavi / oidentd: %.2f of its queries/s\n", "", a / o }'
done

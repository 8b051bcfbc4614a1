#!/usr/bin/env bash
# Compares the Ident responder of pontavi with oidentd under the same load.
#
# usage: run_ident_load.sh <pontavi-binary> <ident_load-binary> [queries] [connections]
#
# Everything runs inside a private network namespace (made here with
# unshare -n), so no traffic leaves its loopback and port 113 is free.
# Exit 77: namespaces are not permitted or oidentd is missing.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 <pontavi-binary> <ident_load-binary> [queries] [connections]" >&2
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

# Runs the load tool; prints its report and leaves the RESULT line in $2.
measure() {
    local port=$1 out=$2
    timeout $((time_limit + 30)) "$loader" --port "$port" --queries "$queries" \
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
measure "$oident_port" "$work/oidentd.result"
stop_process "$oident_pid"
oident_pid=""

echo
echo "== pontavi on port 113"
mkdir -p "$work/home"
PONTAVI_HOME="$work/home" QT_QPA_PLATFORM=offscreen "$pontavi" >"$work/pontavi.log" 2>&1 &
pontavi_pid=$!
if ! wait_listening 113 "$pontavi_pid"; then
    echo "pontavi is not listening on port 113; its output:" >&2
    tail -20 "$work/pontavi.log" >&2
    echo "oidentd: $(field "$work/oidentd.result" rps) replies/s; pontavi not measured"
    exit 1
fi
measure 113 "$work/pontavi.result"

ours=$(field "$work/pontavi.result" rps)
theirs=$(field "$work/oidentd.result" rps)
echo
echo "== summary ($queries queries, $connections connections)"
printf 'oidentd  %10s replies/s  p50 %s us  p99 %s us  errors %s\n' "$theirs" \
    "$(field "$work/oidentd.result" p50_us)" "$(field "$work/oidentd.result" p99_us)" \
    "$(field "$work/oidentd.result" errors)"
printf 'pontavi  %10s replies/s  p50 %s us  p99 %s us  errors %s\n' "$ours" \
    "$(field "$work/pontavi.result" p50_us)" "$(field "$work/pontavi.result" p99_us)" \
    "$(field "$work/pontavi.result" errors)"
awk -v a="$ours" -v b="$theirs" \
    'BEGIN { if (b > 0) printf "ratio (pontavi / oidentd throughput): %.2f\n", a / b;
             else print "ratio: n/a (oidentd gave no replies)" }'

#!/usr/bin/env bash
# The whole program at its edges, run as an unprivileged user (nobody) in a
# private network namespace on an Xvfb server, installed the way a package
# installs it (cmake --install, which puts cap_net_bind_service on the port
# helper only):
#   1. SIGTERM while a start-up box is open ends the program within seconds,
#      and registry.ini and URL.lst are byte-identical to before;
#   2. a typed value in registry.ini ("UseFirst"=1) costs that value only:
#      the lists survive a run;
#   3. a URL.lst the program cannot read (mode 000) keeps its contents;
#   4. the installed GUI binary carries no capability, and the unprivileged
#      program answers on port 113 through the helper.
#
# usage: program_edges.sh <cmake-build-dir>
# With PONTAVI_INSTALLED_PREFIX set (/usr for the installed package) it runs
# the files installed there instead of installing the build.
# Exit 0 pass, 1 fail, 77 when namespaces, root, Xvfb or setcap are missing.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <cmake-build-dir>" >&2
    exit 2
fi

if [ -z "${PROGRAM_EDGES_IN_NETNS:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root (to install and to become nobody)" >&2; exit 77; }
    for tool in Xvfb xwininfo xprop setpriv setcap getcap unshare ip; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed" >&2; exit 77; }
    done
    unshare -n true 2>/dev/null || { echo "SKIP: network namespaces are not permitted here" >&2; exit 77; }
    PROGRAM_EDGES_IN_NETNS=1 exec timeout -k 5 240 unshare -n bash "$0" "$@"
fi

# From here on: inside the private network namespace; nothing leaves it.
build=$1
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid=""
pid=""

cleanup() {
    for p in "$pid" "$xvfb_pid"; do
        [ -n "$p" ] || continue
        kill -KILL "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${run:-}" ] && [ -f "$run/program.log" ]; then
        echo "--- program output (last lines):" >&2
        tail -20 "$run/program.log" >&2
    fi
    exit 1
}
source "$(dirname "$0")/program_lib.sh"

# ---- the installation: our own, or the one under PONTAVI_INSTALLED_PREFIX
# (the installed package), whose helper must have its capability
if [ -n "${PONTAVI_INSTALLED_PREFIX:-}" ]; then
    prefix=$PONTAVI_INSTALLED_PREFIX
else
    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "cmake --install failed"; }
fi
program=$prefix/bin/pontavi
helper=$prefix/libexec/pontavi/pontavi-bind113
[ -x "$program" ] && [ -x "$helper" ] || fail "the install lacks the program or its helper"
[ -z "$(getcap "$program")" ] || fail "the GUI binary carries a capability: $(getcap "$program")"
if ! getcap "$helper" | grep -q cap_net_bind_service; then
    [ -n "${PONTAVI_INSTALLED_PREFIX:-}" ] && fail "the installed helper lacks cap_net_bind_service"
    echo "SKIP: setcap did not take on this file system" >&2
    exit 77
fi

# ---- the display (Xvfb runs here too, so the program can reach it)
start_xvfb

# A fresh home and lock folder owned by nobody, in $run.
new_run() {
    run=$(mktemp -d "$work/run.XXXX")
    mkdir -m 700 "$run/home" "$run/runtime"
    chown -R nobody:nogroup "$run"
    chmod 755 "$run"
}

start_program() {
    setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$run/home" PONTAVI_HOME="$run/home" \
        XDG_RUNTIME_DIR="$run/runtime" QT_QPA_PLATFORM=xcb "$program" >"$run/program.log" 2>&1 &
    pid=$!
}

# A mapped window of the program that belongs to another one: a modal box.
box_is_open() {
    local id
    for id in $(xwininfo -root -tree 2>/dev/null | awk '/"Pontavi!"/ {print $1}'); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
        xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' && return 0
    done
    return 1
}

wait_for_box() {
    for _ in $(seq 600); do
        box_is_open && return 0
        is_gone "$pid" && fail "the program ended before its start-up box showed"
        sleep 0.1
    done
    fail "no start-up box after 60 s"
}

# SIGTERM with the box open: the program must be gone within seconds (15 s
# leaves room for a loaded machine; a swallowed signal never ends it).
terminate_with_box_open() {
    kill -TERM "$pid" 2>/dev/null || fail "the program was gone before SIGTERM"
    for _ in $(seq 150); do
        is_gone "$pid" && break
        sleep 0.1
    done
    is_gone "$pid" || fail "the program is still running 15 s after SIGTERM during a box"
    wait "$pid" 2>/dev/null
    pid=""
}

settings='; Pontavi settings (key Software\Pontavi)

["Idents"]
"0"="kept-ident"

["NetTime"]
"0"="time.example"
'

# ---- 1. SIGTERM during the legacy-file notice, before anything was read
new_run
printf '%s' "$settings" >"$run/home/registry.ini"
printf 'http://kept.example/\r\n' >"$run/home/URL.lst"
printf '[old]\n' >"$run/home/Pontavi.iNi"
chown nobody:nogroup "$run/home/"*
cp "$run/home/registry.ini" "$run/registry.before"
cp "$run/home/URL.lst" "$run/urls.before"
start_program
wait_for_box
terminate_with_box_open
cmp -s "$run/registry.before" "$run/home/registry.ini" || fail "registry.ini changed at SIGTERM during the start-up box"
cmp -s "$run/urls.before" "$run/home/URL.lst" || fail "URL.lst changed at SIGTERM during the start-up box"

# ---- 2. a typed value: its box opens after the read; the lists survive
new_run
printf '%s["Options"]\n"UseFirst"=1\n' "$settings" >"$run/home/registry.ini"
chown nobody:nogroup "$run/home/registry.ini"
start_program
wait_for_box
terminate_with_box_open
for kept in '"0"="kept-ident"' '"0"="time.example"'; do
    grep -qF "$kept" "$run/home/registry.ini" || fail "the list value $kept did not survive a typed value"
done

# ---- 3. an unreadable URL.lst keeps its contents
new_run
printf 'http://kept.example/\r\n' >"$run/home/URL.lst"
chown nobody:nogroup "$run/home/URL.lst"
chmod 000 "$run/home/URL.lst"
cp -p "$run/home/URL.lst" "$run/urls.before"
start_program
wait_for_box
terminate_with_box_open
cmp -s "$run/urls.before" "$run/home/URL.lst" || fail "an unreadable URL.lst was overwritten"
[ "$(stat -c %a "$run/home/URL.lst")" = 0 ] || fail "URL.lst lost its mode 000"

# ---- 4. the unprivileged program answers on port 113 through the helper
new_run
start_program
wait_for_ident_port "$pid"
exec 3<>/dev/tcp/127.0.0.1/113 || fail "cannot connect to port 113"
printf '6191, 23\r\n' >&3
IFS= read -r -t 5 reply <&3 || fail "no reply on port 113"
exec 3>&-
[ "$reply" = $'6191, 23 : USERID : UNIX : Default\r' ] || fail "port 113 replied [$reply]"
[ "$(awk '/^Uid:/ {print $2}' /proc/"$pid"/status)" = 65534 ] || fail "the program does not run as nobody"
grep -q '^CapEff:[[:space:]]*0*$' /proc/"$pid"/status || fail "the program holds a capability"
terminate_program "$pid"
pid=""

echo "PASS: boxes end at SIGTERM with files intact, a typed value keeps the lists, an unreadable URL.lst survives, the GUI has no capability and port 113 comes from the helper"
exit 0

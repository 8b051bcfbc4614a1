#!/usr/bin/env bash
# The whole program's URL capture from a real X clipboard: an Xvfb server, the
# program on it, and xclip copying texts the way any other program would. The
# URL list is saved at SIGTERM and must hold the one address, once.
#
# usage: program_clipboard.sh <pontavi-binary>
# Exit 0 pass, 1 fail, 77 when Xvfb or xclip is missing.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 <pontavi-binary>" >&2
    exit 2
fi

if [ -z "${PROGRAM_CLIPBOARD_INNER:-}" ]; then
    for tool in Xvfb xclip; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed" >&2; exit 77; }
    done
    # A private network namespace keeps the program's port 113 apart from any
    # other copy; the X server runs in there too, so its sockets are reachable.
    if command -v unshare >/dev/null && unshare -n true 2>/dev/null; then
        PROGRAM_CLIPBOARD_INNER=netns exec timeout -k 5 60 unshare -n bash "$0" "$@"
    fi
    PROGRAM_CLIPBOARD_INNER=plain exec timeout -k 5 60 bash "$0" "$@"
fi

program=$1
[ -x "$program" ] || { echo "FAIL: not executable: $program" >&2; exit 1; }
if [ "$PROGRAM_CLIPBOARD_INNER" = netns ]; then
    ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }
fi

work=$(mktemp -d)
mkdir -m 700 "$work/home" "$work/runtime"
xvfb_pid=""
pid=""
xclips=()

cleanup() {
    for p in "${xclips[@]}" "$pid" "$xvfb_pid"; do
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
    echo "--- program output (last lines):" >&2
    tail -20 "$work/program.log" >&2
    exit 1
}
source "$(dirname "$0")/program_lib.sh"

start_xvfb

PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    "$program" >"$work/program.log" 2>&1 &
pid=$!

# Start-up ends with the Ident listener; the clipboard is watched before it.
wait_for_ident_port "$pid"

# xclip stays in the foreground (-quiet) owning the clipboard until the next
# copy takes it over; the program then reads the text from it. With -verbose
# xclip announces each selection request it waits for, so its second
# announcement says the program has fetched the text: the script waits for
# that (at most 20 s) instead of guessing how long the program takes.
copy() {
    local log=$work/xclip.${#xclips[@]}.log
    : >"$log"
    printf '%s' "$1" | xclip -verbose -quiet -selection clipboard >"$log" 2>&1 &
    xclips+=($!)
    for _ in $(seq 200); do
        grep -q 'request number 2' "$log" && break
        is_gone "$pid" && fail "the program died after copying '$1'"
        sleep 0.1
    done
    grep -q 'request number 2' "$log" ||
        fail "the program did not read '$1' from the clipboard within 20 s"
    [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ] ||
        fail "the clipboard does not hold '$1'"
}

copy "see http://host/page now"
copy "see http://host/page now"
copy "nothing to keep here"

terminate_program "$pid"
pid=""

list=$work/home/URL.lst
[ -f "$list" ] || fail "no URL list was saved at exit ($list is missing)"
want=$(printf 'http://host/page\r\n' | od -An -c)
got=$(od -An -c "$list")
[ "$got" = "$want" ] || fail "URL.lst holds [$got], wanted [$want]"

echo "PASS: a copied address is captured once, a text without one adds nothing; URL.lst saved at SIGTERM"
exit 0

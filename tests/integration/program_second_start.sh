#!/usr/bin/env bash
# The program's command line and its second start, on an Xvfb server with a
# stand-in desktop that has a tray (so the first copy's window starts hidden):
#   1. --version, --help and an unknown option answer (0, 0, 2; the usage on
#      stderr for the unknown one) without showing the running copy's window;
#   2. a second start ends with 0 and the first copy's window becomes visible.
#
# usage: program_second_start.sh <pontavi-binary> <fake_desktop_bus.py>
# Exit 0 pass, 1 fail, 77 when Xvfb, dbus-daemon or python3's D-Bus are missing.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 <pontavi-binary> <fake_desktop_bus.py>" >&2
    exit 2
fi

if [ -z "${PROGRAM_SECOND_START_INNER:-}" ]; then
    for tool in Xvfb xwininfo dbus-daemon unshare ip; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed" >&2; exit 77; }
    done
    /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus/gi missing" >&2; exit 77; }
    # A private network namespace keeps the program's port 113 apart from any
    # other copy; the X server runs in there too.
    unshare -n true 2>/dev/null || { echo "SKIP: network namespaces are not permitted here" >&2; exit 77; }
    PROGRAM_SECOND_START_INNER=1 exec timeout -k 5 90 unshare -n bash "$0" "$@"
fi

program=$1
desktop=$2
ip link set lo up || { echo "SKIP: cannot bring up loopback" >&2; exit 77; }

work=$(mktemp -d)
mkdir -m 700 "$work/home" "$work/runtime"
xvfb_pid=""
pid=""
others=()

cleanup() {
    for p in "$pid" "${others[@]}" "$xvfb_pid"; do
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
    show_logs 20 program.log second.log
    exit 1
}
source "$(dirname "$0")/program_lib.sh"
require_executables "$program"

start_xvfb
start_desktop "$desktop"

run_program() {
    PONTAVI_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$@"
}
# Later starts are bounded: one that ran on instead of answering fails.
pontavi() { run_program timeout -k 1 10 "$program" "$@"; }
run_program "$program" >"$work/program.log" 2>&1 &
pid=$!
wait_for_ident_port "$pid"
window_shown() { [ -n "$(viewable_windows 'Pontavi!')" ]; }
window_shown && fail "the window shows at start although the desktop has a tray"

# ---- 1. the command line, answered without the window
out=$(pontavi --version 2>"$work/err") || fail "--version ended with $?"
[[ $out =~ ^pontavi\ [0-9]+\.[0-9]+ ]] || fail "--version printed [$out]"
out=$(pontavi --help 2>"$work/err") || fail "--help ended with $?"
for text in "Usage: pontavi" PONTAVI_HOME XDG_CONFIG_HOME XDG_RUNTIME_DIR PONTAVI_DIALUP registry.ini; do
    grep -qF "$text" <<<"$out" || fail "--help does not mention $text"
done
out=$(pontavi --no-such-option 2>"$work/err")
status=$?
[ "$status" -eq 2 ] || fail "an unknown option ended with $status, not 2"
[ -z "$out" ] && grep -q "Usage: pontavi" "$work/err" || fail "an unknown option's usage is not on stderr"
window_shown && fail "the command line showed the running copy's window"

# ---- 2. a second start shows the first copy's window and ends
pontavi >"$work/second.log" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "the second start ended with $status"
wait_until 100 window_shown || fail "the first copy's window did not show after a second start"
is_gone "$pid" && fail "the first copy ended"

echo "PASS: --version, --help and an unknown option answer without the window; a second start shows the running copy's window"
exit 0

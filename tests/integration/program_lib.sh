# Shared by the scripts that run the whole program. Source it after defining
# `fail MESSAGE` (which must not return); the requirement checks below may
# run before that.

# Exits 77 (skip) with a message unless what the mail program tests need is
# here: the tools named and those they always use, dovecot's POP3 server,
# python3's D-Bus modules, root (dovecot switches to the mail user),
# network and mount namespaces and tun devices.
require_mail_program_peers() {
    local tool
    for tool in unshare ip Xvfb dbus-daemon dovecot /usr/bin/python3 "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
    done
    [ -x /usr/lib/dovecot/pop3 ] || { echo "SKIP: dovecot-pop3d is missing" >&2; exit 77; }
    /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus/gi missing" >&2; exit 77; }
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: dovecot needs root to switch to the mail user" >&2; exit 77; }
    unshare -n -m true 2>/dev/null || { echo "SKIP: namespaces are not permitted here" >&2; exit 77; }
    [ -c /dev/net/tun ] || { echo "SKIP: no /dev/net/tun" >&2; exit 77; }
}

# Kills and reaps every process given; empty arguments are skipped.
kill_and_reap() {
    local p
    for p in "$@"; do
        [ -n "$p" ] || continue
        kill -KILL "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    return 0
}

# Prints the last LINES lines of each non-empty log named (relative to
# $work) to stderr, for a failure's report.
show_logs() {
    local lines=$1 log
    shift
    for log in "$@"; do
        [ -s "$work/$log" ] || continue
        echo "--- $log (last lines):" >&2
        tail -"$lines" "$work/$log" >&2
    done
}

# Fails (exit 1) unless every path given is an executable file.
require_executables() {
    local f
    for f in "$@"; do
        [ -x "$f" ] || { echo "FAIL: not executable: $f" >&2; exit 1; }
    done
}

# True when the process has ended (or is a zombie waiting to be reaped).
is_gone() {
    ! kill -0 "$1" 2>/dev/null ||
        [ "$(awk '/^State:/ {print $2}' /proc/"$1"/status 2>/dev/null)" = Z ]
}

# Waits (at most 20 s) until something listens on the Ident port: the last
# step of the program's start-up that can be seen from outside.
wait_for_ident_port() {
    local pid=$1
    for _ in $(seq 200); do
        [ -n "$(ss -Hltn 'sport = :113' 2>/dev/null)" ] && return 0
        is_gone "$pid" && fail "the program exited during start-up"
        sleep 0.1
    done
    fail "the program does not listen on port 113 after 20 s"
}

# SIGTERM, then a bounded wait for the program to save and end.
terminate_program() {
    local pid=$1
    kill -TERM "$pid" 2>/dev/null || fail "the program was gone before SIGTERM"
    for _ in $(seq 100); do
        is_gone "$pid" && break
        sleep 0.1
    done
    is_gone "$pid" || fail "the program is still running 10 s after SIGTERM"
    wait "$pid" 2>/dev/null
}

# Starts Xvfb on a display number it picks itself (written once it accepts
# clients, so parallel runs do not race for one) and exports DISPLAY. Sets
# xvfb_pid for the caller's clean-up; needs $work.
start_xvfb() {
    # In a private network namespace every server picks display 0 (its socket
    # names are per namespace), so servers of parallel tests would share the
    # keymap file xkbcomp writes for that number under /var/lib/xkb and the
    # socket path under /tmp/.X11-unix; one server can then lose its keymap
    # and die. A mount namespace of its own gives each server empty private
    # copies of both; clients reach it through its abstract socket, which
    # lives in the network namespace.
    local private=()
    if unshare -m true 2>/dev/null; then
        private=(unshare -m sh -c 'for d in /var/lib/xkb /tmp/.X11-unix; do
                [ ! -d "$d" ] || mount -t tmpfs -o mode=1777 tmpfs "$d" || exit 1
            done
            exec "$@"' xvfb)
    fi
    "${private[@]}" Xvfb -displayfd 4 -nolisten tcp -screen 0 1024x768x24 4>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local display="" _
    for _ in $(seq 200); do
        display=$(head -n 1 "$work/display" 2>/dev/null)
        [ -n "$display" ] && break
        is_gone "$xvfb_pid" && break
        sleep 0.1
    done
    [[ $display =~ ^[0-9]+$ ]] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
    export DISPLAY=:$display
}

# Waits (bounded: tenths of a second) until a command succeeds; fails at once
# when the program ($pid, when the caller has set it) has died meanwhile.
wait_until() {
    local tenths=$1 _
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        [ -n "${pid:-}" ] && is_gone "$pid" && fail "the program died"
        sleep 0.1
    done
    return 1
}

# A private session bus carrying the stand-in desktop (fake_desktop_bus.py):
# its notifications and tray tips are recorded in $work/desktop.log. Exports
# DBUS_SESSION_BUS_ADDRESS; adds the two processes to the caller's `others`.
start_desktop() {
    local desktop=$1
    dbus-daemon --session --nofork --address="unix:path=$work/bus" >"$work/dbus.log" 2>&1 &
    others+=($!)
    wait_until 300 test -S "$work/bus" || fail "the private bus did not start"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
    /usr/bin/python3 "$desktop" "$DBUS_SESSION_BUS_ADDRESS" "$work/desktop.log" >"$work/desktop.out" 2>&1 &
    others+=($!)
    wait_until 300 grep -q $'\tready' "$work/desktop.log" 2>/dev/null ||
        { cat "$work/desktop.out" >&2; fail "the stand-in desktop did not start"; }
}

# The recorded desktop lines of one kind (notify, tip), without their times.
desktop_lines() { awk -F '\t' -v kind="$1" '$2 == kind { sub(/^[^\t]*\t[^\t]*\t/, ""); print }' "$work/desktop.log"; }
# The time (ms) of the first line of a kind whose text matches a pattern.
desktop_time() { awk -F '\t' -v kind="$1" -v re="$2" '$2 == kind && $3 ~ re { print $1; exit }' "$work/desktop.log"; }
has_desktop() { [ -n "$(desktop_time "$1" "$2")" ]; }

# The ids of the viewable windows of the X display whose title is the text
# given, one a line. Qt adds " — " and the application's display name to the
# title of every window but the one that bears that name.
viewable_windows() {
    local id
    for id in $(xwininfo -root -tree 2>/dev/null | grep -F -e " \"$1\": " -e " \"$1 — " | awk '{print $1}'); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
    done
}

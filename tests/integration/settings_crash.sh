#!/usr/bin/env bash
# Kills a process that keeps saving a large settings file, at random moments
# after its first complete save; after every kill the file must hold one
# complete version, never a mix or a torn write. The helper announces each
# save, so the outcome does not depend on how fast or loaded the machine is:
# 30 kills, each after a bounded wait for the first save.
set -u
helper=${1:?usage: settings_crash.sh SETTINGS_CRASH_HELPER}
[ -x "$helper" ] || exit 77

dir=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
file=$dir/registry.ini
saves=$dir/saves

# Waits until the helper has announced a complete save; at most 120 s, which
# even a sanitizer build on a loaded machine stays far below.
wait_for_first_save() {
    local i
    for ((i = 0; i < 12000; i++)); do
        [ -s "$saves" ] && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.01
    done
    return 1
}

checks=0
saved=0
for ((kills = 1; kills <= 30; kills++)); do
    : >"$saves"
    "$helper" write "$file" >"$saves" &
    pid=$!
    if ! wait_for_first_save; then
        echo "FAIL: the helper completed no save (run $kills)"
        exit 1
    fi
    # Somewhere in the following saves: a save of this size takes a few to a
    # few tens of milliseconds, so kills land before, inside and after them.
    sleep "$(printf '0.%03d' $((RANDOM % 100)))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
    if ! timeout 60 "$helper" check "$file"; then
        echo "FAIL: after kill $kills (following $(wc -l <"$saves") saves) the settings file is damaged"
        exit 1
    fi
    checks=$((checks + 1))
    saved=$((saved + $(wc -l <"$saves")))
done

echo "30 kills, $checks files checked, $saved saves completed before them"
exit 0

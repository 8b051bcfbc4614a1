#!/usr/bin/env bash
# Kills a process that keeps saving a large settings file, at random moments;
# after every kill the file must hold one complete version, never a mix or a
# torn write. Bounded: 30 kills or 20 seconds, whichever comes first.
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

kills=0
checks=0
deadline=$((SECONDS + 20))
while [ "$kills" -lt 30 ] && [ "$SECONDS" -lt "$deadline" ]; do
    "$helper" write "$file" &
    pid=$!
    sleep "$(printf '0.%03d' $((RANDOM % 400 + 10)))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
    kills=$((kills + 1))
    [ -e "$file" ] || continue
    if ! timeout 10 "$helper" check "$file"; then
        echo "FAIL: after kill $kills the settings file is damaged"
        exit 1
    fi
    checks=$((checks + 1))
done

echo "$kills kills, $checks files checked"
if [ "$checks" -lt 5 ]; then
    echo "FAIL: too few complete saves to judge"
    exit 1
fi
exit 0

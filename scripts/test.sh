#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build (core
# and Qt view) and its Debian package, the core again under AddressSanitizer
# and UBSan, and a bounded run of every fuzz target, after a style check of
# every tracked source.
# Ends with one line counting all tests.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh || exit 1

jobs=$(nproc)
fuzz_seconds=${PONTAVI_FUZZ_SECONDS:-20}
passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

count() {  # adds a ctest summary to the totals
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    if [ -z "$line" ]; then
        failed=$((failed + 1))
        return
    fi
    local f n
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    n=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + n - f))
    failed=$((failed + f))
}

run_suite() {  # name, build dir, cmake args...
    local name=$1 dir=$2
    shift 2
    echo "== $name"
    if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null ||
        ! cmake --build "$dir" -j "$jobs"; then
        echo "$name: build failed"
        failed=$((failed + 1))
        return
    fi
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" --timeout 300) 2>&1 | tee "$log"
    count
}

echo "== style (clang-format)"
if git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror >"$log" 2>&1; then
    echo "style: ok"
    passed=$((passed + 1))
else
    echo "style: files differ from .clang-format (run clang-format -i on them):"
    grep -Eo '^[^:]+:[0-9]+' "$log" | cut -d: -f1 | sort -u
    failed=$((failed + 1))
fi

run_suite "build and tests" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The Debian package of that build: installed, checked and removed again.
echo "== package"
bash scripts/package_check.sh build
case $? in
    0) passed=$((passed + 1)) ;;
    77) ;;
    *) failed=$((failed + 1)) ;;
esac

run_suite "sanitizers (ASan, UBSan)" build-asan -DCMAKE_BUILD_TYPE=Debug -DPONTAVI_SANITIZE=ON \
    -DPONTAVI_UI=OFF -DPONTAVI_BENCH=OFF

echo "== fuzzing (${fuzz_seconds}s per target)"
if CC=clang CXX=clang++ cmake -S "$root" -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPONTAVI_FUZZ=ON -DPONTAVI_UI=OFF -DPONTAVI_TESTS=OFF -DPONTAVI_BENCH=OFF >/dev/null &&
    cmake --build build-fuzz -j "$jobs"; then
    for target in build-fuzz/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        name=$(basename "$target")
        corpus=$(mktemp -d)
        [ -d "fuzz/corpus/${name#fuzz_}" ] && cp -r "fuzz/corpus/${name#fuzz_}/." "$corpus/"
        if "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
            "$corpus" >"$log" 2>&1; then
            echo "$name: ok ($(grep -Eo 'Done [0-9]+ runs' "$log" | tail -1))"
            passed=$((passed + 1))
        else
            echo "$name: FAILED"
            tail -40 "$log"
            failed=$((failed + 1))
        fi
        rm -rf "$corpus"
    done
else
    echo "fuzz build failed"
    failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

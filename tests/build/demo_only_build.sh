#!/bin/sh
# Builds the demo alone, as a packager would: tools, tests and benchmarks off,
# in a fresh folder. Fails when the configure step looks for a test or tool
# dependency (GoogleTest, LAME, FreeType, vorbisenc), when any object reads one
# of their headers, or when the compiler warns.
# usage: demo_only_build.sh SOURCE_DIR WORK_DIR GENERATOR
set -eu
source_dir=$1
work_dir=$2
generator=$3

rm -rf "$work_dir"
mkdir -p "$work_dir"
log=$work_dir/log
if ! cmake -S "$source_dir" -B "$work_dir/tree" -G "$generator" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMORVEL_TOOLS=OFF -DMORVEL_TESTS=OFF -DMORVEL_BENCH=OFF >"$log" 2>&1; then
    cat "$log"
    echo "demo-only build: the configure step failed"
    exit 1
fi
if grep -E "module '(lame|freetype2|vorbisenc)'|GTest" "$log"; then
    echo "demo-only build: the configure step looked for a test or tool dependency"
    exit 1
fi
if ! cmake --build "$work_dir/tree" --target morvel >"$log" 2>&1; then
    cat "$log"
    echo "demo-only build: building morvel failed"
    exit 1
fi
if grep -i "warning" "$log"; then
    echo "demo-only build: the compiler warned"
    exit 1
fi
if [ "$generator" = Ninja ]; then
    ninja -C "$work_dir/tree" -t deps >"$work_dir/deps"
    if grep -E "lame/|freetype|ft2build|gtest/|vorbisenc" "$work_dir/deps"; then
        echo "demo-only build: the demo reads a header of a test or tool dependency"
        exit 1
    fi
fi
test -x "$work_dir/tree/morvel"
rm -rf "$work_dir"
echo "demo-only build: morvel built alone, no warnings"

#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan, UBSan, libFuzzer) and runs each for SECONDS
# (default 30), starting from its seeds. Longer runs: bash scripts/fuzz.sh 3600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOOLBOX_FUZZ=ON -DTOOLBOX_BUILD_TESTS=OFF -DTOOLBOX_BUILD_BENCH=OFF > /dev/null
targets=$(sed -n 's/^toolbox_add_fuzzer(\([A-Za-z0-9_]*\).*/fuzz_\1/p' fuzz/CMakeLists.txt)
[ -n "$targets" ] || { echo "no fuzz targets"; exit 0; }
cmake --build build-fuzz -j "$(nproc)" --target $targets
for target in $targets; do
    name="${target#fuzz_}"
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
    echo "== $target: ${seconds} s"
    log="build-fuzz/$target.log"
    if ! "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
        -print_final_stats=1 "$corpus" "${seeds[@]}" > "$log" 2>&1; then
        tail -n 80 "$log"
        echo "$target failed"
        exit 1
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' "$log" || tail -n 3 "$log"
done

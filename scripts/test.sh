#!/usr/bin/env bash
# Installs what is needed, builds everything, runs every fuzz target for 30 seconds (clang,
# ASan, UBSan) and then the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
bash scripts/fuzz.sh 30
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300

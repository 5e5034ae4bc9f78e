#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: every available cleanup pass on the
# bundled building mesh, printing a summary per pass.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$(nproc)" --target toolbox_cli
./build/tools/toolbox clean "$@"

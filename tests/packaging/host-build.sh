#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and builds and runs a small host against it,
# once through the CMake package and once through pkg-config. The host includes every installed
# header and checks that it runs on the installed library, not on the build tree.
# Usage: host-build.sh CMAKE GENERATOR CXX BUILD_DIR HOST_SOURCE_DIR
set -euo pipefail
cmake="$1" generator="$2" cxx="$3" build="$4" host="$5"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

"$cmake" --install "$build" --prefix "$prefix" > /dev/null
pc="$(find "$prefix" -name toolbox.pc)"
export PKG_CONFIG_PATH="$(dirname "$pc")"
libdir="$(pkg-config --variable=libdir toolbox)"

"$cmake" -S "$host" -B "$work/cmake-host" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
"$cmake" --build "$work/cmake-host" > /dev/null
"$work/cmake-host/host" "$libdir"

# shellcheck disable=SC2046 # pkg-config's output is a list of words
"$cxx" -std=c++17 -Wall -Wextra -Werror "$host/Host.cpp" "$work/cmake-host/AllHeaders.cpp" \
    $(pkg-config --cflags --libs toolbox) -Wl,-rpath,"$libdir" -o "$work/pkg-config-host"
"$work/pkg-config-host" "$libdir"

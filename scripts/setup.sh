#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing, benchmarking and the command-line
# tool need. Safe to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build g++ pkg-config
    libboost1.74-dev libboost-thread1.74-dev libboost-system1.74-dev
    libboost-locale1.74-dev libboost-atomic1.74-dev
    libglu1-mesa-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev
    clang libclang-rt-14-dev
    pybind11-dev python3-dev python3-numpy python3-pytest
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs what is missing, builds Varnex and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
cd build
ctest --output-on-failure -j2

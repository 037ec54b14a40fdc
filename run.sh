#!/usr/bin/env bash
# Installs what is missing, builds Varnex and starts it from its application
# folder build/app/ (the demo database is made there on the first build only).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
exec build/app/varnex "$@"

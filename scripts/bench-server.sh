#!/usr/bin/env bash
# Runs varnex-bench with its server cases on a throwaway PostgreSQL cluster
# (tests/pg/cluster.sh: Unix socket only, fsync off), started in FOLDER/pg and
# stopped at the end; the large database is copied into it at the first server case.
#   scripts/bench-server.sh FOLDER [varnex-bench options...]
# e.g. scripts/bench-server.sh build-data/bench-data --filter "submit|tblInspection opens"
set -euo pipefail
folder=${1:?usage: bench-server.sh FOLDER [varnex-bench options...]}
shift
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
cluster="$folder/pg"
uri=$("$root/tests/pg/cluster.sh" start "$cluster")
trap '"$root/tests/pg/cluster.sh" stop "$cluster"' EXIT
QT_QPA_PLATFORM=offscreen "$root/build/tools/varnex-bench" --dir "$folder" --cluster "$uri" "$@"

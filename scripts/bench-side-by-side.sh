#!/usr/bin/env bash
# Runs each benchmark group at 1,000,000 rows and straight after at 10,000,000,
# with each process's peak memory, so the two columns are measured side by side.
# usage: scripts/bench-side-by-side.sh [DATA_FOLDER]   (after ./test.sh or ./run.sh has built)
# The large databases are made in DATA_FOLDER on first use (1.25 GB for 10M rows) and reused.
set -euo pipefail
cd "$(dirname "$0")/.."
DIR=${1:-build-data/bench-data}
mkdir -p "$DIR"
export QT_QPA_PLATFORM=offscreen
run() {  # FILTER [extra varnex-bench arguments]
  local filter=$1; shift
  for n in 1000000 10000000; do
    echo "=== $filter, $n rows, $(date +%T), load $(cut -d' ' -f1-3 /proc/loadavg)"
    /usr/bin/time -f "peak %M KB, %e s" build/tools/varnex-bench --rows "$n" --dir "$DIR" --filter "$filter" "$@" 2>&1 \
      | grep -v "^qt\.\|XDG"
  done
}
for f in "utilities" "dataentry: open" "submit, count query" "reports: Pareto of defects, one" "reports: first pass" \
         "reports: sqlite3" "navigator opens" "to PDF" "tblInspection opens" "tblInspection Last" \
         "three-key sort, first screen" "sqlite3 tool, first 40"; do
  run "$f"
done
run "every row in order" --repeats 1

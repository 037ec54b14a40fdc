#!/usr/bin/env bash
# Kills a database utility (varnex-utility, the program's own code) with SIGKILL
# at moments spread over its run, then checks that no database was lost:
#   compact  - the live database is whole with the same rows; a following
#              compaction succeeds and leaves nothing behind.
#   exchange - the files stand as one of the states of the exchange, each whole.
#   backup   - the live database is unchanged; the backup is the earlier one or
#              the new one, whole.
# usage: kill9.sh TOOL [RUNS] [ROWS] [OPERATIONS...]
set -u
TOOL=${1:?usage: kill9.sh TOOL [RUNS] [ROWS] [compact|exchange|backup ...]}
RUNS=${2:-50}
ROWS=${3:-200000}
shift $(( $# < 3 ? $# : 3 ))
OPS=${*:-compact exchange backup}
command -v sqlite3 >/dev/null || { echo "kill9: the sqlite3 command is needed"; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/varnex-kill9.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
PRISTINE=$WORK/pristine
mkdir -p "$PRISTINE"
"$TOOL" large "$PRISTINE/A.mdb" "$ROWS" || { echo "kill9: cannot make the test database"; exit 2; }
# Free pages, so the compaction writes a file that differs from the live one.
sqlite3 "$PRISTINE/A.mdb" "DELETE FROM InspectionRecord WHERE InspectionID % 5 = 0" || exit 2
"$TOOL" large "$PRISTINE/B.mdb" 1000 || exit 2
sqlite3 "$PRISTINE/B.mdb" "INSERT INTO Model (ModelNumber, ModelDescription) VALUES ('STORED', 'THE STORED DATABASE')" || exit 2

# "ok <content hash>" when the file opens and is whole, else what went wrong.
# The content is that of every table but Upkeep, where a compaction records
# itself (the tables are those of the pristine live file).
TABLES=$(sqlite3 -readonly "$PRISTINE/A.mdb" "SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'Upkeep' ORDER BY name")
check() {
    [ -f "$1" ] || { echo "missing"; return; }
    local out
    out=$({ echo "PRAGMA integrity_check;"; for t in $TABLES; do echo ".sha3sum $t"; done; } | sqlite3 -readonly "$1" 2>&1) \
        || { echo "error: $out"; return; }
    [ "$(echo "$out" | head -n 1)" = ok ] || { echo "damaged: $out"; return; }
    echo "ok $(echo "$out" | sha256sum | cut -c1-56)"
}
bytes() { [ -f "$1" ] && sha256sum "$1" | cut -d' ' -f1 || echo none; }

A_CONTENT=$(check "$PRISTINE/A.mdb"); A_BYTES=$(bytes "$PRISTINE/A.mdb")
B_CONTENT=$(check "$PRISTINE/B.mdb"); B_BYTES=$(bytes "$PRISTINE/B.mdb")

fresh() {  # a new application folder in $APP
    APP=$WORK/app
    rm -rf "$APP"
    mkdir -p "$APP/temp" "$APP/temp2" "$APP/DemoDb" "$APP/backup"
    cp "$PRISTINE/A.mdb" "$APP/kelid.mdb"
    cp "$PRISTINE/B.mdb" "$APP/DemoDb/kelid1.mdb"
    cp "$PRISTINE/B.mdb" "$APP/backup/kelid.mdb"  # an earlier backup
}

args_for() { [ "$1" = backup ] && echo "backup $APP $APP/backup" || echo "$1 $APP"; }

# How long an undisturbed run takes (the shorter of two), in milliseconds:
# the kills are spread over it. Each undisturbed run must end as it should.
duration_ms() {
    local t0 t1 ms best=0
    for _ in 1 2; do
        fresh
        t0=$(date +%s%N)
        "$TOOL" $(args_for "$1") >/dev/null 2>&1 || { echo "kill9: $1 fails undisturbed" >&2; exit 2; }
        t1=$(date +%s%N)
        ms=$(( (t1 - t0) / 1000000 ))
        [ "$best" -eq 0 ] || [ "$ms" -lt "$best" ] && best=$ms
        local problem; problem=$(verify "$1" done)
        [ -z "$problem" ] || { echo "kill9: $1 undisturbed: $problem" >&2; exit 1; }
    done
    echo "$best"
}

verify() {  # op [done] -> prints a failure description, or nothing
    local op=$1 done=${2:-}
    case $op in
    compact)
        [ -z "$done" ] || [ "$(bytes "$APP/kelid.mdb")" != "$A_BYTES" ] || { echo "live not compacted"; return; }
        local live; live=$(check "$APP/kelid.mdb")
        [ "$live" = "$A_CONTENT" ] || { echo "live after kill: $live"; return; }
        local rerun; rerun=$("$TOOL" compact "$APP" 2>&1) || { echo "compaction after kill: $rerun"; return; }
        live=$(check "$APP/kelid.mdb")
        [ "$live" = "$A_CONTENT" ] || { echo "live after the next compaction: $live"; return; }
        local left; left=$(ls -A "$APP/temp" "$APP/temp2"; ls -A "$APP" | grep '^\.kelid\.mdb\.')
        [ -z "$(echo "$left" | grep kelid)" ] || echo "left after the next compaction: $left"
        ;;
    exchange)
        local l s x state
        l=$(bytes "$APP/kelid.mdb"); s=$(bytes "$APP/DemoDb/kelid1.mdb"); x=$(bytes "$APP/temp2/kelid1.mdb")
        state="$l/$s/$x"
        [ -z "$done" ] || [ "$state" = "$B_BYTES/$A_BYTES/none" ] || { echo "exchange ended as live=$l stored=$s copy=$x"; return; }
        case $state in
            "$A_BYTES/$B_BYTES/none" | "$A_BYTES/$B_BYTES/$A_BYTES" | "$B_BYTES/$B_BYTES/$A_BYTES" | \
            "$B_BYTES/$A_BYTES/$A_BYTES" | "$B_BYTES/$A_BYTES/none") ;;
            *) echo "files in no state of the exchange: live=$l stored=$s copy=$x"; return ;;
        esac
        for f in "$APP/kelid.mdb" "$APP/DemoDb/kelid1.mdb"; do
            local c; c=$(check "$f")
            [ "$c" = "$A_CONTENT" ] || [ "$c" = "$B_CONTENT" ] || { echo "$f: $c"; return; }
        done
        ;;
    backup)
        [ "$(bytes "$APP/kelid.mdb")" = "$A_BYTES" ] || { echo "live changed"; return; }
        local b; b=$(check "$APP/backup/kelid.mdb")
        [ "$b" = "$A_CONTENT" ] || { [ -z "$done" ] && [ "$b" = "$B_CONTENT" ]; } || echo "backup: $b"
        ;;
    esac
}

status=0
for op in $OPS; do
    dur=$(duration_ms "$op") || exit 1
    passed=0; killed=0; failures=""
    for ((run = 1; run <= RUNS; run++)); do
        fresh
        # One kill in each of RUNS equal slices of the run, at random within it.
        delay_ms=$(( ((run - 1) * (dur + 1) + RANDOM % (dur + 1)) / RUNS ))
        "$TOOL" $(args_for "$op") >/dev/null 2>&1 &
        pid=$!
        sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        [ $? -eq 137 ] && killed=$((killed + 1))
        problem=$(verify "$op")
        [ -z "$problem" ] && passed=$((passed + 1)) || failures+="  run $run (kill after ${delay_ms} ms): $problem"$'\n'
    done
    echo "kill9: $op: $passed/$RUNS passed ($killed killed part-way, one undisturbed run takes ${dur} ms)"
    [ -n "$failures" ] && printf '%s' "$failures"
    [ "$passed" -eq "$RUNS" ] || status=1
done
exit $status

#!/bin/sh
# Kills pelmar-cli with SIGKILL at random moments while it adds securities to an existing
# MASTER, and checks after each kill that the database is still whole: MASTER is a whole
# number of records, its entry count matches them, and every entry has its data file.
# Usage: tests/kill-test.sh PELMAR_CLI [KILLS]
set -eu
CLI=$(realpath "$1")
KILLS=${2:-200}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$WORK/db" "$XDG_CONFIG_HOME"

# A large input: 65,534 bars, so that a run lasts long enough to be hit anywhere.
awk 'BEGIN { srand(7); p = 40; for (i = 0; i < 65534; i++) {
       y = 1900 + int(i / 336); m = 1 + int((i % 336) / 28); dd = 1 + i % 28;
       p = p * (1 + (rand() - 0.5) / 50); printf "%02d/%02d/%04d,%.2f,%.2f,%.2f,%.2f,%d\r\n",
       m, dd, y, p, p * 1.01, p * 0.99, p, 1000 + int(rand() * 9000) } }' > "$WORK/prices.csv"
"$CLI" convert "$WORK/prices.csv" --out "$WORK/db" --symbol SEED --new-master \
    --date-format MM_DD_CCYY --no-oi > /dev/null

check() {
    master="$WORK/db/MASTER"
    size=$(stat -c %s "$master")
    if [ "$size" -lt 53 ] || [ $((size % 53)) -ne 0 ]; then
        echo "MASTER is $size bytes, not whole records" >&2; return 1
    fi
    records=$((size / 53 - 1))
    set -- $(od -An -t d2 -N 4 "$master")
    if [ "$1" -ne "$records" ] || [ "$2" -ne "$records" ]; then
        echo "MASTER counts $1/$2 entries but holds $records" >&2; return 1
    fi
    r=1
    while [ "$r" -le "$records" ]; do
        n=$(od -An -t u1 -j $((r * 53)) -N 1 "$master" | tr -d ' ')
        [ -e "$WORK/db/F$n.DAT" ] || { echo "entry $r has no F$n.DAT" >&2; return 1; }
        r=$((r + 1))
    done
}

i=0
while [ "$i" -lt "$KILLS" ]; do
    i=$((i + 1))
    # Stay below the 255 securities a MASTER holds: start afresh now and then.
    if [ $((i % 200)) -eq 0 ]; then
        rm -rf "$WORK/db" && mkdir -p "$WORK/db"
        "$CLI" convert "$WORK/prices.csv" --out "$WORK/db" --symbol SEED --new-master \
            --date-format MM_DD_CCYY --no-oi > /dev/null
    fi
    "$CLI" convert "$WORK/prices.csv" --out "$WORK/db" --symbol "K$i" \
        --date-format MM_DD_CCYY --no-oi > /dev/null 2>&1 &
    pid=$!
    # A random moment within the first ~0.3 s of the run.
    sleep "0.$(awk -v s="$i" 'BEGIN { srand(s); printf "%03d", int(rand() * 300) }')"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if ! check; then
        echo "kill $i: the database is damaged" >&2
        exit 1
    fi
done
echo "kill test: $KILLS kills, database whole after each"

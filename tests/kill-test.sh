#!/bin/sh
# Kills pelmar-cli with SIGKILL at random moments while it adds securities to two databases:
# one whose MASTER and EMASTER take them, and one with all three directory files whose full
# MASTER sends them to XMASTER. After each kill a run that is left alone completes or undoes
# what the killed one left; then every directory file must be whole, its counts must agree,
# every entry must have its data file, `pelmar-cli check` must find nothing, and every security
# that a finished run added must be there.
# Usage: tests/kill-test.sh PELMAR_CLI [KILLS]
# CONVERT_OPTS holds the layout options of the generated input (default below).
set -eu
CLI=$(realpath "$1")
KILLS=${2:-200}
CONVERT_OPTS=${CONVERT_OPTS:---date-format MM_DD_CCYY --no-oi}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$XDG_CONFIG_HOME"

# A large input: 65,534 bars, so that a run lasts long enough to be hit anywhere.
awk 'BEGIN { srand(7); p = 40; for (i = 0; i < 65534; i++) {
       y = 1900 + int(i / 336); m = 1 + int((i % 336) / 28); dd = 1 + i % 28;
       p = p * (1 + (rand() - 0.5) / 50); printf "%02d/%02d/%04d,%.2f,%.2f,%.2f,%.2f,%d\r\n",
       m, dd, y, p, p * 1.01, p * 0.99, p, 1000 + int(rand() * 9000) } }' > "$WORK/prices.csv"
head -n 20 "$WORK/prices.csv" > "$WORK/small.csv"

convert() { # FILE DIR SYMBOL [--new-master]
    file=$1 dir=$2 sym=$3; shift 3
    # shellcheck disable=SC2086
    "$CLI" convert "$file" --out "$dir" --symbol "$sym" $CONVERT_OPTS "$@"
}

# db: MASTER and EMASTER. dbx: its MASTER counter set to 255, so that it has an XMASTER too.
fresh() {
    rm -rf "$WORK/db" "$WORK/dbx" && mkdir -p "$WORK/db" "$WORK/dbx"
    convert "$WORK/small.csv" "$WORK/db" SEED --new-master > /dev/null
    convert "$WORK/small.csv" "$WORK/dbx" SEED --new-master > /dev/null
    printf '\377' | dd of="$WORK/dbx/MASTER" bs=1 seek=2 count=1 conv=notrunc 2> /dev/null
    convert "$WORK/small.csv" "$WORK/dbx" XSEED > /dev/null
    [ -e "$WORK/dbx/XMASTER" ] || { echo "dbx has no XMASTER" >&2; exit 1; }
}

u16() { od -An -t u2 -j "$2" -N 2 "$1" | tr -d ' '; }
u8() { od -An -t u1 -j "$2" -N 1 "$1" | tr -d ' '; }

# check DIR: the directory files are whole and agree, and each entry has its data file.
check() {
    d=$1
    size=$(stat -c %s "$d/MASTER")
    [ "$size" -ge 53 ] && [ $((size % 53)) -eq 0 ] || { echo "$d/MASTER is $size bytes" >&2; return 1; }
    records=$((size / 53 - 1))
    [ "$(u16 "$d/MASTER" 0)" -eq "$records" ] || { echo "$d/MASTER count disagrees" >&2; return 1; }
    esize=$(stat -c %s "$d/EMASTER")
    [ "$esize" -eq $(((records + 1) * 192)) ] && [ "$(u16 "$d/EMASTER" 0)" -eq "$records" ] ||
        { echo "$d/EMASTER is not in step with MASTER" >&2; return 1; }
    r=1
    while [ "$r" -le "$records" ]; do
        n=$(u8 "$d/MASTER" $((r * 53)))
        [ -e "$d/F$n.DAT" ] || { echo "$d: MASTER entry $r has no F$n.DAT" >&2; return 1; }
        [ "$(u8 "$d/EMASTER" $((r * 192 + 2)))" -eq "$n" ] || { echo "$d: EMASTER record $r" >&2; return 1; }
        r=$((r + 1))
    done
    if [ -e "$d/XMASTER" ]; then
        xsize=$(stat -c %s "$d/XMASTER")
        xrecords=$((xsize / 150 - 1))
        [ $((xsize % 150)) -eq 0 ] && [ "$(u16 "$d/XMASTER" 10)" -eq "$xrecords" ] &&
            [ "$(u16 "$d/XMASTER" 14)" -eq "$xrecords" ] || { echo "$d/XMASTER counts disagree" >&2; return 1; }
        r=1
        while [ "$r" -le "$xrecords" ]; do
            n=$(u16 "$d/XMASTER" $((r * 150 + 65)))
            [ -e "$d/F$n.MWD" ] || { echo "$d: XMASTER record $r has no F$n.MWD" >&2; return 1; }
            r=$((r + 1))
        done
    fi
    "$CLI" check "$d" > "$WORK/check.txt" 2>&1 || { cat "$WORK/check.txt" >&2; return 1; }
}

listed() { # DIR SYMBOL: the symbol is in MASTER or XMASTER
    cat "$1/MASTER" "$1/XMASTER" 2> /dev/null | tr '\000' ' ' | grep -aqw "$2"
}

fresh
added_db="SEED" added_dbx="SEED XSEED"
i=0
while [ "$i" -lt "$KILLS" ]; do
    i=$((i + 1))
    # db's MASTER holds 255 securities: start afresh now and then.
    if [ $((i % 100)) -eq 0 ]; then
        fresh
        added_db="SEED" added_dbx="SEED XSEED"
    fi
    dir="$WORK/db"
    [ $((i % 2)) -eq 0 ] || dir="$WORK/dbx"
    # The program itself in the background (not a function's subshell), so that the kill hits it.
    # shellcheck disable=SC2086
    "$CLI" convert "$WORK/prices.csv" --out "$dir" --symbol "K$i" $CONVERT_OPTS > /dev/null 2>&1 &
    pid=$!
    # A random moment within the first ~0.3 s of the run.
    sleep "0.$(awk -v s="$i" 'BEGIN { srand(s); printf "%03d", int(rand() * 300) }')"
    kill -9 "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
    # A run left alone completes or undoes what the killed one left, then adds its own.
    if ! convert "$WORK/small.csv" "$dir" "R$i" > "$WORK/run.txt" 2>&1; then
        cat "$WORK/run.txt" >&2
        echo "kill $i: the run after the kill failed" >&2
        exit 1
    fi
    if [ "$dir" = "$WORK/db" ]; then added_db="$added_db R$i"; added=$added_db; else added_dbx="$added_dbx R$i"; added=$added_dbx; fi
    check "$dir" || { echo "kill $i: the database $dir is damaged" >&2; exit 1; }
    for sym in $added; do
        listed "$dir" "$sym" || { echo "kill $i: $dir lost $sym" >&2; exit 1; }
    done
done
echo "kill test: $KILLS kills, both databases whole after each"

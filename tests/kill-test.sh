#!/bin/sh
# Kills pelmar-cli with SIGKILL at random moments while it adds securities to two databases:
# one whose MASTER and EMASTER take them, and one with all three directory files whose full
# MASTER sends them to XMASTER. The conversion is timed first (and when its journal is there),
# so that every kill falls inside a run and every other one inside its commit: those wait for
# the journal to appear and then let a random part of the commit's measured length pass, so
# that they hit it however the machine's load shifts the run in time. After each kill
# a run that is left alone completes or undoes what the killed one left; then every directory
# file must be whole, its counts must agree, every entry must have its data file, `pelmar-cli
# check` must find nothing, and every security that a finished run added must be there. At the
# end it says how many kills left a journal (a change caught in its commit) and fails when
# fewer than one in ten did: then it did not test the commit.
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

# A batch of 255 tiny files fills a MASTER.
mkdir -p "$WORK/seed"
n=1
while [ "$n" -le 255 ]; do
    cp "$WORK/small.csv" "$WORK/seed/S$n.csv"
    n=$((n + 1))
done

# db: MASTER and EMASTER. dbx: a full MASTER (255 securities), so that it has an XMASTER too.
fresh() {
    rm -rf "$WORK/db" "$WORK/dbx" && mkdir -p "$WORK/db" "$WORK/dbx"
    convert "$WORK/small.csv" "$WORK/db" SEED --new-master > /dev/null
    # shellcheck disable=SC2086
    "$CLI" convert "$WORK"/seed/*.csv --out "$WORK/dbx" --new-master $CONVERT_OPTS > /dev/null
    convert "$WORK/small.csv" "$WORK/dbx" XSEED > /dev/null
    [ -e "$WORK/dbx/XMASTER" ] || { echo "dbx has no XMASTER" >&2; exit 1; }
}

# bytes FILE: the file's bytes as decimal numbers, for awk.
bytes() { od -An -v -t u1 "$1"; }

# entries DIR: "DAT n" for each record of MASTER and EMASTER, "MWD n" for each of XMASTER.
entries() {
    bytes "$1/MASTER" | awk '{ for (i = 1; i <= NF; i++) b[n++] = $i }
        END { for (r = 53; r + 53 <= n; r += 53) print "DAT", b[r] }'
    [ ! -e "$1/EMASTER" ] || bytes "$1/EMASTER" | awk '{ for (i = 1; i <= NF; i++) b[n++] = $i }
        END { for (r = 192; r + 192 <= n; r += 192) print "DAT", b[r + 2] }'
    [ ! -e "$1/XMASTER" ] || bytes "$1/XMASTER" | awk '{ for (i = 1; i <= NF; i++) b[n++] = $i }
        END { for (r = 150; r + 150 <= n; r += 150) print "MWD", b[r + 65] + 256 * b[r + 66] }'
}

# whole_data DIR: every entry of every directory file has its data file, at any moment.
whole_data() {
    entries "$1" | while read -r ext n; do
        [ -e "$1/F$n.$ext" ] || { echo "$1: an entry has no F$n.$ext" >&2; return 1; }
    done
}

# counts FILE RECORD_SIZE COUNT_OFFSET: the count in the header equals the records present.
counts() {
    bytes "$1" | awk -v size="$2" -v at="$3" '{ for (i = 1; i <= NF; i++) b[n++] = $i }
        END { exit !(n % size == 0 && b[at] + 256 * b[at + 1] == n / size - 1) }'
}

# check DIR: the directory files are whole and agree, each entry has its data file, and
# pelmar-cli check finds nothing.
check() {
    d=$1
    counts "$d/MASTER" 53 0 || { echo "$d/MASTER: partial, or its count disagrees" >&2; return 1; }
    counts "$d/EMASTER" 192 0 || { echo "$d/EMASTER: partial, or its count disagrees" >&2; return 1; }
    [ "$(($(stat -c %s "$d/MASTER") / 53))" -eq "$(($(stat -c %s "$d/EMASTER") / 192))" ] ||
        { echo "$d/EMASTER is not in step with MASTER" >&2; return 1; }
    if [ -e "$d/XMASTER" ]; then
        counts "$d/XMASTER" 150 10 && counts "$d/XMASTER" 150 14 ||
            { echo "$d/XMASTER counts disagree" >&2; return 1; }
    fi
    whole_data "$d" || return 1
    "$CLI" check "$d" > "$WORK/check.txt" 2>&1 || { cat "$WORK/check.txt" >&2; return 1; }
}

listed() { # DIR SYMBOL: the symbol is in MASTER or XMASTER
    cat "$1/MASTER" "$1/XMASTER" 2> /dev/null | tr '\000' ' ' | grep -aqw "$2"
}

now_ms() { date +%s%3N; }

# "FIRST LAST END": the milliseconds from its start at which a conversion of the large input
# into (a copy of) DIR was first and last seen with its journal, and at which it ended.
time_run() {
    rm -rf "$WORK/timing" && cp -a "$1" "$WORK/timing"
    first="" last=""
    start=$(now_ms)
    # shellcheck disable=SC2086
    "$CLI" convert "$WORK/prices.csv" --out "$WORK/timing" --symbol TIMING $CONVERT_OPTS > /dev/null 2>&1 &
    pid=$!
    while kill -0 "$pid" 2> /dev/null; do
        if [ -e "$WORK/timing/PELMAR.JNL" ]; then
            last=$(($(now_ms) - start))
            [ -n "$first" ] || first=$last
        fi
    done
    wait "$pid" || true
    end=$(($(now_ms) - start))
    echo "${first:-0} ${last:-$end} $end"
}

fresh
set -- $(time_run "$WORK/db") $(time_run "$WORK/dbx")
db_first=$1 db_last=$2 db_end=$3 dbx_first=$4 dbx_last=$5 dbx_end=$6
echo "kill test: a run takes $db_end ms (commit from $db_first to $db_last ms) on MASTER and EMASTER," \
     "$dbx_end ms (commit from $dbx_first to $dbx_last ms) with XMASTER; every kill falls inside one," \
     "every other one inside its commit"
added_db="SEED" added_dbx="S1 S255 XSEED"
# How long one look for the journal takes, in nanoseconds: the waits inside a commit are counted
# in looks, as the shell has no finer clock than a process of its own.
looks=0 start=$(date +%s%N)
while [ "$looks" -lt 20000 ]; do [ -e "$WORK/db/PELMAR.JNL" ] || true; looks=$((looks + 1)); done
look_ns=$((($(date +%s%N) - start) / 20000 + 1))
journals=0
i=0
while [ "$i" -lt "$KILLS" ]; do
    i=$((i + 1))
    # db's MASTER holds 255 securities: start afresh now and then.
    if [ $((i % 100)) -eq 0 ]; then
        fresh
        added_db="SEED" added_dbx="S1 S255 XSEED"
    fi
    dir="$WORK/db"
    [ $((i % 2)) -eq 0 ] || dir="$WORK/dbx"
    if [ $((i % 4)) -lt 2 ]; then
        # Within its commit: from the journal's appearance, a random part of the commit's length.
        length=$((db_last + 1 - db_first)) end=$db_end
        [ "$dir" = "$WORK/db" ] || { length=$((dbx_last + 1 - dbx_first)); end=$dbx_end; }
        wait_looks=$(awk -v s="$i" -v l="$length" -v n="$look_ns" 'BEGIN { srand(s); printf "%d", rand() * l * 1000000 / n }')
        give_up=$((end * 5 * 1000000 / look_ns)) # the run ended (or failed) without a journal
    fi
    # The program itself in the background (not a function's subshell), so that the kill hits it.
    # shellcheck disable=SC2086
    "$CLI" convert "$WORK/prices.csv" --out "$dir" --symbol "K$i" $CONVERT_OPTS > /dev/null 2>&1 &
    pid=$!
    if [ $((i % 4)) -lt 2 ]; then
        looks=0
        while [ ! -e "$dir/PELMAR.JNL" ] && [ "$looks" -lt "$give_up" ]; do looks=$((looks + 1)); done
        looks=0
        while [ "$looks" -lt "$wait_looks" ]; do [ -e "$dir/PELMAR.JNL" ] || true; looks=$((looks + 1)); done
    else
        # A random moment within the run.
        to=$db_end
        [ "$dir" = "$WORK/db" ] || to=$dbx_end
        sleep "$(awk -v s="$i" -v b="$to" 'BEGIN { srand(s); printf "%.3f", rand() * b / 1000 }')"
    fi
    kill -9 "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
    [ ! -e "$dir/PELMAR.JNL" ] || journals=$((journals + 1))
    # Right after the kill, before anything finishes it: no entry without its data file.
    whole_data "$dir" || { echo "kill $i: an entry of $dir lacks its data file" >&2; exit 1; }
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
echo "kill test: $KILLS kills, $journals of them left a journal; both databases whole after each"
if [ $((journals * 10)) -lt "$KILLS" ]; then
    echo "kill test: fewer than one kill in ten caught a change in its commit; the commit was not tested" >&2
    exit 1
fi

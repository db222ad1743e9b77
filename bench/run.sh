#!/usr/bin/env bash
# Times whole conversions of invented price files: `pelmar-cli convert` of an oldest-first
# file, and of the same bars newest first with --reverse, against `cp` of the input as the
# floor. Then runs reverse_input_bench, the reversal alone.
#
#   bench/run.sh BUILD_DIR [REPEATS]     (make bench: bench/run.sh build)
#
# Each time is the median of REPEATS runs (default 5), every run on a fresh copy of the
# input and into a fresh output directory. Settings go to a scratch XDG_CONFIG_HOME.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: bench/run.sh BUILD_DIR [REPEATS]" >&2
    exit 2
fi
BUILD=$1
REPEATS=${2:-5}
if ! [[ $REPEATS =~ ^[1-9][0-9]*$ ]]; then
    echo "bench/run.sh: REPEATS must be a positive number, not '$REPEATS'" >&2
    exit 2
fi
CLI=$BUILD/pelmar-cli
GEN=$BUILD/bench/generate-prices
REVERSE_BENCH=$BUILD/bench/reverse_input_bench
if [[ ! -x $GEN ]]; then
    echo "bench/run.sh: $GEN is missing; build the project in $BUILD first" >&2
    exit 1
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/pelmar-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME"

HAVE_CONVERT=0
if [[ -x $CLI ]] && "$CLI" convert --help >/dev/null 2>&1; then
    HAVE_CONVERT=1
else
    echo "note: $CLI has no convert command; only the cp floor is timed" >&2
fi

now_us() {
    local t=${EPOCHREALTIME/[.,]/}
    echo "$t"
}

# The median of the numbers on stdin, in milliseconds with two decimals (input in µs).
median_ms() {
    sort -n | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "-"; exit }
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.2f", m / 1000 }'
}

# time_cp INPUT: µs of one cp per line, REPEATS lines.
time_cp() {
    local input=$1 i start
    for ((i = 0; i < REPEATS; i++)); do
        rm -f "$WORK/copy.csv"
        start=$(now_us)
        cp "$input" "$WORK/copy.csv"
        echo $(($(now_us) - start))
    done
}

# time_convert INPUT OUTDIR [convert options]: µs of one conversion per line. The database
# of the last run stays in OUTDIR for the comparison below.
time_convert() {
    local input=$1 out=$2 i start rc
    shift 2
    for ((i = 0; i < REPEATS; i++)); do
        rm -rf "$out" && mkdir -p "$out"
        cp "$input" "$WORK/run.csv"
        start=$(now_us)
        rc=0
        "$CLI" convert "$WORK/run.csv" --out "$out" --symbol BENCH --name "Bench Corp" --new-master \
            --date-format MM_DD_CCYY --skip-rows 1 "$@" >"$WORK/convert.log" 2>&1 || rc=$?
        local elapsed=$(($(now_us) - start))
        if [[ $rc -ne 0 ]]; then
            echo "bench/run.sh: convert $* failed with $rc:" >&2
            cat "$WORK/convert.log" >&2
            return 1
        fi
        echo "$elapsed"
    done
}

printf '%-8s %10s %10s %10s %12s %5s\n' bars "cp ms" "convert" "--reverse" "reverse cost" same
for bars in 1000 10000 65534; do
    newest=$WORK/newest-$bars.csv
    oldest=$WORK/oldest-$bars.csv
    "$GEN" "$bars" "$newest"
    "$GEN" "$bars" "$oldest" --oldest-first
    floor=$(time_cp "$newest" | median_ms)
    if [[ $HAVE_CONVERT -eq 1 ]]; then
        plain=$(time_convert "$oldest" "$WORK/db-plain" | median_ms)
        reversed=$(time_convert "$newest" "$WORK/db-reverse" --reverse | median_ms)
        cost=$(awk -v a="$reversed" -v b="$plain" 'BEGIN { printf "%.2f", a - b }')
        # Both runs hold the same bars, so they must write the same database.
        same=yes
        for f in MASTER F1.DAT F1.DOP; do
            cmp -s "$WORK/db-plain/$f" "$WORK/db-reverse/$f" || same=NO
        done
    else
        plain=- reversed=- cost=- same=-
    fi
    printf '%-8s %10s %10s %10s %12s %5s\n' "$bars" "$floor" "$plain" "$reversed" "$cost" "$same"
    [[ $same != NO ]] || { echo "bench/run.sh: the reversed file converted differently" >&2; exit 1; }
done

if [[ -x $REVERSE_BENCH ]]; then
    echo
    "$REVERSE_BENCH"
fi

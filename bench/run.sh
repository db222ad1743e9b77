#!/usr/bin/env bash
# Times whole conversions against the floor in the same run: `floor-convert`, one buffered
# pass that parses the same files and writes the same records, and `pelmar-cli convert`.
#
#   bench/run.sh BUILD_DIR [REPEATS] [BATCH_FILES]     (make bench: bench/run.sh build)
#
# 1. One file of 6,553 and of 65,534 bars, oldest first and newest first (--reverse): each
#    conversion's time over the floor's (goal: at most 3), and the growth from 6,553 to 65,534
#    bars (goal: about 10).
# 2. A batch of BATCH_FILES files (default 1,000) of 2,500 bars into one folder with
#    --symbol-from-file-name, against the floor over the same files (goal: at most 3).
# Each time is the median of REPEATS runs (default 5; the batch runs REPEATS/2 + 1 times),
# every run into a fresh folder. Settings go to a scratch XDG_CONFIG_HOME.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 3 ]]; then
    echo "usage: bench/run.sh BUILD_DIR [REPEATS] [BATCH_FILES]" >&2
    exit 2
fi
BUILD=$1
REPEATS=${2:-5}
BATCH_FILES=${3:-1000}
CLI=$BUILD/pelmar-cli
GEN=$BUILD/bench/generate-prices
FLOOR=$BUILD/bench/floor-convert
for program in "$CLI" "$GEN" "$FLOOR"; do
    [[ -x $program ]] || { echo "bench/run.sh: $program is missing; build the project in $BUILD first" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/pelmar-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME"

now_us() { local t=${EPOCHREALTIME/[.,]/}; echo "$t"; }

# The median of the numbers on stdin (µs), in milliseconds with two decimals.
median_ms() {
    sort -n | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.2f", m / 1000 }'
}

# time_runs N COMMAND...: µs of N runs of COMMAND, one per line, each into a fresh $WORK/out.
time_runs() {
    local n=$1 i start
    shift
    for ((i = 0; i < n; i++)); do
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        start=$(now_us)
        if ! "$@" >"$WORK/run.log" 2>&1; then
            echo "bench/run.sh: $* failed:" >&2
            cat "$WORK/run.log" >&2
            return 1
        fi
        echo $(($(now_us) - start))
    done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "One file (median of $REPEATS runs, ms):"
printf '%-8s %-9s %10s %10s %7s\n' bars order floor convert ratio
declare -A CONVERT_MS
for bars in 6553 65534; do
    "$GEN" "$bars" "$WORK/newest-$bars.csv"
    "$GEN" "$bars" "$WORK/oldest-$bars.csv" --oldest-first
    for order in oldest newest; do
        input=$WORK/$order-$bars.csv
        reverse=()
        [[ $order == newest ]] && reverse=(--reverse)
        floor=$(time_runs "$REPEATS" "$FLOOR" "${reverse[@]}" "$WORK/out" "$input" | median_ms)
        convert=$(time_runs "$REPEATS" "$CLI" convert "$input" --out "$WORK/out" --symbol BENCH \
            --name "Bench Corp" --new-master --date-format MM_DD_CCYY --skip-rows 1 "${reverse[@]}" | median_ms)
        CONVERT_MS[$order-$bars]=$convert
        printf '%-8s %-9s %10s %10s %7s\n' "$bars" "$order" "$floor" "$convert" "$(ratio "$convert" "$floor")"
    done
done
echo "growth from 6,553 to 65,534 bars: oldest first $(ratio "${CONVERT_MS[oldest-65534]}" "${CONVERT_MS[oldest-6553]}")," \
     "newest first $(ratio "${CONVERT_MS[newest-65534]}" "${CONVERT_MS[newest-6553]}")"

if [[ $BATCH_FILES -gt 0 ]]; then
    mkdir -p "$WORK/batch"
    for ((i = 1; i <= BATCH_FILES; i++)); do
        "$GEN" 2500 "$WORK/batch/T$i.csv" --oldest-first --seed "$i"
    done
    runs=$((REPEATS / 2 + 1))
    floor=$(time_runs "$runs" "$FLOOR" "$WORK/out" "$WORK"/batch/*.csv | median_ms)
    convert=$(time_runs "$runs" "$CLI" convert "$WORK"/batch/*.csv --out "$WORK/out" --symbol-from-file-name \
        --new-master --date-format MM_DD_CCYY --skip-rows 1 | median_ms)
    echo
    echo "Batch of $BATCH_FILES files of 2,500 bars (median of $runs runs, ms):"
    printf '%10s %10s %7s\n' floor convert ratio
    printf '%10s %10s %7s\n' "$floor" "$convert" "$(ratio "$convert" "$floor")"
fi

#!/usr/bin/env bash
# Times whole conversions against the floor in the same run: `floor-convert`, one buffered
# pass that parses the same files and writes the same records, and `pelmar-cli convert`.
#
#   bench/run.sh BUILD_DIR [REPEATS] [BATCH_FILES]     (make bench: bench/run.sh build)
#
# 1. One file of 6,553 and of 65,534 bars, oldest first and newest first (--reverse): each
#    conversion's time over the floor's (goal: at most 3), and the growth from 6,553 to 65,534
#    bars (goal: about 10); then 65,534 one-minute bars with a Time column (goal: the daily ratio).
# 2. A batch of BATCH_FILES files (default 1,000) of 2,500 bars into one folder with
#    --symbol-from-file-name, against the floor over the same files (goal: at most 3).
# 3. A full folder, for each count of FULL_FOLDER_FILES (default "300 6000") files of 250 bars:
#    the first batch into a new folder (255 securities in MASTER, the rest in XMASTER) against
#    the one-pass floor (goal: at most 3), and the next day's update of one bar a file
#    (--update) against floor-update, which parses each file, appends each record and rewrites
#    the directory files with one sync (goal: at most 5); both linear (goal: the largest count
#    costs at most its share of files times the smallest, 25 for 300 -> 6,000).
# Each time is the median of REPEATS runs (default 5; the batches run REPEATS/2 + 1 times),
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
GEN_BATCH=$BUILD/bench/generate-batch
FLOOR=$BUILD/bench/floor-convert
FLOOR_UPDATE=$BUILD/bench/floor-update
FULL_FOLDER_FILES=${FULL_FOLDER_FILES:-300 6000}
for program in "$CLI" "$GEN" "$GEN_BATCH" "$FLOOR" "$FLOOR_UPDATE"; do
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

# Intraday bars: 65,534 one-minute bars with a Time column, against the same floor reading
# the time as well (goal: the ratio of the daily bars above).
"$GEN" 65534 "$WORK/minutes.csv" --minutes --oldest-first
floor=$(time_runs "$REPEATS" "$FLOOR" --minutes "$WORK/out" "$WORK/minutes.csv" | median_ms)
convert=$(time_runs "$REPEATS" "$CLI" convert "$WORK/minutes.csv" --out "$WORK/out" --symbol BENCH --new-master \
    --date-format MM_DD_CCYY --skip-rows 1 --time-col 2 --open-col 3 --high-col 4 --low-col 5 --close-col 6 \
    --volume-col 7 --oi-col 8 --interval 1 | median_ms)
printf '%-8s %-9s %10s %10s %7s\n' 65534 "1-minute" "$floor" "$convert" "$(ratio "$convert" "$floor")"

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

# time_pair N TEMPLATE FLOOR... -- PELMAR...: "FLOOR_MS PELMAR_MS", the medians of N runs of
# each, taken in turns so that both meet the same machine; each run on a fresh copy of the
# folder TEMPLATE (or a new empty folder when TEMPLATE is -) that the command names as "{}".
# Folders are removed only after all runs: a file system that has just deleted thousands of
# files is slow to create new ones for a while, which would time the deletion, not the run.
time_pair() {
    local n=$1 template=$2 i start dir a which
    shift 2
    local floor=() pelmar=()
    while [[ $1 != -- ]]; do floor+=("$1"); shift; done
    shift
    pelmar=("$@")
    : > "$WORK/floor.us"
    : > "$WORK/pelmar.us"
    for ((i = 0; i < n; i++)); do
        for which in floor pelmar; do
            dir=$WORK/run.$RANDOM$RANDOM
            if [[ $template == - ]]; then mkdir -p "$dir"; else cp -a "$template" "$dir"; fi
            local args=()
            if [[ $which == floor ]]; then
                for a in "${floor[@]}"; do args+=("${a//\{\}/$dir}"); done
            else
                for a in "${pelmar[@]}"; do args+=("${a//\{\}/$dir}"); done
            fi
            sync
            start=$(now_us)
            if ! "${args[@]}" >"$WORK/run.log" 2>&1; then
                echo "bench/run.sh: ${args[*]:0:6} ... failed:" >&2
                tail -n 20 "$WORK/run.log" >&2
                return 1
            fi
            echo $(($(now_us) - start)) >> "$WORK/$which.us"
        done
    done
    echo "$(median_ms < "$WORK/floor.us") $(median_ms < "$WORK/pelmar.us")"
}

if [[ -n $FULL_FOLDER_FILES ]]; then
    runs=$((REPEATS / 2 + 1))
    rm -rf "$WORK/out" && sync && sleep 2
    echo
    echo "Full folder, files of 250 bars, then one bar a file the next day (median of $runs runs, ms):"
    printf '%-7s %-12s %10s %10s %7s %6s\n' files work floor pelmar ratio goal
    declare -A FULL_MS
    for files in $FULL_FOLDER_FILES; do
        data=$WORK/full-$files
        "$GEN_BATCH" "$files" 250 "$data"
        convert_first=("$CLI" convert "$data"/first/*.csv --out "{}" --new-master --symbol-from-file-name
                       --date-format MM_DD_CCYY --skip-rows 1)
        read -r floor pelmar < <(time_pair "$runs" - "$FLOOR" "{}" "$data"/first/*.csv -- "${convert_first[@]}")
        FULL_MS[first-$files]=$pelmar
        printf '%-7s %-12s %10s %10s %7s %6s\n' "$files" "first batch" "$floor" "$pelmar" "$(ratio "$pelmar" "$floor")" 3
        # The folder of the next day's update: the first batch as Pelmar writes it.
        mkdir -p "$data/db"
        "${convert_first[@]/\{\}/$data/db}" >/dev/null
        read -r floor pelmar < <(time_pair "$runs" "$data/db" "$FLOOR_UPDATE" "{}" "$data"/next/*.csv -- \
            "$CLI" convert "$data"/next/*.csv --out "{}" --update --symbol-from-file-name --date-format MM_DD_CCYY \
            --skip-rows 1)
        FULL_MS[next-$files]=$pelmar
        printf '%-7s %-12s %10s %10s %7s %6s\n' "$files" "next day" "$floor" "$pelmar" "$(ratio "$pelmar" "$floor")" 5
    done
    rm -rf "$WORK"/run.*
    set -- $FULL_FOLDER_FILES
    if [[ $# -ge 2 ]]; then
        small=$1 large=${!#}
        echo "growth from $small to $large files (goal: at most $(ratio $((large * 5)) $((small * 4))) x):" \
             "first batch $(ratio "${FULL_MS[first-$large]}" "${FULL_MS[first-$small]}")," \
             "next day $(ratio "${FULL_MS[next-$large]}" "${FULL_MS[next-$small]}")"
    fi
fi

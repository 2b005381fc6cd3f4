#!/usr/bin/env bash
# Speed and memory of the conversion jobs beside a plain line-by-line copy.
#
#   bash scripts/benchmark.sh [BLOCKS ...]
#
# BLOCKS: program sizes to measure, default 1000000 10000000. Environment:
#   PIVORA_BUILD_DIR  the build folder with pivora-run and pivora-bench (build/;
#                     built there when missing)
#   PIVORA_BENCH_RUNS runs of each command, the median is shown (default 3)
#
# For each size it generates two milling programs (CR LF, comments in code page
# 932): pockets of 20 blocks (rapids, feeds, arcs in I/J and R form, a G91
# section, drilling cycles, M codes), and short machinings of 10 blocks each.
# Then it measures wall time and peak memory of
#   - a compiled line-by-line copy of the program (getline/fwrite, -O2), the yardstick;
#   - the whole-program rotation alone (pivora-bench convert: the driver, no check);
#   - the same job with its tool-path check, as users run it (pivora-run --no-wait);
#   - copies of the whole program, N = 4, and per machining, N = 3 (pivora-run);
#   - per machining, N = 3, on the program of short machinings (pivora-run);
# and prints each time divided by the copy's time, beside the aim. Jobs that
# write more than they read are held to their aim times the output size ratio
# (output bytes / input bytes): the copy of a bigger file takes longer too.
# Not a test: figures depend on the machine and its load.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PIVORA_BUILD_DIR:-$root/build}
runs=${PIVORA_BENCH_RUNS:-3}
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000000 10000000)

if [ ! -x /usr/bin/time ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq time >/dev/null
fi
if [ ! -x "$build/pivora-run" ] || [ ! -x "$build/pivora-bench" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j 2 --target pivora-run pivora-bench >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pivora-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

cat >"$work/line_copy.cpp" <<'EOF'
// The yardstick: copy a file line by line, as plain as it gets.
#include <cstdio>
#include <cstdlib>
int main(int argc, char **argv) {
    if (argc != 3) return 2;
    FILE *in = fopen(argv[1], "rb");
    FILE *out = fopen(argv[2], "wb");
    if (!in || !out) return 1;
    char *line = nullptr;
    size_t size = 0;
    ssize_t length;
    while ((length = getline(&line, &size, in)) > 0) fwrite(line, 1, static_cast<size_t>(length), out);
    free(line);
    return fclose(in) != 0 || fclose(out) != 0;
}
EOF
g++ -O2 -o "$work/line_copy" "$work/line_copy.cpp"

# A program of about `count` blocks: one header, then pockets of 20 blocks each.
generate_pockets() {  # COUNT FILE
    LC_ALL=C awk -v count="$1" 'BEGIN {
        comment = "(\203|\203P\203b\203g\211\301\215H)"   # (ポケット加工) in code page 932
        printf "%%\r\nO1234\r\nG90 G17 G40 G80\r\nT01 M06\r\nG54\r\nG43 H01 Z50.\r\nS1500 M03\r\nM08\r\n"
        n = 9
        for (k = 0; n < count - 3; k++) {
            x = (k % 50) * 2.5 + 10; y = int(k / 50) % 40 * 2.5 - 50
            printf "%s\r\nG00 X%.3f Y%.3f\r\nZ5.\r\nG01 Z-2. F80\r\n", comment, x, y
            printf "X%.3f F250\r\nG03 X%.3f Y%.3f R2.5\r\nG01 X%.3f\r\n", x + 10, x + 10, y + 5, x
            printf "G02 X%.3f Y%.3f I0. J-2.5\r\nG00 Z5.\r\n", x, y
            printf "G91 G01 Z-7. F80\r\nX10. F250\r\nY5.\r\nX-10.\r\nY-5.\r\nG90 G00 Z5.\r\n"
            printf "G99 G81 X%.3f Y%.3f Z-10. R2. F100\r\nX%.3f\r\nG98 G83 X%.3f Y%.3f Z-20. R2. Q3.\r\nG80\r\nM09\r\n", x + 5, y + 2.5, x + 6, x + 5, y + 3.5
            n += 20
        }
        printf "G00 Z100.\r\nM30\r\n%%\r\n"
    }' >"$2"
}

# A program of about `count` blocks in machinings of 10 blocks: a small square
# cut at two depths, each from a rapid approach to a rapid retract.
generate_short_machinings() {  # COUNT FILE
    LC_ALL=C awk -v count="$1" 'BEGIN {
        printf "%%\r\nO2345\r\nG90 G17 G40 G80\r\nT02 M06\r\nG54 G00 X0. Y0. S3000 M03\r\nG43 H02 Z50.\r\n"
        n = 7
        for (k = 0; n < count - 3; k++) {
            x = (k % 100) * 3 - 150; y = int(k / 100) % 100 * 3 - 150
            printf "G00 X%.3f Y%.3f\r\nZ2.\r\nG01 Z-1. F100\r\nX%.3f\r\nY%.3f\r\n", x, y, x + 2, y + 2
            printf "X%.3f\r\nY%.3f\r\nZ-1.5\r\nX%.3f\r\nG00 Z2.\r\n", x, y, x + 2
            n += 10
        }
        printf "G00 Z100.\r\nM30\r\n%%\r\n"
    }' >"$2"
}

# "seconds peak-kilobytes" of one command: wall clock from date (finer than
# time's hundredths), peak resident set from GNU time.
measure_once() {
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
        echo "benchmark: command failed: $*" >&2
        cat "$work/stderr.txt" >&2
        exit 1
    }
    end=$(date +%s%N)
    echo "$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }') $(tail -n 1 "$work/time.txt")"
}

# The median time and the highest peak of `runs` runs; OUTPUT is removed before
# each run, since pivora-run asks before it replaces a file.
measure() {  # OUTPUT COMMAND ...
    local output=$1
    shift
    local results=()
    for _ in $(seq "$runs"); do
        rm -f "$output"
        results+=("$(measure_once "$@")")
    done
    printf '%s\n' "${results[@]}" | sort -n | awk -v n="$runs" '
        { t[NR] = $1; if ($2 > m) m = $2 }
        END { printf "%s %d\n", t[int((n + 1) / 2)], m }'
}

bytes() { stat -c %s "$1"; }

# One line of the table: job, time, peak, size ratio, aim (per unit of size ratio).
report() {  # NAME TIME PEAK SIZE_RATIO AIM COPY_TIME
    awk -v name="$1" -v t="$2" -v m="$3" -v r="$4" -v aim="$5" -v c="$6" 'BEGIN {
        x = c > 0 ? t / c : 0
        if (aim == "-") {
            printf "  %-34s %8.3f s %7d kB %6.2f x  %5.2f\n", name, t, m, x, r
            exit
        }
        limit = aim * r
        printf "  %-34s %8.3f s %7d kB %6.2f x  %5.2f  %6.2f x  %s\n", name, t, m, x, r, limit,
               (x <= limit ? "holds" : "misses")
    }'
    if [ "$5" != - ] && [ "$3" -gt "$peak_kb" ]; then peak_kb=$3; fi
}

run_size() {  # COUNT
    local count=$1
    local pockets="$work/pockets.nc" short="$work/short.nc" out="$work/out.nc"
    generate_pockets "$count" "$pockets"
    generate_short_machinings "$count" "$short"
    export PIVORA_SETTINGS_DIR="$work"
    local in_bytes short_bytes
    in_bytes=$(bytes "$pockets")
    short_bytes=$(bytes "$short")
    measure "$out" "$work/line_copy" "$pockets" "$out" >/dev/null  # warm the page cache
    local copy copy_short
    copy=$(measure "$out" "$work/line_copy" "$pockets" "$out")
    copy_short=$(measure "$out" "$work/line_copy" "$short" "$out")
    echo "$(wc -l <"$pockets") blocks ($((in_bytes / 1024)) kB); short machinings: $(wc -l <"$short") blocks"
    printf '  %-34s %8s   %10s %8s  %5s  %8s\n' "job" "time" "peak" "/copy" "size" "aim"
    set -- $copy
    local copy_time=$1
    report "line copy (the yardstick)" "$1" "$2" 1 - "$copy_time"

    set -- $(measure "$out" "$build/pivora-bench" convert "$pockets" "$out" 30 1 0 0)
    report "whole program, conversion alone" "$1" "$2" 1 2.0 "$copy_time"
    set -- $(measure "$out" "$build/pivora-run" --no-wait --angle 30 --centre 0,0 -o "$out" "$pockets")
    report "whole program with the check" "$1" "$2" 1 3.0 "$copy_time"
    local t m
    read -r t m < <(measure "$out" "$build/pivora-run" --no-wait --angle 90 --centre 0,0 --copies 4 --whole \
        -o "$out" "$pockets")
    report "copies of the whole program, N=4" "$t" "$m" "$(awk -v o="$(bytes "$out")" -v i="$in_bytes" \
        'BEGIN { printf "%.3f", o / i }')" 3.0 "$copy_time"
    read -r t m < <(measure "$out" "$build/pivora-run" --no-wait --angle 120 --centre 0,0 --copies 3 \
        --per-machining -o "$out" "$pockets")
    report "per machining, N=3" "$t" "$m" "$(awk -v o="$(bytes "$out")" -v i="$in_bytes" \
        'BEGIN { printf "%.3f", o / i }')" 3.0 "$copy_time"
    set -- $copy_short
    local short_copy_time=$1
    read -r t m < <(measure "$out" "$build/pivora-run" --no-wait --angle 120 --centre 0,0 --copies 3 \
        --per-machining -o "$out" "$short")
    report "per machining, short ones, N=3" "$t" "$m" "$(awk -v o="$(bytes "$out")" -v i="$short_bytes" \
        'BEGIN { printf "%.3f", o / i }')" 3.0 "$short_copy_time"
    echo "  (short machinings against their own line copy: $short_copy_time s)"
    rm -f "$pockets" "$short" "$out"
}

echo "Pivora conversion jobs against a plain line copy (median of $runs runs, waits off)"
echo "aim: time / copy at most the aim column (2 or 3, times the output size ratio); peak memory flat"
for size in "${sizes[@]}"; do
    peak_kb=0
    run_size "$size"
    echo "  highest peak of the jobs: $peak_kb kB (aim: at most 8192 kB, the same at every size)"
done

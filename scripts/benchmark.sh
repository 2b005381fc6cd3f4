#!/usr/bin/env bash
# Speed and memory of a whole-program rotation beside a plain line-by-line copy.
#
#   bash scripts/benchmark.sh [LINES [BUILD_DIR]]
#
# LINES defaults to 1000000 (the run is repeated at twice that); BUILD_DIR, or
# else $PIVORA_BUILD_DIR, else build/, holds pivora-run (built there, two jobs,
# when it is missing).
#
# Generates a milling program of LINES blocks (rapids, feeds, arcs in I/J and R
# form, a G91 section, drilling cycles, comments in code page 932, M codes; CR LF)
# in a temporary folder, then measures whole-process wall time and peak memory of
#   - pivora-run --no-wait on it (keep-source off: the whole-program driver), and
#   - a compiled line-by-line copy of the same file (getline/fwrite, -O2),
# and prints their ratio against the aim of at most 3x. The second size shows
# that peak memory does not grow with the file. Not a test: figures depend on
# the machine. On the development machine (2 cores, 1M blocks) the conversion
# took 1.8 to 2.2 s against a 0.06 s copy (24 to 35x) before the block index
# and the whole-number formatting, 0.43 to 0.55 s (7 to 10x) after them, and
# 0.29 to 0.37 s (5 to 6x) once each line was indexed a single time for all of
# its tests and the sine and cosine were kept for the pass's one angle (about
# 18% fewer instructions than before that step).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lines=${1:-1000000}
build=${2:-${PIVORA_BUILD_DIR:-$root/build}}

if [ ! -x /usr/bin/time ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq time >/dev/null
fi
if [ ! -x "$build/pivora-run" ]; then
    cmake -S "$root" -B "$build" >/dev/null
    cmake --build "$build" -j 2 --target pivora-run >/dev/null
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
generate() {  # COUNT FILE
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

# Prints "seconds peak-kilobytes" of one command: the wall clock from date (finer
# than time's hundredths), the peak resident set from GNU time.
measure() {
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

run_size() {  # COUNT
    local count=$1 program="$work/program_$1.nc"
    generate "$count" "$program"
    printf '[Pivora]\r\nNCFILE1=%s\r\nNCFILE2=%s\r\nROTANGLE=30\r\nROTXCOORD=0\r\nROTYCOORD=0\r\nROTCOUNT=1\r\nNCDATAKEEP=0\r\n' \
        "$program" "$work/rotated_$count.nc" >"$work/job_$count.ini"
    measure "$work/line_copy" "$program" "$work/copy_$count.nc" >/dev/null  # warm the page cache
    local copy run
    copy=$(measure "$work/line_copy" "$program" "$work/copy_$count.nc")
    run=$(TSYAIDE=1 PIVORA_SETTINGS_DIR="$work" measure "$build/pivora-run" --no-wait "$work/job_$count.ini")
    local input_lines output_lines size
    input_lines=$(wc -l <"$program")
    output_lines=$(wc -l <"$work/rotated_$count.nc")
    size=$(du -k "$program" | cut -f1)
    set -- $copy $run
    awk -v lines="$input_lines" -v out="$output_lines" -v kb="$size" \
        -v cs="$1" -v cm="$2" -v rs="$3" -v rm="$4" 'BEGIN {
        printf "%d lines (%d kB) -> %d lines\n", lines, kb, out
        printf "  line copy      %7.3f s  %7d kB peak\n", cs, cm
        printf "  pivora-run     %7.3f s  %7d kB peak\n", rs, rm
        printf "  ratio          %7.1f x   (aim: at most 3 x)\n", (cs > 0 ? rs / cs : 0)
    }'
    rm -f "$program" "$work/copy_$count.nc" "$work/rotated_$count.nc"
}

echo "whole-program rotation (30 degrees) against a plain line copy"
run_size "$lines"
run_size $((lines * 2))

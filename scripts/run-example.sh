#!/usr/bin/env bash
# Converts the bundled examples with each composition and shows the log:
#   whole.ini          the pocket program rotated once by 30 degrees
#   copies.ini         the contour program and three copies at 90, 180, 270 degrees
#   per_machining.ini  the pocket program, every cut followed by copies at 120 and 240 degrees
#
#   bash scripts/run-example.sh [OUTPUT_FOLDER]
#
# Installs what is missing, builds the console runner natively into build/, copies
# the examples into OUTPUT_FOLDER (default out/examples under the project, made
# afresh; a folder given here must be new or empty), writes the control files
# there with absolute paths and runs pivora-run unattended on each. Pivora.ini is
# created in the output folder (PIVORA_SETTINGS_DIR), so the runs do not depend
# on settings left from earlier work. PIVORA_BUILD_DIR names another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
build=${PIVORA_BUILD_DIR:-$root/build}

if [ $# -gt 0 ]; then
    out=$1
    if [ -e "$out" ] && [ -n "$(ls -A "$out" 2>/dev/null)" ]; then
        echo "run-example: $out is not empty; give a new or empty folder" >&2
        exit 2
    fi
else
    out="$root/out/examples"
    rm -rf "$out"
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)

"$root/scripts/install-deps.sh"

echo "== building pivora-run in $build"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$jobs" --target pivora-run >/dev/null

cp "$root"/examples/*.nc "$out/"
# The control files name their NC files relative to the examples folder; here
# they get the absolute paths a control file needs.
for control in "$root"/examples/*.ini; do
    OUTDIR="$out" awk '
        BEGIN { dir = ENVIRON["OUTDIR"] }
        /^[Nn][Cc][Ff][Ii][Ll][Ee][12][ \t]*=/ {
            at = index($0, "=")
            printf "%s=%s/%s\n", substr($0, 1, at - 1), dir, substr($0, at + 1)
            next
        }
        { print }
    ' "$control" >"$out/$(basename "$control")"
done

status=0
for name in whole copies per_machining; do
    control="$out/$name.ini"
    output=$(tr -d '\r' <"$control" | sed -n 's/^NCFILE2=//p')
    echo
    echo "== $name: pivora-run --no-wait $control"
    if TSYAIDE=1 PIVORA_SETTINGS_DIR="$out" "$build/pivora-run" --no-wait "$control"; then
        echo "-> $output ($(wc -l <"$output") lines, code page 932, CR LF)"
    else
        echo "-> failed (exit status $?)"
        status=1
    fi
done
echo
echo "Inputs, control files, outputs and Pivora.ini are in $out"
exit $status

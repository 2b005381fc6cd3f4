# The picture of a conversion: a well-formed SVG file beside the output, named
# in the log, with one stroke piece per move of each program. The program has
# four moves from a known point (a cut, a half circle, a cut back, a rapid), so
# the source and its turned copy give 8 pieces (2 of them arcs) in 4 strokes
# (the cuts and the rapid of each), and the legend adds 5 keys.
set -u
svg="$DIR/out.svg"
[ -f "$svg" ] || { echo "no out.svg"; exit 1; }
grep -qxF "工具経路の図 @DIR@/out.svg を書き込みました" "$LOG" || { echo "the log does not name the picture"; exit 1; }
if ! command -v xmllint >/dev/null 2>&1; then echo "no xmllint (libxml2-utils) to read the SVG"; exit 77; fi
xmllint --noout "$svg" || { echo "out.svg is not well-formed XML"; exit 1; }
pieces=$(grep -o '[LA][0-9-]' "$svg" | wc -l)
arcs=$(grep -o 'A[0-9-]' "$svg" | wc -l)
paths=$(grep -c '<path class=' "$svg")
[ "$pieces" -eq 8 ] || { echo "$pieces stroke pieces, expected 8"; exit 1; }
[ "$arcs" -eq 2 ] || { echo "$arcs arcs, expected 2"; exit 1; }
[ "$paths" -eq 9 ] || { echo "$paths path elements, expected 9"; exit 1; }
iconv -f CP932 -t UTF-8 "$svg" | grep -q '>照合: 一致（[0-9]* 動作を確認しました）</text>' ||
    { echo "the legend does not give the check's result"; exit 1; }
exit 0

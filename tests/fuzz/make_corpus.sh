#!/usr/bin/env bash
# Gathers the seed corpus of the fuzz targets from the source tree:
#   make_corpus.sh SOURCE_ROOT CORPUS_DIR
# CORPUS_DIR/nc       every NC program of examples/ and tests/ (the drivers)
# CORPUS_DIR/control  every control file (the job; @DIR@ stays, the target fills it in)
# CORPUS_DIR/settings every settings file and control file (the INI reader)
set -euo pipefail
root=${1:?usage: make_corpus.sh SOURCE_ROOT CORPUS_DIR}
corpus=${2:?usage: make_corpus.sh SOURCE_ROOT CORPUS_DIR}
mkdir -p "$corpus/nc" "$corpus/control" "$corpus/settings"
cd "$root"
copy() {  # FOLDER FILE: named after its path, so that no two collide
    cp "$2" "$corpus/$1/$(printf '%s' "$2" | tr '/' '_')"
}
while IFS= read -r file; do copy nc "$file"; done < <(find examples tests -name '*.nc' -type f | sort)
while IFS= read -r file; do
    copy control "$file"
    copy settings "$file"
done < <(find examples tests/runner -name '*.ini' -type f | sort)
echo "corpus: $(ls "$corpus/nc" | wc -l) NC programs, $(ls "$corpus/control" | wc -l) control files," \
    "$(ls "$corpus/settings" | wc -l) INI files in $corpus"

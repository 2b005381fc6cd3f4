#!/usr/bin/env bash
# The house rule of the source tree: a folder includes only from its own layer
# and the layers below it, bottom-up
#   platform -> log, settings -> nc -> toolpath, rotate -> job -> runner, shell
# and the tool-path check, which proves the rewrite, takes nothing of it: of nc/
# it may use only the word scanner's code page 932 rules.
#
#   check_includes.sh SOURCE_ROOT
set -u
root=${1:?usage: check_includes.sh SOURCE_ROOT}
cd "$root" || exit 2

# folder: the folders its files may include from (besides its own)
declare -A allowed=(
    [platform]=""
    [log]="platform"
    [settings]="platform log"
    [nc]="platform log settings"
    [toolpath]="platform log settings nc"
    [rotate]="platform log settings nc"
    [job]="platform log settings nc toolpath rotate"
)

status=0
for folder in "${!allowed[@]}"; do
    [ -d "$folder" ] || continue
    while IFS= read -r hit; do
        file=${hit%%:*}
        included=$(printf '%s' "$hit" | sed -n 's/.*#include "\([^"]*\)".*/\1/p')
        target=${included%%/*}
        [ "$target" = "$included" ] && continue   # a file of the same folder, by bare name
        [ "$target" = "$folder" ] && continue
        ok=0
        for permitted in ${allowed[$folder]}; do
            [ "$target" = "$permitted" ] && ok=1
        done
        if [ "$folder" = toolpath ] && [ "$target" = nc ] && [ "$included" != nc/word_scanner.h ]; then
            ok=0
        fi
        if [ $ok -eq 0 ]; then
            echo "layering: $file includes $included"
            status=1
        fi
    done < <(grep -rn '#include "' "$folder" --include='*.cpp' --include='*.h')
done
[ $status -eq 0 ] && echo "layering: every include points down"
exit $status

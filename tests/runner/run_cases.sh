#!/usr/bin/env bash
# End-to-end cases of the console runner pivora-run.
#
#   run_cases.sh PIVORA_RUN CASES_DIR [NAME...]
#
# Every folder under CASES_DIR/cases (conversions) and CASES_DIR/bad (inputs the
# job must refuse) is one behaviour. Each runs in a fresh folder of its own with
# its own settings folder (PIVORA_SETTINGS_DIR), a clean environment, LC_ALL=C
# (so the log comes out as UTF-8) and standard input from /dev/null.
#
# A case folder may hold:
#   files/        input files, copied into the work folder as they are
#   control.ini   the control file; @DIR@ becomes the work folder
#   settings.ini  Pivora.ini content (otherwise the runner creates the default)
#   env           VAR=value lines added to the runner's environment
#   args          the runner's arguments (@DIR@ replaced); default: --no-wait @DIR@/control.ini
#   setup.sh      run before the job with DIR, SETTINGS and CASE set; exit 77 skips the case
#   changes       names of files in the work folder the job may replace (one a line)
#   status        expected exit status (cases/ only; default 0)
#   expected.nc   the expected output @DIR@/out.nc, compared byte for byte
#   expected.log  the whole standard output, compared after normalising
#   expected.err  the whole standard error, compared after normalising
#   expected      (bad/ only) first line: a line the log must hold, or "exit N";
#                 further lines must appear in the log as well
# Normalising replaces the work folder by @DIR@ and the processing time by @TIME@.
#
# Besides the folders: where Pivora.ini is found without PIVORA_SETTINGS_DIR
# (location/*), the overwrite question answered on a terminal (question/*, with
# script(1)), and bad usage (usage). NAME picks cases: cases/worked_example,
# worked_example, or a whole group such as bad.
#
# PIVORA_KEEP_CASES=1 keeps the folders of failed cases.
#
# Every case also checks that each file present before the run (other than those
# in `changes`) is there afterwards with the same bytes, and that the only new
# file the job leaves behind is out.nc.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 PIVORA_RUN CASES_DIR [NAME...]" >&2
    exit 2
fi
runner=$(realpath "$1")
root=$(realpath "$2")
shift 2
wanted=("$@")

work_root=$(mktemp -d "${TMPDIR:-/tmp}/pivora-cases.XXXXXX")
cleanup() {
    # Cases make files immutable or read-only; undo that so everything goes.
    if command -v chattr >/dev/null 2>&1; then chattr -R -i "$work_root" 2>/dev/null; fi
    chmod -R u+rwX "$work_root" 2>/dev/null
    rm -rf "$work_root"
}
trap cleanup EXIT

passed=0
failed=0
skipped=0
failures=()

is_wanted() {
    [ ${#wanted[@]} -eq 0 ] && return 0
    local name
    for name in "${wanted[@]}"; do
        [ "$1" = "$name" ] || [ "${1#*/}" = "$name" ] || [ "${1%%/*}" = "$name" ] && return 0
    done
    return 1
}

# Replaces the work folder by @DIR@ and the processing time by @TIME@.
normalise() {  # FILE WORKDIR
    local escaped
    escaped=$(printf '%s' "$2" | sed 's/[][\.*^$|/]/\\&/g')
    sed -e "s|$escaped|@DIR@|g" \
        -e 's/処理時間は [0-9][0-9]*\.[0-9][0-9]* 秒です/処理時間は @TIME@ 秒です/g' "$1"
}

substitute() {  # FILE WORKDIR: @DIR@ becomes the work folder
    local escaped
    escaped=$(printf '%s' "$2" | sed 's/[\&|]/\\&/g')
    sed "s|@DIR@|$escaped|g" "$1"
}

# Saves a copy of every file in the work folder, to compare after the run.
snapshot() {  # WORKDIR SAVEDIR
    mkdir -p "$2"
    (cd "$1" && find . -type f -print0 | while IFS= read -r -d '' f; do
        mkdir -p "$2/$(dirname "$f")"
        cp -p "$f" "$2/$f" 2>/dev/null || : >"$2/$f.unreadable"
    done)
    (cd "$1" && find . -type f | sort) >"$2.list"
}

report_fail() {  # NAME WHY
    failed=$((failed + 1))
    failures+=("$1")
    echo "FAIL $1: $2"
}

run_case() {  # KIND CASE_FOLDER
    local kind=$1 case_dir=$2
    local name="$kind/${case_dir##*/}"
    is_wanted "$name" || return 0
    local base="$work_root/$kind-${case_dir##*/}"
    local dir="$base/work" settings="$base/settings"
    mkdir -p "$dir" "$settings" "$base/home"

    if [ -d "$case_dir/files" ]; then cp -R "$case_dir/files/." "$dir/"; fi
    if [ -f "$case_dir/control.ini" ]; then substitute "$case_dir/control.ini" "$dir" >"$dir/control.ini"; fi
    if [ -f "$case_dir/settings.ini" ]; then cp "$case_dir/settings.ini" "$settings/Pivora.ini"; fi
    if [ -f "$case_dir/setup.sh" ]; then
        DIR="$dir" SETTINGS="$settings" CASE="$case_dir" bash "$case_dir/setup.sh" >"$base/setup.out" 2>&1
        local setup_status=$?
        if [ $setup_status -eq 77 ]; then
            skipped=$((skipped + 1))
            echo "skip $name: $(tail -n 1 "$base/setup.out")"
            return 0
        elif [ $setup_status -ne 0 ]; then
            report_fail "$name" "setup failed: $(cat "$base/setup.out")"
            return 0
        fi
    fi
    snapshot "$dir" "$base/before"

    local args=(--no-wait "$dir/control.ini")
    if [ -f "$case_dir/args" ]; then
        read -r -a args <<<"$(substitute "$case_dir/args" "$dir")"
    fi
    local environment=(PATH="$PATH" HOME="$base/home" LC_ALL=C TMPDIR="$base"
        PIVORA_SETTINGS_DIR="$settings")
    local variable
    for variable in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
        [ -n "${!variable:-}" ] && environment+=("$variable=${!variable}")
    done
    if [ -f "$case_dir/env" ]; then
        while IFS= read -r variable; do
            [ -n "$variable" ] && environment+=("$variable")
        done <"$case_dir/env"
    fi

    (cd "$base" && env -i "${environment[@]}" "$runner" "${args[@]}") \
        </dev/null >"$base/stdout" 2>"$base/stderr"
    local status=$?
    normalise "$base/stdout" "$dir" >"$base/stdout.n"
    normalise "$base/stderr" "$dir" >"$base/stderr.n"

    local why=""
    local expected_status=0
    if [ "$kind" = bad ]; then
        expected_status=1
        local first
        first=$(head -n 1 "$case_dir/expected")
        if [[ "$first" =~ ^exit\ ([0-9]+)$ ]]; then expected_status=${BASH_REMATCH[1]}; fi
        local line
        while IFS= read -r line; do
            [[ "$line" =~ ^exit\ [0-9]+$ ]] && continue
            grep -qxF -- "$line" "$base/stdout.n" || why+=" log lacks [$line];"
        done <"$case_dir/expected"
    elif [ -f "$case_dir/status" ]; then
        expected_status=$(cat "$case_dir/status")
    fi
    [ "$status" -eq "$expected_status" ] || why+=" exit status $status, expected $expected_status;"
    if grep -q -E 'AddressSanitizer|runtime error:|LeakSanitizer' "$base/stderr"; then
        why+=" sanitizer report;"
    fi

    if [ -f "$case_dir/expected.nc" ]; then
        if [ ! -f "$dir/out.nc" ]; then
            why+=" no out.nc;"
        elif ! cmp -s "$case_dir/expected.nc" "$dir/out.nc"; then
            why+=" out.nc differs from expected.nc;"
        fi
    fi
    if [ -f "$case_dir/expected.log" ] && ! cmp -s "$case_dir/expected.log" "$base/stdout.n"; then
        why+=" log differs: $(diff "$case_dir/expected.log" "$base/stdout.n" | head -n 6 | tr '\n' ' ');"
    fi
    if [ -f "$case_dir/expected.err" ] && ! cmp -s "$case_dir/expected.err" "$base/stderr.n"; then
        why+=" standard error differs: $(diff "$case_dir/expected.err" "$base/stderr.n" | head -n 6 | tr '\n' ' ');"
    fi

    # Nothing the job did not create is changed or deleted.
    local file
    while IFS= read -r file; do
        file=${file#./}
        if [ -f "$case_dir/changes" ] && grep -qxF -- "$file" "$case_dir/changes"; then continue; fi
        if [ ! -f "$dir/$file" ]; then
            why+=" $file deleted;"
        elif [ -f "$base/before/$file" ] && ! cmp -s "$base/before/$file" "$dir/$file"; then
            why+=" $file changed;"
        fi
    done <"$base/before.list"
    # ... and the job leaves no file behind but its output.
    while IFS= read -r file; do
        file=${file#./}
        [ "$file" = out.nc ] && continue
        grep -qxF -- "./$file" "$base/before.list" || why+=" left behind: $file;"
    done < <(cd "$dir" && find . -type f | sort)

    if [ -n "$why" ]; then
        report_fail "$name" "$why"
        if [ -n "${PIVORA_KEEP_CASES:-}" ]; then trap - EXIT; echo "     kept in $base"; fi
    else
        passed=$((passed + 1))
        echo "ok   $name"
    fi
}

# --- Where the settings file is found when no PIVORA_SETTINGS_DIR is given ----

location_check() {  # NAME EXPECTED-INI RUNNER-COPY [VAR=value...]
    local name=$1 expected_ini=$2 runner_copy=$3
    shift 3
    is_wanted "$name" || return 0
    local base=${runner_copy%/*/*}
    (cd "$base" && env -i PATH="$PATH" LC_ALL=C TSYAIDE=1 "$@" "$runner_copy" --no-wait "$base/job/control.ini") \
        </dev/null >"$base/stdout" 2>"$base/stderr"
    local status=$?
    local why=""
    [ $status -eq 0 ] || why+=" exit status $status;"
    [ -f "$expected_ini" ] || why+=" no $expected_ini;"
    grep -q '^\[COMMAND\]' "$expected_ini" 2>/dev/null || why+=" $expected_ini lacks its sections;"
    cmp -s "$root/cases/worked_example/expected.nc" "$base/job/out.nc" || why+=" out.nc differs;"
    if [ -n "$why" ]; then report_fail "$name" "$why (output in $base)"; else passed=$((passed + 1)); echo "ok   $name"; fi
}

location_setup() {  # NAME: a work folder with the worked example and a copy of the runner
    local base="$work_root/$1"
    mkdir -p "$base/bin" "$base/job" "$base/home"
    cp "$runner" "$base/bin/pivora-run"
    cp -R "$root/cases/worked_example/files/." "$base/job/"
    substitute "$root/cases/worked_example/control.ini" "$base/job" >"$base/job/control.ini"
    echo "$base"
}

run_location_checks() {
    local base
    base=$(location_setup location-beside)
    location_check location/beside_executable "$base/bin/Pivora.ini" "$base/bin/pivora-run" HOME="$base/home"

    # A folder that cannot be written: read-only, and for root also immutable.
    base=$(location_setup location-xdg)
    chmod a-w "$base/bin"
    if [ "$(id -u)" -eq 0 ]; then chattr +i "$base/bin" 2>/dev/null; fi
    if [ -w "$base/bin" ] || touch "$base/bin/.probe" 2>/dev/null; then
        rm -f "$base/bin/.probe" 2>/dev/null
        skipped=$((skipped + 2))
        echo "skip location/user_folder_*: cannot make a folder unwritable here"
        return 0
    fi
    location_check location/user_folder_xdg "$base/config/pivora/Pivora.ini" "$base/bin/pivora-run" \
        HOME="$base/home" XDG_CONFIG_HOME="$base/config"
    [ ! -e "$base/bin/Pivora.ini" ] || report_fail location/user_folder_xdg "Pivora.ini beside the read-only runner"

    base=$(location_setup location-home)
    chmod a-w "$base/bin"
    if [ "$(id -u)" -eq 0 ]; then chattr +i "$base/bin" 2>/dev/null; fi
    location_check location/user_folder_home "$base/home/.config/pivora/Pivora.ini" "$base/bin/pivora-run" \
        HOME="$base/home"
}

# --- The overwrite question on a terminal (script(1) gives the runner a tty) ------

question_check() {  # NAME ANSWER EXPECTED-OUT.NC
    local name=$1 answer=$2 expected=$3
    is_wanted "$name" || return 0
    local base
    base=$(location_setup "question-$answer")
    printf 'old program\r\n' >"$base/job/out.nc"
    local command
    command=$(printf '%q ' env -i PATH="$PATH" LC_ALL=C PIVORA_SETTINGS_DIR="$base/home" \
        "$runner" --no-wait "$base/job/control.ini")
    printf '%s\n' "$answer" | script -qec "$command" /dev/null >"$base/terminal" 2>&1
    local status=$? why=""
    if [ "$answer" = y ]; then
        [ $status -eq 0 ] || why+=" exit status $status;"
    else
        [ $status -eq 1 ] || why+=" exit status $status;"
        grep -q '処理を中止します' "$base/terminal" || why+=" no 処理を中止します;"
    fi
    grep -q '\[y/N\]' "$base/terminal" || why+=" no question asked;"
    cmp -s "$expected" "$base/job/out.nc" || why+=" out.nc is not as expected;"
    if [ -n "$why" ]; then report_fail "$name" "$why"; else passed=$((passed + 1)); echo "ok   $name"; fi
}

run_question_checks() {
    if ! command -v script >/dev/null 2>&1; then
        skipped=$((skipped + 2))
        echo "skip question/*: no script(1) to give the runner a terminal"
        return 0
    fi
    printf 'old program\r\n' >"$work_root/old.nc"
    question_check question/yes_replaces y "$root/cases/worked_example/expected.nc"
    question_check question/no_keeps n "$work_root/old.nc"
}

# --- A log reader that has gone: the job still writes its whole output ----------

closed_log_check() {
    is_wanted log/reader_gone || return 0
    if ! command -v python3 >/dev/null 2>&1; then
        skipped=$((skipped + 1))
        echo "skip log/reader_gone: no python3 to hand the runner a closed pipe"
        return 0
    fi
    local base
    base=$(location_setup log-reader-gone)
    # Standard output is a pipe whose reading end is closed before the runner starts.
    python3 - "$runner" "$base/job/control.ini" "$base/home" <<'EOF'
import os, subprocess, sys
read_end, write_end = os.pipe()
os.close(read_end)
env = {"PATH": os.environ.get("PATH", ""), "LC_ALL": "C", "TSYAIDE": "1", "PIVORA_SETTINGS_DIR": sys.argv[3]}
for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
    if name in os.environ:
        env[name] = os.environ[name]
result = subprocess.run([sys.argv[1], "--no-wait", sys.argv[2]], stdout=write_end,
                        stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, env=env)
sys.exit(result.returncode if result.returncode >= 0 else 128 - result.returncode)
EOF
    local status=$? why=""
    [ $status -eq 0 ] || why+=" exit status $status;"
    cmp -s "$root/cases/worked_example/expected.nc" "$base/job/out.nc" || why+=" out.nc is not as expected;"
    if [ -n "$why" ]; then report_fail log/reader_gone "$why"; else passed=$((passed + 1)); echo "ok   log/reader_gone"; fi
}

# --- The command line ---------------------------------------------------------

usage_checks() {
    is_wanted usage || return 0
    local base="$work_root/usage"
    mkdir -p "$base"
    local why=""
    env -i PATH="$PATH" PIVORA_SETTINGS_DIR="$base" "$runner" --help >"$base/out" 2>"$base/err"
    [ $? -eq 0 ] || why+=" --help exit status not 0;"
    grep -q '^usage: pivora-run' "$base/out" || why+=" --help prints no usage;"
    [ ! -s "$base/err" ] || why+=" --help writes to standard error;"
    local arguments
    for arguments in "" "a.ini b.ini" "--bogus a.ini" "--no-wait"; do
        # shellcheck disable=SC2086
        env -i PATH="$PATH" PIVORA_SETTINGS_DIR="$base" "$runner" $arguments >"$base/out" 2>"$base/err"
        local status=$?
        [ $status -eq 2 ] || why+=" [$arguments] exit status $status, expected 2;"
        grep -q '^usage: pivora-run' "$base/err" || why+=" [$arguments] no usage on standard error;"
    done
    [ ! -e "$base/Pivora.ini" ] || why+=" bad usage created Pivora.ini;"
    if [ -n "$why" ]; then report_fail usage "$why"; else passed=$((passed + 1)); echo "ok   usage"; fi
}

for kind in cases bad; do
    [ -d "$root/$kind" ] || continue
    for case_dir in "$root/$kind"/*/; do
        run_case "$kind" "${case_dir%/}"
    done
done
run_location_checks
run_question_checks
closed_log_check
usage_checks

echo "runner cases: $passed passed, $failed failed, $skipped skipped"
if [ $failed -ne 0 ]; then
    echo "failed: ${failures[*]}"
    exit 1
fi
exit 0

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
#   ulimit        arguments of bash's ulimit for the runner (e.g. "-f 16": a 16 KB file
#                 size limit, which stands for a full disk)
#   changes       names of files in the work folder the job may replace (one a line)
#   creates       names of files besides out.nc the job makes in the work folder (one a line)
#   after.sh      run after the job with DIR, CASE and LOG (the normalised standard
#                 output) set: it checks what the job made; a non-zero exit fails the
#                 case with its last lines, 77 skips it
#   status        expected exit status (cases/ only; default 0)
#   expected.nc   the expected output @DIR@/out.nc, compared byte for byte
#   expected.log  the whole standard output, compared after normalising
#   expected.err  the whole standard error, compared after normalising
#   expected      (bad/ only) first line: a line the log must hold, or "exit N";
#                 further lines must appear in the log as well
# Normalising replaces the work folder by @DIR@, the processing time by @TIME@ and
# the count of the tool-path check's line by @MOTIONS@.
#
# Besides the folders: where Pivora.ini is found without PIVORA_SETTINGS_DIR
# (location/*), the overwrite question answered on a terminal (question/*, with
# script(1)), bad usage (usage), the options form against the control-file form
# and its defaults, --check and usage errors (options/*), SIGINT, SIGTERM and
# SIGHUP during a job with pauses (signals), and two jobs writing one output at
# once (concurrent). NAME picks cases: cases/worked_example,
# worked_example, or a whole group such as bad.
#
# PIVORA_KEEP_CASES=1 keeps the folders of failed cases.
#
# Every case also checks that each file present before the run (other than those
# in `changes`) is there afterwards with the same bytes, and that the only new
# files the job leaves behind are out.nc and those in `creates`.
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

# Replaces the work folder by @DIR@, the processing time by @TIME@ and the number
# of motions the tool-path check compared by @MOTIONS@ (it follows the drivers).
normalise() {  # FILE WORKDIR
    local escaped
    escaped=$(printf '%s' "$2" | sed 's/[][\.*^$|/]/\\&/g')
    sed -e "s|$escaped|@DIR@|g" \
        -e 's/処理時間は [0-9][0-9]*\.[0-9][0-9]* 秒です/処理時間は @TIME@ 秒です/g' \
        -e 's/工具経路チェック：[0-9][0-9]* 動作を確認しました/工具経路チェック：@MOTIONS@ 動作を確認しました/g' "$1"
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

    local limits=()
    if [ -f "$case_dir/ulimit" ]; then read -r -a limits <"$case_dir/ulimit"; fi
    (cd "$base" && if [ ${#limits[@]} -gt 0 ]; then ulimit "${limits[@]}"; fi &&
        env -i "${environment[@]}" "$runner" "${args[@]}") \
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

    if [ -f "$case_dir/after.sh" ]; then
        DIR="$dir" CASE="$case_dir" LOG="$base/stdout.n" bash "$case_dir/after.sh" >"$base/after.out" 2>&1
        local after_status=$?
        if [ $after_status -eq 77 ]; then
            skipped=$((skipped + 1))
            echo "skip $name: $(tail -n 1 "$base/after.out")"
            return 0
        elif [ $after_status -ne 0 ]; then
            why+=" after.sh: $(tail -n 3 "$base/after.out" | tr '\n' ' ');"
        fi
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
        if [ -f "$case_dir/creates" ] && grep -qxF -- "$file" "$case_dir/creates"; then continue; fi
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

# --- The options form ----------------------------------------------------------

# A milling program of N machinings (a rapid approach, a plunge, a cut, a
# retract each), in code page 932 with CR LF.
machining_program() {  # N
    awk -v n="$1" 'BEGIN {
        printf "%%\r\nO0100(TEST)\r\nG90 G92 X0 Y0 Z100.\r\n"
        for (i = 1; i <= n; i++) {
            printf "G00 X%d. Y%d.\r\nG00 Z5.\r\nG01 Z-1. F100\r\nG01 X%d. Y%d.5\r\nG00 Z100.\r\n", i % 97, i % 89, (i + 7) % 97, i % 83
        }
        printf "M30\r\n%%\r\n"
    }'
}

# Runs the runner in a clean environment: OPTIONS_BASE/home, settings in
# OPTIONS_BASE/settings, TMPDIR OPTIONS_BASE/tmp; output to OPTIONS_BASE/stdout, stderr.
options_run() {  # ARGS...
    (cd "$options_base/work" && env -i PATH="$PATH" HOME="$options_base/home" LC_ALL=C TSYAIDE=1 \
        TMPDIR="$options_base/tmp" PIVORA_SETTINGS_DIR="$options_base/settings" \
        ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} \
        ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS} \
        "$runner" "$@") </dev/null >"$options_base/stdout" 2>"$options_base/stderr"
}

options_control() {  # FILE ANGLE X Y COUNT KEEP TYPE OUTPUT
    printf '[Pivora]\r\nNCFILE1=%s\r\nNCFILE2=%s\r\nROTANGLE=%s\r\nROTXCOORD=%s\r\nROTYCOORD=%s\r\nROTCOUNT=%s\r\nNCDATAKEEP=%s\r\nROTTYPE=%s\r\n' \
        "$options_base/work/in.nc" "$8" "$2" "$3" "$4" "$5" "$6" "$7" >"$1"
}

options_result() {  # NAME WHY
    if [ -n "$2" ]; then report_fail "$1" "$2 (kept in $options_base)"; trap - EXIT; else passed=$((passed + 1)); echo "ok   $1"; fi
}

# The options form and the control-file form give the same bytes for one job.
options_same_output() {  # NAME "OPTIONS..." ANGLE X Y COUNT KEEP TYPE
    local name=$1 options=$2
    is_wanted "$name" || return 0
    local why=""
    rm -f "$options_base/work/by_"*
    # shellcheck disable=SC2086
    options_run --no-wait $options -o by_options.nc in.nc
    local status=$?
    [ $status -eq 0 ] || why+=" options form exit status $status: $(head -c 300 "$options_base/stdout");"
    options_control "$options_base/control.ini" "$3" "$4" "$5" "$6" "$7" "$8" "$options_base/work/by_control.nc"
    options_run --no-wait "$options_base/control.ini"
    status=$?
    [ $status -eq 0 ] || why+=" control form exit status $status;"
    cmp -s "$options_base/work/by_options.nc" "$options_base/work/by_control.nc" ||
        why+=" the two forms wrote different bytes;"
    [ -s "$options_base/work/by_options.nc" ] || why+=" empty output;"
    local left
    left=$(cd "$options_base/work" && ls | grep -v -x -e in.nc -e by_options.nc -e by_control.nc)
    [ -z "$left" ] || why+=" left in the work folder: $left;"
    [ -z "$(ls -A "$options_base/tmp")" ] || why+=" left in TMPDIR: $(ls -A "$options_base/tmp");"
    options_result "$name" "$why"
}

options_bad_usage() {  # NAME ARGS...: exit 2, one error line, nothing made
    local name=$1
    shift
    local why=""
    options_run "$@"
    local status=$?
    [ $status -eq 2 ] || why+=" exit status $status, expected 2;"
    grep -q '^pivora-run: ' "$options_base/stderr" || why+=" no error line;"
    [ "$(grep -c '^pivora-run: ' "$options_base/stderr")" -le 1 ] || why+=" more than one error line;"
    [ ! -e "$options_base/settings/Pivora.ini" ] || why+=" Pivora.ini created;"
    [ -z "$(cd "$options_base/work" && ls | grep -v -x in.nc)" ] || why+=" files made: $(ls "$options_base/work");"
    [ -n "$why" ] && why="[$*]$why"
    bad_usage_why+=$why
}

options_checks() {
    options_base="$work_root/options"
    mkdir -p "$options_base/work" "$options_base/home" "$options_base/settings" "$options_base/tmp"
    machining_program 6 >"$options_base/work/in.nc"

    options_same_output options/angle_and_centre "--angle 30 --centre 12.5,-7" 30 12.5 -7 1 0 1
    options_same_output options/copies_whole "--copies 4 --whole --angle 90 --centre 0,0" 90 0 0 4 1 0
    options_same_output options/copies_per_machining "--copies=3 --per-machining --angle=120 --centre=0,0" 120 0 0 3 1 1
    options_same_output options/copies_default "--copies --angle 45 --centre 0,0" 45 0 0 2 1 1

    # Values not given come from Pivora.ini as the window proposes them, the
    # output name from FILES/OUTPUTFILE (_new when empty).
    if is_wanted options/defaults; then
        local why=""
        rm -f "$options_base/work/"in_*
        printf '[FILES]\r\nOUTPUTFILE=_r\r\n[Pivora]\r\nANGLE=45\r\nXCOORD=10\r\nYCOORD=5\r\n' >"$options_base/settings/Pivora.ini"
        options_run --no-wait in.nc
        [ $? -eq 0 ] || why+=" exit status not 0;"
        options_control "$options_base/control.ini" 45 10 5 1 0 1 "$options_base/work/by_control.nc"
        options_run --no-wait "$options_base/control.ini"
        cmp -s "$options_base/work/in_r.nc" "$options_base/work/by_control.nc" || why+=" in_r.nc is not the job of ANGLE 45 about 10,5;"
        printf '[FILES]\r\nOUTPUTFILE=\r\n[Pivora]\r\nANGLE=abc\r\n' >"$options_base/settings/Pivora.ini"
        options_run --no-wait --centre 0,0 in.nc
        [ $? -eq 1 ] || why+=" a bad ANGLE in Pivora.ini is not an error;"
        grep -q 'ANGLE の値 abc は使えません' "$options_base/stdout" || why+=" the bad ANGLE is not named;"
        options_run --no-wait --angle 90 --centre 0,0 in.nc
        [ -f "$options_base/work/in_new.nc" ] || why+=" an empty OUTPUTFILE does not give in_new.nc;"
        rm -f "$options_base/settings/Pivora.ini" "$options_base/work/in_r.nc" "$options_base/work/in_new.nc"
        [ -z "$(ls -A "$options_base/tmp")" ] || why+=" left in TMPDIR;"
        options_result options/defaults "$why"
    fi

    # --check compares an existing output and changes nothing.
    if is_wanted options/check; then
        local why=""
        options_run --no-wait --copies 3 --angle 120 --centre 0,0 -o checked.nc in.nc
        cp "$options_base/work/checked.nc" "$options_base/checked.before"
        options_run --check --copies 3 --angle 120 --centre 0,0 -o checked.nc in.nc
        [ $? -eq 0 ] || why+=" options form --check exit status not 0;"
        grep -q '^工具経路チェック：[0-9]* 動作を確認しました$' "$options_base/stdout" || why+=" no check line;"
        ! grep -q '【 完 了 】' "$options_base/stdout" || why+=" --check converted;"
        cmp -s "$options_base/checked.before" "$options_base/work/checked.nc" || why+=" --check changed the output;"
        options_control "$options_base/control.ini" 120 0 0 3 1 1 "$options_base/work/checked.nc"
        options_run --check "$options_base/control.ini"
        [ $? -eq 0 ] || why+=" control form --check exit status not 0;"
        options_control "$options_base/control.ini" 120 0 0 3 1 1 "$options_base/work/missing.nc"
        options_run --check "$options_base/control.ini"
        [ $? -eq 1 ] || why+=" --check of a missing output is not 1;"
        grep -q "エラー：出力ＮＣファイル $options_base/work/missing.nc がありません。" "$options_base/stdout" ||
            why+=" --check of a missing output does not name it;"
        rm -f "$options_base/work/checked.nc" "$options_base/checked.before"
        options_result options/check "$why"
    fi

    # --svg: the picture after the conversion, and after a check whatever it
    # found; a picture that cannot be written is a warning and the job stands.
    if is_wanted options/svg; then
        local why=""
        rm -f "$options_base/work/"pic*
        options_run --no-wait --copies 3 --angle 120 --centre 0,0 -o pic.nc --svg pic.svg in.nc
        [ $? -eq 0 ] || why+=" conversion with --svg: exit status not 0;"
        grep -q "^工具経路の図 $options_base/work/pic.svg を書き込みました$" "$options_base/stdout" || why+=" no picture line;"
        if command -v xmllint >/dev/null 2>&1; then
            xmllint --noout "$options_base/work/pic.svg" 2>/dev/null || why+=" pic.svg is not well-formed;"
        fi
        grep -q 'class="k2"' "$options_base/work/pic.svg" 2>/dev/null || why+=" pic.svg lacks the second copy;"
        options_run --check --copies 3 --angle 90 --centre 0,0 -o pic.nc --svg pic_check.svg in.nc
        [ $? -eq 1 ] || why+=" --check of a wrong angle with --svg: exit status not 1;"
        iconv -f CP932 -t UTF-8 "$options_base/work/pic_check.svg" 2>/dev/null | grep -q '>照合: 相違 出力 [0-9]*行目' ||
            why+=" the picture of a difference does not name it;"
        grep -q 'class="u' "$options_base/work/pic_check.svg" 2>/dev/null || why+=" the output after the difference is not drawn;"
        options_control "$options_base/control.ini" 90 0 0 1 0 1 "$options_base/work/pic.nc"
        options_run --no-wait --svg "$options_base/work/pic.nc" "$options_base/control.ini"
        [ $? -eq 0 ] || why+=" --svg naming the output: exit status not 0;"
        grep -q "^警　告：工具経路の図 $options_base/work/pic.nc を書き込めません（ＮＣファイルと同じです）。$" "$options_base/stdout" ||
            why+=" --svg naming the output gives no warning;"
        head -c 1 "$options_base/work/pic.nc" | grep -q '%' || why+=" --svg naming the output replaced it;"
        options_run --no-wait --svg "$options_base/work/none/pic.svg" "$options_base/control.ini"
        [ $? -eq 0 ] || why+=" --svg into a missing folder: exit status not 0;"
        grep -q "^警　告：工具経路の図 $options_base/work/none/pic.svg を書き込めません" "$options_base/stdout" ||
            why+=" --svg into a missing folder gives no warning;"
        local left
        left=$(cd "$options_base/work" && ls | grep -v -x -e in.nc -e "by_.*" -e pic.nc -e pic.svg -e pic_check.svg)
        [ -z "$left" ] || why+=" left in the work folder: $left;"
        rm -f "$options_base/work/"pic*
        options_result options/svg "$why"
    fi

    # --help names every option with an example; bad usage is one line and exit 2.
    if is_wanted options/usage; then
        local why=""
        options_run --help
        local option
        for option in --angle --centre --copies --whole --per-machining -o --no-wait --check --svg --help; do
            grep -q -- "  $option" "$options_base/stdout" || why+=" --help lacks $option;"
        done
        # Every option comes with an example of its use.
        for option in --angle --centre --copies --whole --per-machining "-o " --no-wait --check --svg --help; do
            grep -q -- "e\.g\..*$option" "$options_base/stdout" || why+=" --help has no example of $option;"
        done
        grep -q '加工毎' "$options_base/stdout" || why+=" --help is not turned into the terminal's encoding;"
        rm -rf "$options_base/settings" "$options_base/work/by_"*
        mkdir -p "$options_base/settings"
        bad_usage_why=""
        options_bad_usage "angle letters" --angle abc in.nc
        options_bad_usage "angle comma" --angle 22,5 in.nc
        options_bad_usage "angle too long" --angle 0000000000000090 in.nc
        options_bad_usage "angle missing" in.nc --angle
        options_bad_usage "centre one number" --centre 1 in.nc
        options_bad_usage "centre three numbers" --centre 1,2,3 in.nc
        options_bad_usage "centre out of reach" --centre 100000,0 in.nc
        options_bad_usage "copies 0" --copies 0 in.nc
        options_bad_usage "copies 1" --copies 1 in.nc
        options_bad_usage "copies 10001" --copies=10001 in.nc
        options_bad_usage "copies letters" --copies=abc in.nc
        options_bad_usage "two inputs" in.nc other.nc
        options_bad_usage "no input" --angle 30
        options_bad_usage "whole without copies" --whole in.nc
        options_bad_usage "per-machining without copies" --per-machining in.nc
        options_bad_usage "whole and per-machining" --copies --whole --per-machining in.nc
        options_bad_usage "output missing" in.nc -o
        options_bad_usage "options with a control file" --angle 30 job.ini
        options_bad_usage "svg without a file" in.nc --svg
        options_bad_usage "unknown option" --rotate 30 in.nc
        why+=$bad_usage_why
        options_result options/usage "$why"
    fi
}

# --- Signals: the job stops, removes what it made and exits with 128 + N ----------

signal_checks() {
    is_wanted signals || return 0
    local base="$work_root/signals" why="" signal_name number
    local -A pids=()
    # Per-machining copies with the pauses on: a second per machining.
    for signal_name in INT TERM HUP; do
        mkdir -p "$base/$signal_name/work" "$base/$signal_name/settings" "$base/$signal_name/tmp"
        machining_program 5 >"$base/$signal_name/work/in.nc"
        printf '[Pivora]\r\nNCFILE1=%s\r\nNCFILE2=%s\r\nROTANGLE=90\r\nROTXCOORD=0\r\nROTYCOORD=0\r\nROTCOUNT=3\r\nNCDATAKEEP=1\r\nROTTYPE=1\r\n' \
            "$base/$signal_name/work/in.nc" "$base/$signal_name/work/out.nc" >"$base/$signal_name/control.ini"
    done
    # SIGTERM goes to the options form, whose control file is in a private folder.
    local -A arguments=([INT]="$base/INT/control.ini" [HUP]="$base/HUP/control.ini"
        [TERM]="--copies 3 --angle 90 --centre 0,0 -o $base/TERM/work/out.nc $base/TERM/work/in.nc")
    for signal_name in INT TERM HUP; do
        # shellcheck disable=SC2086
        (cd "$base/$signal_name" && exec env -i PATH="$PATH" LC_ALL=C TSYAIDE=1 TMPDIR="$base/$signal_name/tmp" \
            PIVORA_SETTINGS_DIR="$base/$signal_name/settings" \
            ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} \
            "$runner" ${arguments[$signal_name]}) </dev/null >"$base/$signal_name/stdout" 2>"$base/$signal_name/stderr" &
        pids[$signal_name]=$!
    done
    sleep 1.5
    for signal_name in INT TERM HUP; do kill -s "$signal_name" "${pids[$signal_name]}"; done
    for signal_name in INT TERM HUP; do
        wait "${pids[$signal_name]}"
        local status=$?
        case $signal_name in INT) number=2 ;; TERM) number=15 ;; HUP) number=1 ;; esac
        [ $status -eq $((128 + number)) ] || why+=" SIG$signal_name: exit status $status, expected $((128 + number));"
        grep -q '^処理を中断しました$' "$base/$signal_name/stdout" || why+=" SIG$signal_name: no 処理を中断しました;"
        local left
        left=$(cd "$base/$signal_name/work" && ls | grep -v -x in.nc)
        [ -z "$left" ] || why+=" SIG$signal_name: left behind: $left;"
        [ -z "$(ls -A "$base/$signal_name/tmp")" ] || why+=" SIG$signal_name: left in TMPDIR;"
    done
    if [ -n "$why" ]; then report_fail signals "$why"; else passed=$((passed + 1)); echo "ok   signals"; fi
}

# --- Two jobs on one output at once: the output is one of them whole -------------

concurrent_check() {
    is_wanted concurrent || return 0
    local base="$work_root/concurrent" why="" angle round
    mkdir -p "$base/work" "$base/settings"
    machining_program 40000 >"$base/work/in.nc"
    run_alone() {  # CONTROL
        (cd "$base" && env -i PATH="$PATH" LC_ALL=C TSYAIDE=1 PIVORA_SETTINGS_DIR="$base/settings" \
            ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} \
            "$runner" --no-wait "$1") </dev/null >/dev/null 2>&1
    }
    for angle in 90 180; do
        printf '[Pivora]\r\nNCFILE1=%s\r\nNCFILE2=%s\r\nROTANGLE=%s\r\nROTXCOORD=0\r\nROTYCOORD=0\r\nROTCOUNT=1\r\nNCDATAKEEP=0\r\nROTTYPE=1\r\n' \
            "$base/work/in.nc" "$base/alone_$angle.nc" "$angle" >"$base/alone_$angle.ini"
        run_alone "$base/alone_$angle.ini" || why+=" the job at $angle alone failed;"
        printf '[Pivora]\r\nNCFILE1=%s\r\nNCFILE2=%s\r\nROTANGLE=%s\r\nROTXCOORD=0\r\nROTYCOORD=0\r\nROTCOUNT=1\r\nNCDATAKEEP=0\r\nROTTYPE=1\r\n' \
            "$base/work/in.nc" "$base/work/out.nc" "$angle" >"$base/both_$angle.ini"
    done
    cmp -s "$base/alone_90.nc" "$base/alone_180.nc" && why+=" the two jobs write the same bytes;"
    for round in 1 2 3; do
        run_alone "$base/both_90.ini" &
        local first=$!
        run_alone "$base/both_180.ini" &
        local second=$!
        wait $first || why+=" round $round: the job at 90 failed;"
        wait $second || why+=" round $round: the job at 180 failed;"
        if ! cmp -s "$base/work/out.nc" "$base/alone_90.nc" && ! cmp -s "$base/work/out.nc" "$base/alone_180.nc"; then
            why+=" round $round: out.nc is neither job whole;"
        fi
        local left
        left=$(cd "$base/work" && ls | grep -v -x -e in.nc -e out.nc)
        [ -z "$left" ] || why+=" round $round: left behind: $left;"
    done
    if [ -n "$why" ]; then report_fail concurrent "$why"; else passed=$((passed + 1)); echo "ok   concurrent"; fi
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
options_checks
signal_checks
concurrent_check

echo "runner cases: $passed passed, $failed failed, $skipped skipped"
if [ $failed -ne 0 ]; then
    echo "failed: ${failures[*]}"
    exit 1
fi
exit 0

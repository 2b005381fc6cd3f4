#!/usr/bin/env bash
# The Windows GUI test: Pivora.exe worked through window messages by
# tests/windows/gui_driver.exe, under Wine in a private prefix with a Japanese
# locale (ANSI code page 932), on a virtual X display of its own.
#
#   scripts/test-windows-gui.sh <build-dir>
#
# <build-dir> is a mingw-w64 build holding Pivora.exe and gui_driver.exe. The
# Wine prefix is kept in <build-dir>/wine-gui (made on the first run); each run
# works in a fresh temporary folder. Screenshots of the main window after a
# conversion, the preview window of its tool path, the settings dialog and the
# support dialog are left as PNG files in <build-dir>/screenshots/. Prints one line per check, ends with
# "N passed, N failed" and exits non-zero when any check failed.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: test-windows-gui.sh <build-dir>}" && pwd)
fixtures=$root/tests/windows

passed=0
failed=0
result() {  # result OK|FAIL name [detail]
    if [ "$1" = OK ]; then
        passed=$((passed + 1)); echo "PASS $2"
    else
        failed=$((failed + 1)); echo "FAIL $2${3:+: $3}"
    fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit $?
}

exe=$(find "$build" -name Pivora.exe -type f 2>/dev/null | head -n 1)
driver=$build/tests/windows/gui_driver.exe
if [ -z "$exe" ] || [ ! -f "$driver" ]; then
    result FAIL "programs built" "Pivora.exe or tests/windows/gui_driver.exe missing under $build"
    finish
fi

export WINEPREFIX=$build/wine-gui
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

work=$(mktemp -d "${TMPDIR:-/tmp}/pivora-gui.XXXXXX")
xvfb_pid=""
cleanup() {
    timeout 30 wineserver -k >/dev/null 2>&1
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A display of our own; Xvfb picks a free number and writes it when ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
display=$(tr -dc '0-9' <"$work/display")
if [ -z "$display" ]; then
    result FAIL "virtual display" "Xvfb did not start"
    finish
fi
export DISPLAY=":$display"

# The prefix, made once. Without a window manager Wine draws the captions
# itself (Decorated N); the Japanese faces the dialogs ask for map to the IPA
# fonts, so that their texts render.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "     making the Wine prefix $WINEPREFIX"
    timeout 300 wineboot -i >/dev/null 2>&1
    timeout 120 wineserver -w
fi
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1 ||
    result FAIL "Wine draws the window captions"
replacements='HKCU\Software\Wine\Fonts\Replacements'
for pair in "ＭＳ ゴシック=IPAGothic" "ＭＳ Ｐゴシック=IPAPGothic" "MS Gothic=IPAGothic" "MS PGothic=IPAPGothic" \
            "MS UI Gothic=IPAPGothic" "ＭＳ 明朝=IPAMincho" "ＭＳ Ｐ明朝=IPAPMincho"; do
    timeout 60 wine reg add "$replacements" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1 ||
        result FAIL "font replacement ${pair%%=*}"
done
timeout 60 wineserver -w

# The working folder: the program and the driver side by side, the input in
# nc\ and the expected output in expected\; Pivora.ini is made by the program.
mkdir -p "$work/nc" "$work/expected" "$work/shots"
cp "$exe" "$work/Pivora.exe"
cp "$driver" "$work/gui_driver.exe"
cp "$fixtures/part.nc" "$work/nc/part.nc"
cp "$fixtures"/expected/*.nc "$work/expected/"

timeout 900 wine "$work/gui_driver.exe" >"$work/driver.out" 2>"$work/driver.err"
driver_rc=$?
iconv -f CP932 -t UTF-8 -c <"$work/driver.out" | tr -d '\r' >"$work/driver.txt"
grep -v -E '^[0-9]+ passed, [0-9]+ failed$' "$work/driver.txt"
passed=$((passed + $(grep -c '^PASS ' "$work/driver.txt")))
failed=$((failed + $(grep -c '^FAIL ' "$work/driver.txt")))
if grep -q -E '^[0-9]+ passed, [0-9]+ failed$' "$work/driver.txt"; then
    result OK "driver ran to its end"
else
    result FAIL "driver ran to its end" "exit code $driver_rc (124 is the time limit); $(tail -c 400 "$work/driver.err" | tr '\r\n' '  ')"
fi

# Screenshots for a person to look at.
shots=$build/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png
for name in main-window preview-window settings-dialog support-dialog; do
    if [ -f "$work/shots/$name.bmp" ] && convert "$work/shots/$name.bmp" "$shots/$name.png" 2>/dev/null; then
        result OK "screenshot $shots/$name.png"
    else
        result FAIL "screenshot $name.png" "not captured"
    fi
done

finish

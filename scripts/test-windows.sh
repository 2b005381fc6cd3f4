#!/usr/bin/env bash
# Cross-builds the Windows program and its test suite with mingw-w64 into
# build-mingw, and runs the suite under Wine in a fresh private Wine prefix with
# a Japanese locale (ANSI code page 932) and a virtual X display.
#
# Usage: scripts/test-windows.sh [arguments for pivora_tests.exe, e.g. --gtest_filter=Profile.*]
#
# After the core suite, scripts/test-windows-gui.sh is run when it exists, with
# the build directory as its argument and this Wine environment (WINEPREFIX,
# WINEDEBUG, LANG, LC_ALL, PIVORA_TEST_DATA) exported. The exit status is non-zero
# when the build or any test step fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build-mingw"
jobs=2

for tool in x86_64-w64-mingw32-g++ wine wineboot wineserver xvfb-run; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "test-windows: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 2
    fi
done

echo "== cross build into $build_dir"
cmake -S "$root" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$build_dir" -j "$jobs"
tests_exe="$build_dir/tests/pivora_tests.exe"
if [ ! -f "$tests_exe" ]; then
    echo "test-windows: $tests_exe was not built" >&2
    exit 1
fi

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/pivora-wine.XXXXXX")
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer prompts
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8  # Wine takes code page 932 from the locale
# The tests find their data through this Windows path (the compiled-in one is a Linux path).
PIVORA_TEST_DATA="Z:$(printf '%s' "$root/tests" | tr '/' '\\')"
export PIVORA_TEST_DATA

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "test-windows: warning: locale ja_JP.UTF-8 is not generated; the code page test will fail" >&2
fi

echo "== preparing the Wine prefix"
wineboot -i >/dev/null 2>&1
wineserver -w >/dev/null 2>&1 || true

status=0
echo "== core test suite under Wine"
xvfb-run -a wine "$tests_exe" "$@" || status=$?
if [ "$status" -ne 0 ]; then
    echo "test-windows: core test suite failed (exit status $status)" >&2
fi

if [ -f "$root/scripts/test-windows-gui.sh" ]; then
    echo "== GUI tests under Wine"
    gui_status=0
    bash "$root/scripts/test-windows-gui.sh" "$build_dir" || gui_status=$?
    if [ "$gui_status" -ne 0 ]; then
        echo "test-windows: GUI tests failed (exit status $gui_status)" >&2
        [ "$status" -eq 0 ] && status=$gui_status
    fi
fi

exit "$status"

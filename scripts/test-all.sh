#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# native, native under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# Windows build under Wine with Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

"$root/scripts/install-deps.sh"

build() {  # build DIR [cmake options...]
    local dir=$1; shift
    cmake -S "$root" -B "$root/$dir" "$@" >/dev/null
    cmake --build "$root/$dir" -j "$jobs"
}

echo "== native build and tests"
build build
(cd "$root/build" && ctest --output-on-failure)

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build build-asan -DPIVORA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)

if [ -x "$root/scripts/test-windows.sh" ]; then
    echo "== Windows build under Wine"
    "$root/scripts/test-windows.sh"
fi

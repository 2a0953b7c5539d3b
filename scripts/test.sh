#!/usr/bin/env bash
# Sets up, builds and runs every test. With --sanitize the build and the tests use
# AddressSanitizer and UndefinedBehaviorSanitizer (in build-sanitize/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

dir=build
options=()
if [ "${1:-}" = "--sanitize" ]; then
    dir=build-sanitize
    options+=(-DTOLVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
[ -z "${CI:-}" ] || options+=(-DTOLVANE_WERROR=ON)

scripts/build.sh "$dir" "${options[@]}"
cd "$dir"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600

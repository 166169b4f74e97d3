#!/usr/bin/env bash
# Sets up and builds the project, then runs the whole test suite: in the
# ordinary build, again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the fuzz targets for a bounded time each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/setup.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

"$root/scripts/setup.sh" "$root/build-sanitize" -DUMBRAFIELD_SANITIZE=ON -DUMBRAFIELD_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-sanitize" && ctest --output-on-failure -j"$jobs")

"$root/scripts/fuzz.sh" "${UMBRAFIELD_FUZZ_SECONDS:-20}"

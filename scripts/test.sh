#!/usr/bin/env bash
# Sets up and builds the project, then runs the whole test suite: once in
# the ordinary build and once under AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j2)

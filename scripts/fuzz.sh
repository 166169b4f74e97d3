#!/usr/bin/env bash
# scripts/fuzz.sh [SECONDS]: builds the libFuzzer targets with clang in
# build-fuzz, replays the kept crashers (fuzz/regressions/<target>/), then runs
# every target for SECONDS (20 by default) over its own working corpus, grown
# from the seeds the build writes. Fails on any crash, leak, timeout or
# sanitizer report; the input that caused it is left in build-fuzz/fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi
build=$root/build-fuzz
jobs=${JOBS:-2}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DUMBRAFIELD_FUZZ=ON -DUMBRAFIELD_TESTS=OFF \
  -DUMBRAFIELD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_bmp_depth fuzz_bmp_load fuzz_region

targets=(fuzz_bmp_depth fuzz_bmp_load fuzz_region)
seeds=$build/fuzz/corpus
findings=$build/fuzz/findings
mkdir -p "$findings"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0

for target in "${targets[@]}"; do
  binary=$build/fuzz/$target
  regressions=$root/fuzz/regressions/$target
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $target: replaying $(ls "$regressions" | wc -l) kept inputs"
    if ! "$binary" -runs=1 "$regressions"/* >"$findings/$target.replay.log" 2>&1; then
      echo "FAIL $target: a kept regression input fails again (see $findings/$target.replay.log)" >&2
      tail -n 30 "$findings/$target.replay.log" >&2
      failed=1
    fi
  fi

  corpus=$build/fuzz/corpus-$target
  mkdir -p "$corpus"
  cp -n "$seeds"/*.bmp "$corpus"/
  log=$findings/$target.log
  echo "== $target: ${seconds}s over $(ls "$corpus" | wc -l) inputs"
  # -timeout: one input longer than this is a hang; -rss_limit_mb: a blow-up.
  if ! (cd "$findings" && "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/$target-" "$corpus" >"$log" 2>&1); then
    echo "FAIL $target (see $log; the input is $findings/$target-*; keep it in $regressions/)" >&2
    tail -n 40 "$log" >&2
    failed=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "   ok: ${runs:-?} executions, corpus $(ls "$corpus" | wc -l) inputs"
done
exit $failed

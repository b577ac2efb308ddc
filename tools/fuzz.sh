#!/usr/bin/env bash
# Builds the libFuzzer programs with clang into build/fuzz and runs each for
# a bounded time over its seed corpus and saved findings:
#   tools/fuzz.sh [seconds per target, default 60]
# A finding is copied to tests/fuzz/regressions/<target>/, where the
# ordinary test run replays it, and the script fails.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS_EACH=${1:-60}
BUILD=${ORVI_FUZZ_BUILD:-$ROOT/build/fuzz}
TARGETS=(config_parser wine_registry command_parser)

CC=clang CXX=clang++ cmake -S tests/fuzz/libfuzzer -B "$BUILD" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$BUILD" -j 2 || exit 1

failed=0
for t in "${TARGETS[@]}"; do
  work="$BUILD/corpus/$t"
  artifacts="$BUILD/artifacts/$t"
  saved="$ROOT/tests/fuzz/regressions/$t"
  rm -rf "$artifacts"
  mkdir -p "$work" "$artifacts" "$saved"
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  # New inputs go to the first folder only: the seeds in the tree stay as
  # they are, the build keeps what the fuzzer learnt for the next run.
  "$BUILD/fuzz_$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$work" "$ROOT/tests/fuzz/corpus/$t" "$saved" >"$BUILD/fuzz_$t.log" 2>&1
  rc=$?
  tail -n 12 "$BUILD/fuzz_$t.log" | grep -E '^(stat::|#[0-9]+ +DONE|==[0-9]+==|SUMMARY)' || true
  found=0
  for a in "$artifacts"/*; do
    [ -f "$a" ] || continue
    cp "$a" "$saved/"
    echo "   finding kept: tests/fuzz/regressions/$t/$(basename "$a")"
    found=1
  done
  if ((rc != 0 || found)); then
    echo "   fuzz_$t FAILED (exit $rc); log: $BUILD/fuzz_$t.log"
    failed=1
  fi
done
((failed)) && echo "The fuzzers found something." || echo "No findings."
exit $failed

#!/usr/bin/env bash
# Builds the libFuzzer programs with clang into build/fuzz and runs each over
# its seed corpus and saved findings:
#   tools/fuzz.sh --gate     the test run's share: a short run of each, the
#                            same every time (a fixed seed, a fixed number of
#                            inputs, a fresh working corpus)
#   tools/fuzz.sh [SECONDS]  each fuzzer for that long (600 by default); what
#                            it learns is kept in build/fuzz for the next run
# Nothing is written into the source tree. A finding fails the run; it is
# saved in build/fuzz/findings/<target>/, and the script says where. Copy it
# to tests/fuzz/regressions/<target>/ to have every test run replay it.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${ORVI_FUZZ_BUILD:-$ROOT/build/fuzz}
TARGETS=(config_parser wine_registry command_parser)

GATE=0
SECONDS_EACH=600
case "${1:-}" in
  --gate) GATE=1 SECONDS_EACH=10 ;;
  "") ;;
  *[!0-9]*) echo "usage: tools/fuzz.sh [--gate | SECONDS]" >&2; exit 2 ;;
  *) SECONDS_EACH=$1 ;;
esac

CC=clang CXX=clang++ cmake -S tests/fuzz/libfuzzer -B "$BUILD" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$BUILD" -j 2 || exit 1

failed=0
for t in "${TARGETS[@]}"; do
  # Each run reports what it found itself.
  findings="$BUILD/findings/$t"
  rm -rf "$findings"
  mkdir -p "$findings"
  if ((GATE)); then
    # A fresh working corpus and a fixed seed and count: the gate tries the
    # same inputs on every run, so it cannot fail by chance; the time is
    # only a ceiling.
    work=$(mktemp -d)
    limits=(-seed=1 -runs=20000 -max_total_time="$SECONDS_EACH")
  else
    work="$BUILD/corpus/$t"
    mkdir -p "$work"
    limits=(-max_total_time="$SECONDS_EACH")
  fi
  echo "== fuzz_$t (${limits[*]})"
  # New inputs go to the first folder only, never to the seeds or findings
  # in the tree.
  "$BUILD/fuzz_$t" "${limits[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" \
    "$work" "$ROOT/tests/fuzz/corpus/$t" "$ROOT/tests/fuzz/regressions/$t" >"$BUILD/fuzz_$t.log" 2>&1
  rc=$?
  ((GATE)) && rm -rf "$work"
  tail -n 12 "$BUILD/fuzz_$t.log" | grep -E '^(stat::number_of_executed_units|#[0-9]+ +DONE|==[0-9]+==|SUMMARY)' || true
  found=$(ls -1 "$findings" 2>/dev/null)
  if ((rc != 0)) || [ -n "$found" ]; then
    echo "   fuzz_$t FAILED (exit $rc); log: $BUILD/fuzz_$t.log"
    for f in $found; do echo "   finding saved: $findings/$f"; done
    failed=1
  fi
done
((failed)) && echo "The fuzzers found something." || echo "No findings."
exit $failed

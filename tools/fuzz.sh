#!/usr/bin/env bash
# A fuzzing campaign with libFuzzer: builds the targets with clang into
# build-fuzz/ and runs each for the given number of seconds (default 600),
# adding what it finds to a scratch copy of the committed corpus.
#   tools/fuzz.sh [seconds per target] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh >/dev/null
seconds=${1:-600}; shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(page_file colour_table conversions render_scroll png_memory compositing)
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz
for t in "${targets[@]}"; do
  work=$PWD/build-fuzz/corpus/$t
  mkdir -p "$work" build-fuzz/crashes
  cp -n tests/fuzz/corpus/$t/* "$work"/ 2>/dev/null || true  # absolute paths: the targets change folder
  echo "== $t for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=0 build-fuzz/tests/fuzz/fuzz_$t "$work" -max_total_time="$seconds" -max_len=65536 \
    -artifact_prefix=$PWD/build-fuzz/crashes/$t- -print_final_stats=1 2>&1 | grep -E "stat::number_of_executed_units|ERROR|Done" || true
done
echo "new inputs worth keeping: build-fuzz/corpus/<target>; crashes: build-fuzz/crashes/"

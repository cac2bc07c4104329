#!/usr/bin/env bash
# A fuzzing campaign with libFuzzer: builds the targets with clang into
# build-fuzz/ and runs each in turn, adding what it finds to a scratch copy of
# the committed corpus. A target stops after the given seconds or, when RUNS
# is set, after that many executions, whichever comes first.
#   tools/fuzz.sh [seconds per target] [target ...]
#   RUNS=10000000 tools/fuzz.sh 86400 page_file
# Logs: build-fuzz/logs/<target>.log; crashes: build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --fuzz >/dev/null
seconds=${1:-600}; shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(page_file colour_table conversions render_scroll png_memory compositing check_story play_script web_files)
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz >/dev/null
# Scratch files of the targets go to memory when it can hold them.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
mkdir -p build-fuzz/crashes build-fuzz/logs
for t in "${targets[@]}"; do
  work=$PWD/build-fuzz/corpus/$t  # absolute paths: the targets change folder
  mkdir -p "$work"
  cp -n tests/fuzz/corpus/$t/* "$work"/ 2>/dev/null || true
  extra=(-max_len=4096)
  # Real pictures are larger than text inputs. The PNG decoder reserves 2 GB
  # of address space for some broken streams without touching it (corpus:
  # reserves-2gb-for-8x3-picture); the resident-memory limit still holds.
  [ "$t" = png_memory ] && extra=(-max_len=65536 -malloc_limit_mb=4096)
  echo "== $t: up to ${seconds}s${RUNS:+ or $RUNS runs}"
  ASAN_OPTIONS=detect_leaks=0 build-fuzz/tests/fuzz/fuzz_$t "$work" -max_total_time="$seconds" \
    ${RUNS:+-runs=$RUNS} "${extra[@]}" -artifact_prefix=$PWD/build-fuzz/crashes/$t- -print_final_stats=1 \
    >build-fuzz/logs/$t.log 2>&1 || echo "   stopped with status $? (see the log)"
  grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|ERROR|SUMMARY" build-fuzz/logs/$t.log || true
done
echo "new inputs worth keeping: build-fuzz/corpus/<target>; crashes: build-fuzz/crashes/"

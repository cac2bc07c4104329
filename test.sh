#!/usr/bin/env bash
# Sets everything up and runs every test: unit and end-to-end tests (in a
# private X server), plain and under the address and undefined-behaviour
# sanitizers, and the fuzz corpora as a regression run.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh --tests
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:allocator_may_return_null=1
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "== plain build =="
ctest --test-dir build -j "$(nproc)" --output-on-failure
echo "== sanitizer build (address, undefined) =="
ctest --test-dir build-asan -j "$(nproc)" --output-on-failure

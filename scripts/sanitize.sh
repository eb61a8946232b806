#!/bin/sh
# Builds everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# (plus the libFuzzer targets) in build-asan, runs the whole test suite there
# with the first report fatal, then runs each fuzz target for a short smoke
# period (KESTREL_FUZZ_SECONDS, default 10).
set -e
cd "$(dirname "$0")/.."
BUILD=build-asan
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  # Line tables are enough for the reports' stack traces and build much faster than full debug information.
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DKESTREL_SANITIZE=ON -DKESTREL_FUZZ=ON -DKESTREL_FUZZ_SECONDS="${KESTREL_FUZZ_SECONDS:-10}"
fi
cmake --build "$BUILD" -j"$(nproc)"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"

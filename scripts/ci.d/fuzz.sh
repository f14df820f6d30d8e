#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz/*_fuzz.cpp) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, runs each for a bounded time and fails on the first crash.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${FUZZ_BUILD_DIR:-build/fuzz}
seconds=20

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRT_FUZZ=ON -DRT_TESTS=OFF -DRT_SANITIZE=address \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null || exit 1
cmake --build "$build" --target fuzz_all -j2 || exit 1

failed=0
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=$(mktemp -d)
  echo "---- $name: ${seconds} s"
  # The runtime keeps its pools for the whole process (no leak to report); any crash,
  # sanitizer report or model mismatch fails the step.
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -detect_leaks=0 \
    -print_final_stats=1 -artifact_prefix="$build/$name-" "$corpus" 2>&1 | tail -n 25
  status=${PIPESTATUS[0]}
  rm -rf "$corpus"
  if [ "$status" -ne 0 ]; then
    echo "$name FAILED (exit $status); crash input saved under $build/$name-*"
    failed=1
  fi
done
exit $failed

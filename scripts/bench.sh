#!/usr/bin/env bash
# Builds and runs the codec benchmark: expansion speed and peak memory of the
# member decoder, against ncompress's uncompress on the same inputs.
#   scripts/bench.sh [lzw_bench options, e.g. --sizes 1,16,64 --runs 3]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages $BUILD_PACKAGES ncompress
build=${BENCH_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target lzw_bench
unpack=()
# The archive tool, when it is built, is the expanding process timed.
cmake --build "$build" -j"$(nproc)" --target unpack >/dev/null 2>&1 && [ -x "$build/unpack/unpack" ] &&
  unpack=(--unpack "$PWD/$build/unpack/unpack")
"$build/tests/bench/lzw_bench" --work "$PWD/$build/lzw-bench" "${unpack[@]}" "$@"

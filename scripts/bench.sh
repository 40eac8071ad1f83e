#!/usr/bin/env bash
# Builds and runs the benchmarks against ncompress's uncompress on the same
# inputs: the codec (expansion speed and peak memory of the member decoder),
# then a whole installation by setup at 500 and 2,000 files.
#   scripts/bench.sh [lzw_bench options, e.g. --sizes 1,16,64 --runs 3]
#   INSTALL_BENCH="--files 500,2000 --runs 3" scripts/bench.sh   (install_bench options;
#   INSTALL_BENCH_WORK=DIR puts its files in DIR/install-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages $BUILD_PACKAGES ncompress
build=${BENCH_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target lzw_bench install_bench setup
unpack=()
# The archive tool, when it is built, is the expanding process timed.
cmake --build "$build" -j"$(nproc)" --target unpack >/dev/null 2>&1 && [ -x "$build/unpack/unpack" ] &&
  unpack=(--unpack "$PWD/$build/unpack/unpack")
"$build/tests/bench/lzw_bench" --work "$PWD/$build/lzw-bench" "${unpack[@]}" "$@"
echo
# The installation's files go to memory (tmpfs) when there is room for them
# (2 GB), so that the figures are the programs' and not the disk's.
work=$PWD/$build/install-bench
if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && (($(df -k --output=avail /dev/shm | tail -1) > 2000000)); then
  work=/dev/shm/install-bench-$(id -u)
fi
# The benchmark empties its work folder first and removes it at the end, so
# it gets a folder of its own inside the one named, never that one.
if [ -n "${INSTALL_BENCH_WORK:-}" ]; then
  work=$INSTALL_BENCH_WORK/install-bench
fi
# shellcheck disable=SC2086  # the options are words
"$build/tests/bench/install_bench" --setup "$build/setup/setup" --work "$work" ${INSTALL_BENCH:-}

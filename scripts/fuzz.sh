#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them for a while:
#   scripts/fuzz.sh TARGET SECONDS      e.g. scripts/fuzz.sh fuzz_profile 60
# The corpus grows in build-fuzz/corpus/TARGET; crashes land in build-fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET SECONDS}
seconds=${2:?usage: scripts/fuzz.sh TARGET SECONDS}
cmake -S . -B build-fuzz -DSETUP_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
cmake --build build-fuzz -j"$(nproc)" --target "$target"
corpus=build-fuzz/corpus/$target
mkdir -p "$corpus" build-fuzz/crashes
exec "build-fuzz/tests/fuzz/$target" "$corpus" -max_total_time="$seconds" -artifact_prefix=build-fuzz/crashes/

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them, or all of
# them side by side, for a while:
#   scripts/fuzz.sh TARGET|all SECONDS      e.g. scripts/fuzz.sh fuzz_profile 60
# Each starts from its seed corpus in tests/fuzz/corpus/TARGET (remade with
# build/tests/fuzz_seeds); what it finds beyond it grows in
# build-fuzz/corpus/TARGET, and crashes land in build-fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET|all SECONDS}
seconds=${2:?usage: scripts/fuzz.sh TARGET|all SECONDS}
. scripts/packages.sh
need_packages $FUZZ_PACKAGES
cmake -S . -B build-fuzz -DSETUP_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
cmake --build build-fuzz -j"$(nproc)"
targets=$target
[ "$target" = all ] && targets=$(cd tests/fuzz/corpus && echo *)
mkdir -p build-fuzz/crashes
pids=()
for t in $targets; do
  mkdir -p "build-fuzz/corpus/$t"
  "build-fuzz/tests/fuzz/$t" "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" -max_total_time="$seconds" \
    -artifact_prefix="build-fuzz/crashes/$t-" >"build-fuzz/$t.log" 2>&1 &
  pids+=($!)
done
failed=0
set -- $targets
for pid in "${pids[@]}"; do
  if ! wait "$pid"; then
    echo "$1 failed:"; tail -n 40 "build-fuzz/$1.log"; failed=1
  else
    echo "$1: $(grep -E '^#[0-9]+' "build-fuzz/$1.log" | tail -n 1)"
  fi
  shift
done
exit $failed

#!/usr/bin/env bash
# Installs what the build needs, builds the installer and the demo medium,
# and runs the installer on the medium against a demo machine folder in the
# build tree: in real windows where there is a display, otherwise as the
# scripted walk of demo/walk.script, printing what the user would have seen.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages $BUILD_PACKAGES
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target setup demo_medium
machine=build/demo-machine
cmake -DSOURCE=demo -DMEDIUM="$PWD/build/demo/medium" -DMACHINE="$PWD/$machine" -P demo/MakeMachine.cmake
export SETUP_MACHINE="$PWD/$machine"
if [ -n "${DISPLAY:-}" ]; then
  unset SETUP_SCRIPT
else
  export SETUP_SCRIPT="$PWD/demo/walk.script"
fi
set +e
build/setup/setup
code=$?
set -e
echo "setup ended with exit code $code"
exit $code

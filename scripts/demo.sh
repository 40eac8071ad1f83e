#!/usr/bin/env bash
# Installs what the build needs, builds the installer and runs it on the demo
# medium against a demo machine folder in the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages $BUILD_PACKAGES
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target setup
machine=build/demo-machine
rm -rf "$machine"
mkdir -p "$machine"
sed "s|@MEDIUM@|$PWD/demo/medium|" demo/machine.ini > "$machine/machine.ini"
export SETUP_MACHINE="$PWD/$machine"
export SETUP_SCRIPT="$PWD/demo/walk.script"
set +e
build/setup/setup
code=$?
set -e
echo "setup ended with exit code $code"
exit $code

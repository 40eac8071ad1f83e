#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages $BUILD_PACKAGES
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
# One X server for the whole run: the tests in real windows share it.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build -j"$(nproc)" --output-on-failure
# The archive tool as a Windows program, cross-built, and its tests once more
# against it under Wine: headless, in a prefix inside the build tree, with one
# server kept up for the whole run (starting one takes seconds).
need_packages $WINDOWS_PACKAGES
need_source_packages
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-win -j"$(nproc)"
(
  unset DISPLAY
  export WINEPREFIX="$PWD/build-win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
  [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i; wineserver -w; }
  wineserver -p60 || true  # fails when a server is up already
  UNPACK_EXE="$PWD/build-win/unpack/unpack.exe" UNPACK_RUNNER="$(command -v wine)" \
    ctest --test-dir build -R '^([A-Za-z]+/)?Unpack[A-Za-z]*Test\.' --no-tests=error -j"$(nproc)" --output-on-failure
)
# setup.exe in native windows under Wine, on an X server of its own without a
# window manager: the demo walk by script (the same as headless) and by real
# input events, each in a fresh prefix.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" tests/wine/setup_in_windows.sh "$PWD/build-win/setup/setup.exe" \
  "$PWD/build/demo/medium" "$PWD/demo/walk.script" "$PWD/build-win/wine-windows"

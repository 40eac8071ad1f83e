#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test: the
# native suite, the same suite built with the sanitizers, a short run of
# every fuzz target and the archive tool's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages $BUILD_PACKAGES $FUZZ_PACKAGES

# One X server for each run of the suite: the tests in real windows share it.
run_suite() {
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$1" -j"$(nproc)" --no-tests=error --output-on-failure
}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
run_suite build

# AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer, with GCC
# like the native build; a finding fails its test.
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$sanitizers" \
  -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" \
  -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" -DCMAKE_MODULE_LINKER_FLAGS="$sanitizers"
cmake --build build-asan -j"$(nproc)"
(
  export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1"
  run_suite build-asan
)

scripts/fuzz.sh all 30

# The archive tool as a Windows program, cross-built, and its tests once more
# against it under Wine: headless, in a prefix inside the build tree, with one
# server kept up for the whole run (starting one takes seconds) and stopped
# at its end.
need_packages $WINDOWS_PACKAGES
need_source_packages
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-win -j"$(nproc)"
(
  unset DISPLAY
  export WINEPREFIX="$PWD/build-win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
  trap 'wineserver -k 2>/dev/null || true' EXIT
  [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i; wineserver -w; }
  wineserver -p60 || true  # fails when a server is up already
  UNPACK_EXE="$PWD/build-win/unpack/unpack.exe" UNPACK_RUNNER="$(command -v wine)" \
    ctest --test-dir build -R '^([A-Za-z]+/)?Unpack[A-Za-z]*Test\.' --no-tests=error -j"$(nproc)" --output-on-failure
)
# The installer's end-to-end tests once more against setup.exe under Wine:
# headless, each test in a copy of one template prefix whose TEMP is C:\TEMP,
# with drive A: a floppy drive and E: (the medium) a CD drive; each run of
# setup.exe has the copy's server to itself, stopped at the run's end.
(
  unset DISPLAY
  export WINEPREFIX="$PWD/build-win/setup-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
  if [ ! -f "$WINEPREFIX/made" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i
    for name in TEMP TMP; do wine reg add 'HKCU\Environment' /v $name /d 'C:\TEMP' /f >/dev/null; done
    wine reg add 'HKLM\Software\Wine\Drives' /v a: /d floppy /f >/dev/null
    wine reg add 'HKLM\Software\Wine\Drives' /v e: /d cdrom /f >/dev/null
    wineserver -k
    wineserver -w
    touch "$WINEPREFIX/made"
  fi
  SETUP_EXE="$PWD/build-win/setup/setup.exe" SETUP_RUNNER="$(command -v wine)" \
    ctest --test-dir build -L '^test_e2e$' --no-tests=error -j"$(nproc)" --output-on-failure
)
# The wizard's end-to-end tests a third time, their scripts driving
# setup.exe's native windows (SETUP_UI=win32) on an X server of their own,
# the prefix's windows unmanaged (without a window manager a closing window
# waits seconds).
(
  export WINEPREFIX="$PWD/build-win/setup-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
  DISPLAY= wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  wineserver -w
  SETUP_UI=win32 SETUP_EXE="$PWD/build-win/setup/setup.exe" SETUP_RUNNER="$(command -v wine)" \
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build -L '^test_e2e$' \
    -R '^([A-Za-z]+/)?(Wizard|Directories|OtherDirectory|SeveralTypes|LicencePage|Proposal|SpaceLayout)\.' \
    --no-tests=error -j"$(nproc)" --output-on-failure
)
# setup.exe in native windows under Wine, on an X server of its own without a
# window manager: the demo walk by script (the same as headless) and by real
# input events, each in a fresh prefix.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" tests/wine/setup_in_windows.sh "$PWD/build-win/setup/setup.exe" \
  "$PWD/build/demo/medium" "$PWD/demo/walk.script" "$PWD/build-win/wine-windows" \
  "$PWD/build/tests/fixtures/lzwpack" "$PWD/build-win/tests/wine/timer_box.exe"

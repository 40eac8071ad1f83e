# Installs the Debian packages named as arguments that are missing (idempotent).
# Sourced by the other scripts: need_packages pkg...
need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}
# FLTK, libjpeg and libpng for the real windows, the fonts they map the
# designs' fonts to, and Xvfb and xdotool for the tests in real windows.
BUILD_PACKAGES="build-essential cmake libgtest-dev libfltk1.3-dev libjpeg-dev libpng-dev fonts-dejavu-core fonts-liberation xvfb xauth xdotool liblnk-utils"
# The cross toolchain for the Windows programs, and Wine to run them.
WINDOWS_PACKAGES="g++-mingw-w64-x86-64 wine wine64"

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
# Debian's source packages for apt-get source (the Windows build cross-builds
# libjpeg-turbo from its source package): a deb-src entry beside the
# system's own entries, when there is none (idempotent).
need_source_packages() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  local codename
  codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  echo "Adding a deb-src entry for $codename"
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$codename" "$codename" | $sudo tee /etc/apt/sources.list.d/setup-deb-src.sources >/dev/null
  $sudo apt-get update -q
}
# FLTK, libjpeg and libpng for the real windows, the fonts they map the
# designs' fonts to, and Xvfb and xdotool for the tests in real windows.
BUILD_PACKAGES="build-essential cmake libgtest-dev libfltk1.3-dev libjpeg-dev libpng-dev fonts-dejavu-core fonts-liberation xvfb xauth xdotool liblnk-utils"
# The cross toolchain for the Windows programs, dpkg-dev to unpack the
# libjpeg-turbo source package, Wine to run them, and file to check pictures.
WINDOWS_PACKAGES="g++-mingw-w64-x86-64 dpkg-dev wine wine64 file"
# clang and its libFuzzer runtime for the fuzz targets.
FUZZ_PACKAGES="clang libclang-rt-dev"

#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    clang-format           # ./test.sh checks the format of every C++ file
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-wine             # the Tahoma the windows are designed for
    mawk                   # the reference script of the processing benchmark
    python3                # the end-to-end test harness
    xvfb xauth xdotool imagemagick x11-utils  # end-to-end tests drive the real window
    desktop-file-utils appstream  # the install test validates the menu entry and the metainfo
    dpkg-dev file          # cpack -G DEB finds the package's dependencies with dpkg-shlibdeps
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

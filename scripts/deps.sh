#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-tools-dev qt6-l10n-tools libgl-dev libudev-dev libcli11-dev libgtest-dev libgmock-dev
  fonts-noto-cjk qt6-translations-l10n help2man
)
# Only the tests need these: independent readers of our output.
TEST_PACKAGES=(gpsbabel libimage-exiftool-perl libxml2-utils)
# Only the fuzz preset needs clang (libFuzzer).
FUZZ_PACKAGES=(clang)
# Making and checking the Debian package (scripts/package.sh).
PACKAGE_PACKAGES=(dpkg-dev file lintian desktop-file-utils appstream)
# The Windows build (win64 preset): MinGW-w64 with POSIX threads, Wine to run its tests, GoogleTest
# as source to build for Windows, zip for its package (scripts/package.sh --win).
WIN_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 googletest zip)

want=("${PACKAGES[@]}")
case "${1:-}" in
  --test) want+=("${TEST_PACKAGES[@]}") ;;
  --fuzz) want+=("${TEST_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}") ;;
  --package) want+=("${PACKAGE_PACKAGES[@]}") ;;
  --win) want+=("${WIN_PACKAGES[@]}") ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "These packages are missing: ${missing[*]}" >&2
    echo "Run this script as root (or install sudo), or install them with:" >&2
    echo "  su -c 'apt-get install -y ${missing[*]}'" >&2
    exit 1
  fi
else
  SUDO=
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

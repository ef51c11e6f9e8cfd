#!/usr/bin/env bash
# Builds the Debian package (a release build of its own in build/package, with Debian's
# hardening flags) and checks it: lintian, desktop-file-validate, appstreamcli, and the
# packaged programs flashing the sample image against the packaged virtual device.
#   scripts/package.sh [--no-check]
# Install it with: sudo apt install ./build/package/divuzovuzov_*.deb
#
# With --win it makes the Windows zip instead (scripts/package-win.sh, docs/windows.md):
#   scripts/package.sh --win [--no-check]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --win ]; then
  shift
  exec scripts/package-win.sh "$@"
fi
scripts/deps.sh --package

# The compiler and linker flags of a Debian build with all hardening (optimisation -O2 comes
# from here too). CMake reads them when it makes a cache, so the cache is made afresh.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake --preset package --fresh
cmake --build --preset package
rm -f build/package/divuzovuzov_*.deb
cpack --preset deb
deb=$(echo build/package/divuzovuzov_*.deb)
[ -f "$deb" ] || { echo "no package was made" >&2; exit 1; }

if [ "${1:-}" != --no-check ]; then
  check=$(mktemp -d)
  trap 'rm -rf "$check"' EXIT
  dpkg-deb -x "$deb" "$check"
  desktop-file-validate "$check"/usr/share/applications/*.desktop
  appstreamcli validate --no-net "$check"/usr/share/metainfo/*.metainfo.xml
  # Errors fail; warnings are listed (each one is explained in docs/packaging.md).
  lintian --fail-on error --display-info "$deb"
  tests/package/test_package.sh "$deb"
fi
echo "$deb"

#!/usr/bin/env bash
# Makes the Windows zip: divuzo.exe (the command line; the window is Linux-only for now, see
# docs/windows.md) with the download-agent files, scat.txt and the sample image beside it, as
# the program looks for them. Built with the win64 preset (MinGW-w64); then, unless --no-check,
# the packed divuzo.exe is run under Wine from a fresh unpacking: it must tell its version and
# find the sample image valid for a ZID310 at V1.23.
#   scripts/package.sh --win [--no-check]   (or scripts/package-win.sh [--no-check])
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --win
cmake --preset win64
cmake --build --preset win64 --target divuzo divuzo_brom_files divuzo_sample_image

version=$(sed -n 's/^project(DIVUZOvuzov VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=divuzovuzov-$version-win64
stage=build/win64/package/$name
rm -rf build/win64/package
mkdir -p "$stage/sample"
x86_64-w64-mingw32-strip -o "$stage/divuzo.exe" build/win64/bin/divuzo.exe
cp build/win64/bin/DA_MT33*_V*.bin build/win64/bin/MTK_AllInOne_DA_MT33*_V*.bin build/win64/bin/scat.txt "$stage/"
cp build/win64/bin/sample/ZID310_V124_PLM.bin "$stage/sample/"
(cd build/win64/package && zip -q -r -X "$name.zip" "$name")
zip=build/win64/package/$name.zip

if [ "${1:-}" != --no-check ]; then
  check=$(mktemp -d)
  trap 'rm -rf "$check"' EXIT
  (cd "$check" && unzip -q "$OLDPWD/$zip")
  run="cmake/wine-run.sh $PWD/build/win64/wineprefix"
  $run "$check/$name/divuzo.exe" --version | tr -d '\r' | grep -qx "divuzo $version"
  $run "$check/$name/divuzo.exe" check-image "Z:${check//\//\\}\\$name\\sample\\ZID310_V124_PLM.bin" \
    --model ZID310 --version 123 >/dev/null
  $run --stop
fi
echo "$zip"

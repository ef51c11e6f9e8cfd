#!/bin/bash
# Lists every place in the core and in divuzo where a std::string becomes a std::filesystem::path
# directly instead of through PathFromUtf8. On Windows such a path takes each byte of the UTF-8
# text for a character of its own, so names outside ASCII break; on Linux nothing shows it.
#
# It compiles the Windows build of divuzo_core and divuzo (MinGW-w64) against a copy of the
# standard library's path header in which those conversions are deleted: each one is then a
# compile error naming its line. String literals stay allowed (the program's own ASCII names).
#
#   scripts/check-narrow-paths.sh [BUILD-DIR]    exit status 0 when there are none
# (BUILD-DIR: build/narrow-paths unless given; the win64 tests give their own.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/narrow-paths}
compiler=x86_64-w64-mingw32-g++-posix
header=$(echo '#include <filesystem>' | "$compiler" -std=c++20 -x c++ -M - | tr ' \\' '\n\n' | grep '/bits/fs_path\.h$' | head -n 1)
[ -n "$header" ] || { echo "no fs_path.h for $compiler" >&2; exit 2; }

mkdir -p "$build/include/bits"
# After the constructor from the native string type, the narrow forms, deleted.
awk '
  { print }
  /^    path\(string_type&& __source, format = auto_format\)$/ { waiting = 1; next }
  waiting && /_M_split_cmpts\(\); \}/ {
    waiting = 0
    print "    path(const std::string&, format = auto_format) = delete;"
    print "    path(std::string&&, format = auto_format) = delete;"
    print "    path(std::string_view, format = auto_format) = delete;"
    print "    path& operator/=(const std::string&) = delete;"
    print "    path& append(const std::string&) = delete;"
    print "    path& operator+=(const std::string&) = delete;"
    print "    path& concat(const std::string&) = delete;"
  }' "$header" >"$build/include/bits/fs_path.h"
grep -q 'path(const std::string&, format = auto_format) = delete' "$build/include/bits/fs_path.h" ||
  { echo "the path header of $compiler has another shape; cannot check" >&2; exit 2; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DDIVUZO_BUILD_GUI=OFF -DDIVUZO_BUILD_BENCH=OFF -DDIVUZO_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-I$build/include" >"$build/configure.log"
mapfile -t objects < <(ninja -C "$build" -t targets all |
  grep -o '^[^:]*/\(divuzo_core\|divuzo\)\.dir/[^:]*\.obj' | sort -u)
ninja -C "$build" -k 0 "${objects[@]}" >"$build/build.log" 2>&1 || true
found=$(grep -E "error: use of deleted function .*std::filesystem::__cxx11::path|required from here" "$build/build.log" |
  grep -v "^$build" | sed -E "s#^(\.\./)*##; s#^$root/##" | sort -u || true)
if [ -n "$found" ]; then
  echo "A std::string made into a path without PathFromUtf8:"
  echo "$found"
  exit 1
fi
if grep -q "^FAILED:" "$build/build.log"; then
  echo "the build failed for another reason; see $build/build.log" >&2
  exit 2
fi
echo "no std::string becomes a path without PathFromUtf8"

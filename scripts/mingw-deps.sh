#!/usr/bin/env bash
# Stages, in PREFIX, what the MinGW-w64 build of Tessaly links against besides
# MinGW itself: the header-only CLI11 and nlohmann-json with their CMake
# package files (copied from Debian's packages, since the cross build may not
# search /usr, whose headers clash with MinGW's), and GoogleTest built from
# Debian's source package with the cross toolchain; and, in PREFIX/bin, the
# MinGW runtime DLLs that programs linking Qt load (Qt's DLLs import them), for
# the tests under Wine and for the zip. Done once; a later run only checks.
#
#   scripts/mingw-deps.sh PREFIX
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${1:?usage: scripts/mingw-deps.sh PREFIX}
stamp="$prefix/.staged"

mkdir -p "$prefix/bin"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp -u "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)" "$prefix/bin/"
done
[ -f "$stamp" ] && exit 0

mkdir -p "$prefix/include" "$prefix/share/cmake"
cp -r /usr/include/CLI /usr/include/nlohmann "$prefix/include/"
# The package files find their headers relative to themselves (three folders
# up), so they work unchanged from the prefix.
cp -r /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"

gtest_build="$prefix/build-googletest"
cmake -S /usr/src/googletest -B "$gtest_build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DTESSALY_MINGW_DEPS="$prefix" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >/dev/null
cmake --build "$gtest_build"
cmake --install "$gtest_build" >/dev/null
rm -rf "$gtest_build"
touch "$stamp"

#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (QtCore, QtGui, QtWidgets, QtTest and the
# windows, offscreen and windowsvista plugins) from Debian's own qt6-base
# source package, at exactly the version of the host's Qt, with Debian's
# MinGW-w64 posix compilers, and prints the installed prefix on stdout.
#
#   scripts/mingw-qt.sh            build when needed, print the prefix
#
# The result is cached outside the clone, in
# ${TESSALY_QT_CACHE:-/var/cache/tessaly}/qt-<version>-mingw-<hash>, where the
# hash covers the Debian version, the configure line and the toolchain below:
# a later run reuses it, and a change of any of them builds anew. A first
# build takes about half an hour on two quiet cores; every stage prints one
# line with the time since the start on stderr, and the build a line of
# progress every five minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

start=$SECONDS
say() { printf 'mingw-qt: [%2dm%02ds] %s\n' $(((SECONDS - start) / 60)) $(((SECONDS - start) % 60)) "$*" >&2; }
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

version=$(dpkg-query -W -f='${Version}' qt6-base-dev) # e.g. 6.4.2+dfsg-10
upstream=${version%%+*}
upstream=${upstream%%-*}

# What the editor needs of Qt and nothing more. Off, besides the usual: the
# modules Tessaly does not use; the tablet support, whose wintab sources the
# dfsg source lacks; DirectWrite, whose font database QtGui builds only with
# Direct2D while the windows plugin would still refer to it (the plugin falls
# back to the GDI font database, which is what it uses without Direct2D in
# any case); zstd, which Debian's patch would take from the host.
configure_args=(
  -release -shared -qt-host-path /usr
  -nomake examples -nomake tests
  -no-dbus -no-opengl -no-direct2d -no-feature-directwrite
  -no-feature-network -no-feature-sql -no-feature-xml -no-feature-printsupport
  -no-feature-concurrent -no-feature-tabletevent -no-feature-vulkan
  -no-feature-androiddeployqt -no-feature-windeployqt
  -no-pkg-config -no-icu
  -qt-zlib -qt-pcre -qt-libpng -qt-freetype -qt-harfbuzz -qt-doubleconversion
  -no-libjpeg -no-gif
)
cmake_args=(
  -G Ninja
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DFEATURE_zstd=OFF
)
# The toolchain Qt is built with: the same compilers as the rest of the
# Windows build, but Qt's DLLs link the MinGW runtime dynamically, as any
# shared Qt does (the zip ships those three DLLs beside them).
toolchain='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
'
compiler_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
hash=$(printf '%s\n' "$version" "$compiler_version" "${configure_args[*]}" "${cmake_args[*]}" "$toolchain" |
  sha256sum | cut -c1-12)

cache_root=${TESSALY_QT_CACHE:-/var/cache/tessaly}
if ! mkdir -p "$cache_root" 2>/dev/null || [ ! -w "$cache_root" ]; then
  cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/tessaly
  mkdir -p "$cache_root"
fi
prefix="$cache_root/qt-$upstream-mingw-$hash"

# One build at a time: a second run waits for the first and then reuses it.
exec 9>"$cache_root/.qt-mingw.lock"
flock 9
# Qt's own texts in Chinese (确定, 取消 …): Debian's qtbase_zh_CN.qm, the same
# file on every platform, where a Qt installation keeps its translations.
add_translations() {
  mkdir -p "$prefix/translations"
  cp -u /usr/share/qt6/translations/qtbase_zh_CN.qm "$prefix/translations/"
}
if [ -f "$prefix/.complete" ]; then
  add_translations
  say "reusing $prefix"
  echo "$prefix"
  exit 0
fi
say "building Qt $version for Windows into $prefix (not cached yet)"

# Debian's source package comes through a deb-src entry for the suites the
# machine already uses, in a file of its own.
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q "^Version: $version\$"; then
  list=/etc/apt/sources.list.d/tessaly-deb-src.sources
  for f in /etc/apt/sources.list.d/*.sources; do
    [ "$f" = "$list" ] && continue
    grep -q '^Types:.*\bdeb\b' "$f" && sed -e 's/^Types:.*/Types: deb-src/' "$f" && echo
  done | "${sudo_cmd[@]}" tee "$list.new" >/dev/null
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/tessaly-deb-src.list >/dev/null
  fi
  "${sudo_cmd[@]}" mv "$list.new" "$list"
  "${sudo_cmd[@]}" apt-get update -qq
  say "added the deb-src entry $list"
fi

work="$cache_root/work-$hash"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
# apt-get source checks the signature and the hashes, unpacks the upstream
# source and applies Debian's patches.
(cd "$work" && apt-get source -qq "qt6-base=$version" >"$work/source.log" 2>&1) || {
  cat "$work/source.log" >&2
  exit 1
}
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*')
say "fetched and patched $(basename "$src")"

printf '%s' "$toolchain" >"$work/toolchain.cmake"
build="$work/build"
mkdir -p "$build"
if ! (cd "$build" && "$src/configure" "${configure_args[@]}" -prefix "$prefix" -- "${cmake_args[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" >"$work/configure.log" 2>&1); then
  tail -n 60 "$work/configure.log" >&2
  exit 1
fi
say "configured"

# Progress from ninja's own [done/total] counter, every five minutes.
(
  while sleep 300; do
    line=$(grep -a -o '^\[[0-9]*/[0-9]*\]' "$work/build.log" 2>/dev/null | tail -n 1)
    say "building ${line:-…}"
  done
) &
ticker=$!
trap 'kill $ticker 2>/dev/null || true; rm -rf "$work"' EXIT
if ! cmake --build "$build" --parallel "$(nproc)" >"$work/build.log" 2>&1; then
  tail -n 60 "$work/build.log" >&2
  exit 1
fi
kill $ticker 2>/dev/null || true
say "built ($(grep -a -c '^\[' "$work/build.log") steps)"

rm -rf "$prefix"
cmake --install "$build" >"$work/install.log" 2>&1 || {
  tail -n 40 "$work/install.log" >&2
  exit 1
}
add_translations
touch "$prefix/.complete"
say "installed $(du -sh "$prefix" | cut -f1) into $prefix"
echo "$prefix"

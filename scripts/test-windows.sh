#!/usr/bin/env bash
# Builds the core, tessaly-cli and their tests for 64-bit Windows with
# MinGW-w64 and runs the tests under Wine; then runs the Windows tessaly-cli.exe
# and the Linux tessaly-cli side by side on the same files and compares every
# byte they print and write. Installs what is missing first.
#
#   scripts/test-windows.sh
#
# Everything it makes stays in build/: the staged libraries (build/mingw-deps),
# the build (build/mingw) and a private, headless Wine prefix
# (build/mingw/wine); ~/.wine is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/setup.sh windows

# Wine as the tests need it: its own prefix, quiet, no display, no .NET or
# Gecko installers, and UTF-8 so that Chinese arguments arrive whole.
export WINEPREFIX="$root/build/mingw/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"

# One Wine server for the whole run: without it every test start waits for the
# previous server to shut down. It is stopped however the script ends.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -k >/dev/null 2>&1 || true  # one left by an earlier run
wineserver -w
wineserver -p
# Start Wine's services once now; started during test discovery they would hold
# its output open until it timed out.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
wine cmd /c exit

scripts/mingw-deps.sh "$root/build/mingw-deps"

cmake --preset mingw
cmake --build --preset mingw
ctest --preset mingw

# The zip for Windows users: it unpacks into a folder of its own and the
# program runs there with nothing else present; it imports no DLL of MinGW's.
(cd build/mingw && cpack >/dev/null)
zip=$(ls build/mingw/tessaly-cli-*-win64.zip)
unpacked=build/mingw/zip-check
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$root/$zip")
exe=$(find "$unpacked" -name tessaly-cli.exe)
if x86_64-w64-mingw32-objdump -p "$exe" | grep -i 'DLL Name' | grep -i -E 'libstdc|libgcc|pthread'; then
  echo "test-windows: $exe needs a MinGW DLL" >&2
  exit 1
fi
wine "$exe" --help >/dev/null
echo "test-windows: $zip unpacks and runs"

scripts/compare-windows.sh

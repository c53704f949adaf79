#!/usr/bin/env bash
# Takes docs/screenshot.png: the editor opened on examples/Meteor.res under
# Xvfb, with the first map selected, saved by tools/screenshot.cpp (which
# links the editor's UI library). Builds that tool first when needed.
#
#   scripts/screenshot.sh [OUTPUT.png]
#
# TESSALY_BUILD_DIR chooses the build folder (default build/default, the
# "default" preset).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${TESSALY_BUILD_DIR:-build/default}"
out="${1:-docs/screenshot.png}"
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$build" = build/default ]; then
    cmake --preset default >/dev/null
  else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
fi
cmake --build "$build" --target screenshot

mkdir -p "$(dirname "$out")"
rm -f "$out"
# The tool saves the picture and quits by itself; the timeout only guards
# against a window that never settles.
env -u QT_QPA_PLATFORM \
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/screenshot" examples/Meteor.res "$out"
if [ ! -s "$out" ]; then
  echo "screenshot.sh: no picture was written to $out" >&2
  exit 1
fi
echo "Wrote $out"

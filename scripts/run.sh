#!/usr/bin/env bash
# Sets up the machine, builds Tessaly and opens the editor on a copy of the
# bundled sample in the build folder. The copy is made once, so edits saved in
# it survive later runs, and the tracked examples/Meteor.res is never written.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display to open the window on; start it from a desktop session" >&2
  echo "        (scripts/screenshot.sh shows the window under Xvfb as a picture)" >&2
  exit 1
fi
sample=build/default/Meteor.res
[ -f "$sample" ] || cp examples/Meteor.res "$sample"
exec build/default/bin/tessaly "$sample"

#!/usr/bin/env bash
# Sets up the machine, builds Tessaly and opens the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/default/bin/tessaly-cli list examples/Meteor.res

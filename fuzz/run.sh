#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan, UBSan) and runs each for a bounded time
# (FUZZ_SECONDS, default 60) from seeds made by our own code. A crash input is
# copied into fuzz/regressions/<target>/, where CTest replays it in every build.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=build/fuzz/corpus
rm -rf "$work"
build/fuzz/fuzz/make_seeds "$work/seeds"

status=0
for target in load_fuzz roundtrip_fuzz; do
  corpus="$work/$target"
  artifacts="$work/$target-artifacts"
  mkdir -p "$corpus" "$artifacts"
  echo "== $target for ${seconds}s"
  if ! build/fuzz/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -dict=fuzz/meteor.dict -artifact_prefix="$artifacts/" -print_final_stats=1 \
      "$corpus" "$work/seeds" 2>"$work/$target.log"; then
    status=1
    mkdir -p "fuzz/regressions/$target"
    cp "$artifacts"/* "fuzz/regressions/$target/" 2>/dev/null || true
    tail -n 60 "$work/$target.log"
    echo "$target found a failing input; it is kept in fuzz/regressions/$target/"
  else
    grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb" "$work/$target.log" || true
    echo "$target: no finding"
  fi
done
exit $status

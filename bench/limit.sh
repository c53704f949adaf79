#!/usr/bin/env bash
# Times loading against the physical floor (one read of the whole file, then
# memchr over every byte for the marker) on the same files, in one run, and
# prints the ratios, peak memory, the window figure and the table operations.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench/bench
files=build/bench/files
[ -f "$files/big-header.res" ] || "$bin/limit_probe" make "$files"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
for f in many-maps.res big-header.res; do
  size_mib=$(( $(stat -c %s "$files/$f") / 1048576 ))
  floor=$("$bin/limit_probe" floor "$files/$f")
  load=$("$bin/limit_probe" load "$files/$f")
  echo "$floor"
  echo "$load"
  fs=$(sed -E 's/.*seconds=([0-9.]+).*/\1/' <<<"$floor")
  ls=$(sed -E 's/.*seconds=([0-9.]+).*/\1/' <<<"$load")
  peak=$(sed -E 's/.*peak_rss_mb=([0-9.]+).*/\1/' <<<"$load")
  awk -v f="$fs" -v l="$ls" -v p="$peak" -v s="$size_mib" -v n="$f" 'BEGIN {
    printf "%s: load / floor = %.2f%s; peak while loading %.0f MiB = file %d MiB + %.0f MiB (goal: at most + 64 MiB)\n",
      n, l / f, (n == "big-header.res" ? " (goal: at most 1.5)" : ""), p, s, p - s }'
done

# Saving against what any safe save must do (copy and flush the backup, write
# and flush the new content, rename), and its peak memory against 2 x file.
for f in many-maps.res big-header.res; do
  size_mib=$(( $(stat -c %s "$files/$f") / 1048576 ))
  floor=$("$bin/limit_probe" savefloor "$files/$f")
  save=$("$bin/limit_probe" save "$files/$f")
  full=$("$bin/limit_probe" savereload "$files/$f")
  echo "$floor"
  echo "$save"
  echo "$full"
  fs=$(sed -E 's/.*seconds=([0-9.]+).*/\1/' <<<"$floor")
  ss=$(sed -E 's/.*seconds=([0-9.]+).*/\1/' <<<"$save")
  peak=$(sed -E 's/.*peak_rss_mb=([0-9.]+).*/\1/' <<<"$full")
  awk -v f="$fs" -v s="$ss" -v p="$peak" -v m="$size_mib" -v n="$f" 'BEGIN {
    printf "%s: save / floor = %.2f (goal: at most 2); peak saving and reloading %.0f MiB = 2 x file %d MiB + %.0f MiB (goal: at most + 64 MiB)\n",
      n, s / f, p, 2 * m, p - 2 * m }'
done

if [ -x "$bin/window_bench" ]; then
  QT_QPA_PLATFORM=offscreen "$bin/window_bench" "$files/many-maps.res"
fi

# tessaly-cli backups: 200 backups of a 32767-map file, each read once and
# compared with the file, which is read once.
"$bin/backups_bench"

"$bin/core_bench" --benchmark_filter='Write|Add|Delete|Move|Find|RowOf|Save|Build|UndoRedo' \
  --benchmark_min_time=0.2

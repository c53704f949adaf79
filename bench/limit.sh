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

# Saving against what any safe save must do (copy and flush the backup, make
# and flush as many bytes anew, rename), and its peak memory against 2 x file.
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
    printf "%s: save / floor = %.2f (goal: at most 2); peak saving and reading back %.0f MiB (goal: at most 2 x file + 64 MiB = %d MiB)\n",
      n, s / f, p, 2 * m + 64 }'
done

# tessaly-cli import of the 200 MiB file (its own maps, exported) against what
# any safe import must do, as shell commands in the same run: read the file,
# copy and flush the backup, write and flush the new file, rename it over the
# file, read it back. Best of three each, on a scratch copy; peak memory of the
# import against 2 x file.
cli=build/bench/bin/tessaly-cli
scratch=$files/import-scratch
rm -rf "$scratch"
mkdir -p "$scratch/program"
cp "$cli" "$scratch/program/tessaly-cli"
cp "$files/big-header.res" "$scratch/Meteor.res"
"$cli" export "$scratch/Meteor.res" -o "$scratch/maps.json"
now() { date +%s.%N; }
best_floor=1e9
best_import=1e9
peak_kib=0
for run in 1 2 3; do
  start=$(now)
  cat "$scratch/Meteor.res" >/dev/null
  cp "$scratch/Meteor.res" "$scratch/backup" && sync "$scratch/backup"
  cat "$scratch/Meteor.res" >"$scratch/new" && sync "$scratch/new"
  mv "$scratch/new" "$scratch/Meteor.res"
  cat "$scratch/Meteor.res" >/dev/null
  end=$(now)
  best_floor=$(awk -v a="$best_floor" -v s="$start" -v e="$end" 'BEGIN { d = e - s; print (d < a ? d : a) }')
  rm -f "$scratch/backup"

  start=$(now)
  /usr/bin/time -f %M -o "$scratch/peak" "$scratch/program/tessaly-cli" import \
    "$scratch/Meteor.res" "$scratch/maps.json" >/dev/null
  end=$(now)
  best_import=$(awk -v a="$best_import" -v s="$start" -v e="$end" 'BEGIN { d = e - s; print (d < a ? d : a) }')
  peak_kib=$(awk -v a="$peak_kib" -v p="$(cat "$scratch/peak")" 'BEGIN { print (p > a ? p : a) }')
  rm -f "$scratch/program/"\[*
done
size_mib=$(( $(stat -c %s "$scratch/Meteor.res") / 1048576 ))
awk -v f="$best_floor" -v i="$best_import" -v p="$peak_kib" -v m="$size_mib" 'BEGIN {
  printf "importfloor big-header.res seconds=%.4f\nimport big-header.res seconds=%.4f peak_rss_mb=%.1f\n", f, i, p / 1024
  printf "big-header.res: import / floor = %.2f (goal: at most 2); peak importing %.0f MiB (goal: at most 2 x file + 64 MiB = %d MiB)\n",
    i / f, p / 1024, 2 * m + 64 }'
rm -rf "$scratch"

if [ -x "$bin/window_bench" ]; then
  QT_QPA_PLATFORM=offscreen "$bin/window_bench" "$files/many-maps.res"
fi

# tessaly-cli backups: 200 backups of a 32767-map file, each read once and
# compared with the file, which is read once.
"$bin/backups_bench"

"$bin/core_bench" --benchmark_filter='Write|Add|Delete|Move|Find|RowOf|Save|Build|UndoRedo' \
  --benchmark_min_time=0.2

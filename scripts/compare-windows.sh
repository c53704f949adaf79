#!/usr/bin/env bash
# Runs the Linux tessaly-cli and the Windows tessaly-cli.exe (under Wine) on
# the same files and requires the same result to the byte: stdout and exit
# status of list, dump, dump --json, export and export --csv, and the file
# that import writes from each export. The files are every resource file that
# the core and CLI tests build (kept through TESSALY_KEEP_TEST_FILES), the
# bundled sample and the fuzz regressions.
#
# Called by scripts/test-windows.sh, with Wine already prepared; brings what
# it needs of the Linux side (build/default) up to date first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux_build=build/default
windows_exe=build/mingw/bin/tessaly-cli.exe

[ -f "$linux_build/CMakeCache.txt" ] || cmake --preset default >/dev/null
cmake --build --preset default --target tessaly-cli resfile_tests table_tests cli_tests >/dev/null

work="$root/build/mingw/compare"
rm -rf "$work"
mkdir -p "$work/files" "$work/linux" "$work/windows"
for t in resfile_tests table_tests cli_tests; do
  TESSALY_KEEP_TEST_FILES="$work/files" TESSALY_SOURCE_DIR="$root" \
    "$linux_build/tests/$t" --gtest_brief=1 >/dev/null
done
cp examples/Meteor.res "$work/files/sample.res"
for f in fuzz/regressions/*/*; do
  [ -f "$f" ] && cp "$f" "$work/files/regression-$(basename "$(dirname "$f")")-$(basename "$f")"
done

# Each program runs from a folder of its own, where its backups go.
cp "$linux_build/bin/tessaly-cli" "$work/linux/"
cp "$windows_exe" "$work/windows/"
linux_cli() { "$work/linux/tessaly-cli" "$@"; }
# tessaly-cli never exits with 1; Wine does when, rarely on a loaded machine,
# it fails to start the program at all. Such a start is tried once more.
windows_cli() {
  local status=0
  wine "$work/windows/tessaly-cli.exe" "$@" || status=$?
  if [ "$status" -eq 1 ]; then
    status=0
    wine "$work/windows/tessaly-cli.exe" "$@" || status=$?
  fi
  return "$status"
}

passed=0
failed=0
check() {  # check LABEL: compares $work/a.* with $work/b.*
  if cmp -s "$work/a.out" "$work/b.out" && [ "$(cat "$work/a.status")" = "$(cat "$work/b.status")" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "DIFFERENT: $1 (status $(cat "$work/a.status") / $(cat "$work/b.status"))"
    if [ -s "$work/b.err" ]; then sed 's/^/  windows: /' "$work/b.err" | head -n 5; fi
  fi
}

for file in "$work"/files/*; do
  name=$(basename "$file")
  for command in "list" "dump" "dump --json" "export" "export --csv"; do
    # shellcheck disable=SC2086  # the command's words are meant to split
    { linux_cli $command "$file" >"$work/a.out" 2>/dev/null; echo $? >"$work/a.status"; } || true
    # shellcheck disable=SC2086
    { windows_cli $command "$file" >"$work/b.out" 2>"$work/b.err"; echo $? >"$work/b.status"; } || true
    check "$command $name"
  done
  for kind in json csv; do
    flag=""
    [ "$kind" = csv ] && flag="--csv"
    linux_cli export $flag "$file" -o "$work/maps.$kind" 2>/dev/null || continue
    cp "$file" "$work/a.res"
    cp "$file" "$work/b.res"
    { linux_cli import "$work/a.res" "$work/maps.$kind" >/dev/null 2>&1; echo $? >"$work/a.status"; } || true
    { windows_cli import "$work/b.res" "$work/maps.$kind" >/dev/null 2>"$work/b.err"; echo $? >"$work/b.status"; } || true
    cp "$work/a.res" "$work/a.out"
    cp "$work/b.res" "$work/b.out"
    check "import $kind $name"
  done
done
rm -rf "$work/linux" "$work/windows"
echo "compare-windows: $(ls "$work/files" | wc -l) files"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Opens the Windows editor from an unpacked zip in a real window under Wine, on
# Xvfb with a window manager, as a Windows user would: a copy of the sample in
# a folder with a Chinese name, Down twice (the second map), Alt+Down (moved
# below the third), Ctrl+S, Enter on "修改成功！". Then the file must hold
# exactly the bytes the Linux tessaly-cli writes for the same move, and a
# backup of the original must lie beside tessaly.exe. The screenshots stay in
# build/mingw/window-check for a person to look at.
#
#   scripts/window-windows.sh UNPACKED-ZIP-FOLDER
#
# Called by scripts/test-windows.sh, with Wine's prefix and server prepared.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
app=$(cd "${1:?usage: scripts/window-windows.sh UNPACKED-ZIP-FOLDER}" && pwd)
work="$root/build/mingw/window-check"
rm -rf "$work"
mkdir -p "$work/流星蝴蝶剑 存档"
file="$work/流星蝴蝶剑 存档/Meteor.res"
cp examples/Meteor.res "$file"
rm -f "$app"/\[*备份\]Meteor.res

fail() {
  echo "window-windows: $*" >&2
  exit 1
}

# A display of its own, and a window manager, which gives the window the
# focus as a desktop does (without one Wine's window never becomes active).
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 || true
  [ -n "${editor:-}" ] && kill "$editor" 2>/dev/null
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
wm=$!

shot() { xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$work/$1.png"; }
# Waits until $2 (default 1) visible top-level windows have the title $1 and
# prints the id of the newest.
wait_window() {
  for _ in $(seq 300); do
    ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) || true
    if [ "$(printf '%s' "$ids" | grep -c .)" -ge "${2:-1}" ]; then
      printf '%s\n' "$ids" | tail -n 1
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Windows' own graphics driver for this run only; the tests run without one.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null
(cd "$app" && exec wine ./tessaly.exe "$(winepath -w "$file")") >"$work/editor.log" 2>&1 &
editor=$!

window=$(wait_window Tessaly) || { shot no-window; fail "no Tessaly window within 60 s"; }
sleep 1
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --delay 150 Down Down alt+Down
sleep 1
shot moved
xdotool key ctrl+s
box=$(wait_window Tessaly 2) || { shot no-message; fail "no message box after Ctrl+S"; }
# Wine on Xvfb leaves a new top-level window black until it is moved clear of
# the window below it: for the picture it goes below the main window.
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowmove "$box" "$X" $((Y + HEIGHT + 40))
sleep 1
shot saved
xdotool key Return
sleep 1
xdotool key alt+F4
for _ in $(seq 100); do kill -0 "$editor" 2>/dev/null || break; sleep 0.2; done
kill -0 "$editor" 2>/dev/null && fail "the editor did not close on Alt+F4"
editor=

# The same move through the Linux tessaly-cli: maps 2 and 3 swap places.
linux_cli=build/default/bin/tessaly-cli
[ -f build/default/CMakeCache.txt ] || cmake --preset default >/dev/null
cmake --build --preset default --target tessaly-cli >/dev/null
cp examples/Meteor.res "$work/expected.res"
"$linux_cli" export --csv "$work/expected.res" -o "$work/maps.csv"
awk 'NR == 3 { second = $0; next } NR == 4 { print; print second; next } { print }' \
  "$work/maps.csv" >"$work/moved.csv"
"$linux_cli" import "$work/expected.res" "$work/moved.csv" >/dev/null
rm -f "$root"/build/default/bin/\[*备份\]expected.res

# Without a file the editor asks for one in Windows' own open dialog;
# cancelling it ends the program.
(cd "$app" && exec wine ./tessaly.exe) >>"$work/editor.log" 2>&1 &
editor=$!
dialog=$(wait_window "打开文件") || { shot no-dialog; fail "no open dialog without a file"; }
sleep 1
shot open-dialog
xdotool windowactivate --sync "$dialog" 2>/dev/null || xdotool windowfocus --sync "$dialog"
xdotool key Escape
for _ in $(seq 100); do kill -0 "$editor" 2>/dev/null || break; sleep 0.2; done
kill -0 "$editor" 2>/dev/null && fail "cancelling the open dialog did not end the editor"
editor=

cmp -s "$file" "$work/expected.res" || fail "the saved file differs from what tessaly-cli writes for the same move"
backups=("$app"/\[*备份\]Meteor.res)
[ -f "${backups[0]}" ] || fail "no backup beside tessaly.exe"
cmp -s "${backups[0]}" examples/Meteor.res || fail "the backup is not the file as it was"
echo "window-windows: saved as expected; backup ${backups[0]#"$root"/}; screenshots in ${work#"$root"/}"

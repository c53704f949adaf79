#!/usr/bin/env bash
# Installs, on Debian 12, every package that building, testing and running
# Tessaly needs. Quick when everything is already there.
#
#   scripts/setup.sh            the Linux build, the editor and its tests
#   scripts/setup.sh windows    also the MinGW-w64 cross build, Wine, and what
#                               the window check under Wine needs
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libicu-dev nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-qpa-plugins qt6-translations-l10n
  xvfb xauth fonts-noto-cjk
)
if [ "${1:-}" = windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 googletest dpkg-dev
    openbox xdotool x11-apps netpbm)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs, from Debian's packages, everything the game, its build and its tests need.
# Installs only what is missing, so a second run costs a few seconds.
set -euo pipefail
packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev
  freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libx11-dev libxi-dev libxext-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils console-data faketime libfaketime imagemagick
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

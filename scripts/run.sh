#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it in its window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DRT_TESTS=OFF >/dev/null
cmake --build build/release --target hallway
if [ -z "${DISPLAY:-}" ]; then
  echo "Hallway Breakout needs an X display: run it from a desktop session, or start one with 'Xvfb :1 & DISPLAY=:1 build/release/hallway'." >&2
  exit 1
fi
exec build/release/hallway "$@"

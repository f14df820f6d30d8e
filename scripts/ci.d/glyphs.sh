#!/usr/bin/env bash
# The committed VGA glyph tables must be exactly what their generator makes from the
# console-data fonts (tools/glyphs/make_vga_glyphs.py).
set -euo pipefail
cd "$(dirname "$0")/../.."
if python3 tools/glyphs/make_vga_glyphs.py | cmp -s - runtime/screen/vga_glyphs.cpp; then
  echo "vga_glyphs.cpp matches its generator"
else
  echo "runtime/screen/vga_glyphs.cpp differs from tools/glyphs/make_vga_glyphs.py output"
  exit 1
fi

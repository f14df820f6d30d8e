// The composer's pixel paths: palette pages are compared whole against a shadow copy
// (pixels and the used palette entries) and rebuilt whole when anything changed; 32-bit
// pages are copied as they are into every frame.
#include <cstring>
#include <vector>

#include "runtime/frame/display_internal.h"

namespace {
struct PaletteShadow {
  std::vector<uint8_t> pixels;
  uint32_t palette[256] = {};
  int slot = 0;  // the frame this path made last
};
PaletteShadow palette_shadow;
}  // namespace

void composer_shadows_reset() {
  composer_text_shadow_reset();
  palette_shadow = PaletteShadow{};
}

int compose_palette(PageView &page) {
  PaletteShadow &sh = palette_shadow;
  // 1. SCREEN 10 shows its pseudo-colours through the blink table, flipping every 512 ms.
  if (page.mode == 10) {
    int phase = (clock_ms() >> 9) & 1;
    for (int i = 0; i < 4; i++) {
      uint32_t v = page_palette_load(page.palette, i + 4);
      page_palette_store(page.palette, i, mono_blink_table[phase][v <= 8 ? v : 8]);
    }
  }
  // 2. Change test.
  const size_t n = static_cast<size_t>(page.size_x) * page.size_y;
  const int bits = page.pixel_bits >= 1 && page.pixel_bits <= 8 ? page.pixel_bits : 8;
  const int used = 1 << bits;
  if (n == sh.pixels.size()) {
    if (prev_frame_valid.load() != 0 && ring_newest_slot() == sh.slot &&
        page_bytes_equal(page.pixels, sh.pixels.data(), n) &&
        page_bytes_equal(page.palette, sh.palette, used * sizeof(uint32_t)))
      return 0;
  } else {
    sh.pixels.assign(n, 0);
  }
  // 3. A new frame from the shadows.
  int s = ring_take_slot(page.size_x, page.size_y);
  if (s == 0) return 0;
  page_bytes_copy(sh.pixels.data(), page.pixels, n);
  page_bytes_copy(sh.palette, page.palette, used * sizeof(uint32_t));
  uint32_t *frame = frame_ring.slot[s].pixels.load();
  const uint8_t *src = sh.pixels.data();
  const uint8_t mask = static_cast<uint8_t>(used - 1);
  for (size_t i = 0; i < n; i++) frame[i] = sh.palette[src[i] & mask];
  sh.slot = s;
  return s;
}

int compose_32(const PageView &page) {
  int s = ring_take_slot(page.size_x, page.size_y);
  if (s == 0) return 0;
  page_bytes_copy(frame_ring.slot[s].pixels.load(), page.pixels,
                  static_cast<size_t>(page.size_x) * page.size_y * 4);
  return s;
}

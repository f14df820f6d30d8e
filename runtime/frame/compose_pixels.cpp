// The composer's pixel paths: palette pages are compared whole against a shadow copy
// (pixels and the used palette entries) and rebuilt when anything changed, rows that did
// not change copied from the path's last frame when the palette stayed the same; 32-bit
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
  // The newest frame is this path's own picture of the shadows: rows that did not change
  // can be copied from it instead of being looked up pixel by pixel again.
  const uint32_t *last = nullptr;
  if (n == sh.pixels.size()) {
    const bool own_last = prev_frame_valid.load() != 0 && ring_newest_slot() == sh.slot;
    const bool same_palette = page_bytes_equal(page.palette, sh.palette, used * sizeof(uint32_t));
    if (own_last && same_palette) {
      if (page_bytes_equal(page.pixels, sh.pixels.data(), n)) return 0;
      const FrameSlot &previous = frame_ring.slot[sh.slot];
      if (previous.width.load() == page.size_x && previous.height.load() == page.size_y)
        last = previous.pixels.load();
    }
  } else {
    sh.pixels.assign(n, 0);
  }
  // 3. A new frame from the shadows. The four newest frames are never recycled, so the
  // last frame stays in place while the new one is written.
  int s = ring_take_slot(page.size_x, page.size_y);
  if (s == 0) return 0;
  uint32_t *frame = frame_ring.slot[s].pixels.load();
  const uint8_t mask = static_cast<uint8_t>(used - 1);
  if (last != nullptr && last != frame) {
    const size_t w = static_cast<size_t>(page.size_x);
    for (size_t row = 0; row < static_cast<size_t>(page.size_y); row++) {
      const size_t at = row * w;
      uint8_t *shadow_row = sh.pixels.data() + at;
      if (page_bytes_equal(page.pixels + at, shadow_row, w)) {
        std::memcpy(frame + at, last + at, w * sizeof(uint32_t));
        continue;
      }
      page_bytes_copy(shadow_row, page.pixels + at, w);
      for (size_t i = 0; i < w; i++) frame[at + i] = sh.palette[shadow_row[i] & mask];
    }
  } else {
    page_bytes_copy(sh.pixels.data(), page.pixels, n);
    page_bytes_copy(sh.palette, page.palette, used * sizeof(uint32_t));
    const uint8_t *src = sh.pixels.data();
    for (size_t i = 0; i < n; i++) frame[i] = sh.palette[src[i] & mask];
  }
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

// The composer's text path: cells drawn through the built-in fonts and the page palette,
// incrementally against a shadow copy of the last composed cells, with character blink
// and the blinking cursor (both flip every 8 composition passes).
#include <cstring>
#include <vector>

#include "runtime/frame/display_internal.h"
#include "runtime/screen/screen.h"

namespace {

struct TextShadow {
  std::vector<uint8_t> cells;      // copy of the last composed cell buffer
  uint32_t palette[256] = {};      // its first 256 palette entries
  int blink_phase = 0, cursor_phase = 0;
  int cursor_col = -1, cursor_row = -1;
  uint8_t cursor_visible = 0, cursor_start = 0, cursor_stop = 0;
  int32_t frame_width = 0, frame_height = 0;
  int slot = 0;  // the frame this path made last
};
TextShadow text_shadow;
std::vector<uint8_t> page_cells;  // this pass's snapshot of the page's cells

// Row r (0..h-1) of glyph c in font f, as 8 bytes (0 or FFh), or null for no glyph table.
const uint8_t *glyph_row(int32_t font, int c, int r, int h) {
  switch (font) {
    case 8: case 9: return &glyphs_8x8[c * 64 + r * 8];
    case 14: case 15: return &glyphs_8x16[c * 128 + (r + 1) * 8];
    case 16: case 17: return &glyphs_8x16[c * 128 + r * 8];
    default:
      // Loaded fonts have no cell renderer: show the 8x16 glyph stretched over the cell
      // so the page stays readable.
      return &glyphs_8x16[c * 128 + (r * 16 / h) * 8];
  }
}

void draw_cell(uint32_t *frame, int32_t frame_w, const PageView &page, int col, int row,
               uint8_t c, uint8_t a, int blink_phase, bool cursor_here) {
  const int32_t w = page.font_w, h = page.font_h;
  int fg = a & 0x0F, bg = (a >> 4) & 7;
  uint32_t cursor_colour = text_shadow.palette[fg];
  if ((a & 0x80) && blink_phase == 1) fg = bg;
  const uint32_t fore = text_shadow.palette[fg], back = text_shadow.palette[bg];
  const bool wide = page.font_id == 9 || page.font_id == 15 || page.font_id == 17;
  uint32_t *origin = frame + static_cast<size_t>(row) * h * frame_w + col * w;
  for (int y = 0; y < h; y++) {
    const uint8_t *bits = glyph_row(page.font_id, c, y, h);
    uint32_t *out = origin + static_cast<size_t>(y) * frame_w;
    for (int x = 0; x < w; x++) {
      int gx = wide ? x >> 1 : (w == 8 ? x : x * 8 / w);
      out[x] = bits[gx] ? fore : back;
    }
  }
  if (!cursor_here) return;
  int first, last;
  if (!cursor_shape_rows(page.cursor_start, page.cursor_stop, h, &first, &last)) return;
  for (int y = first; y <= last; y++) {
    uint32_t *out = origin + static_cast<size_t>(y) * frame_w;
    for (int x = 0; x < w; x++) out[x] = cursor_colour;
  }
}

}  // namespace

void composer_text_shadow_reset() {
  text_shadow = TextShadow{};
}

bool cursor_shape_rows(int s, int e, int h, int *first, int *last) {
  auto top_down = [&](int r, int n) {
    if (r >= h || n < 1) return false;
    *first = r;
    *last = r + n - 1 < h - 1 ? r + n - 1 : h - 1;
    return true;
  };
  auto bottom_up = [&](int n) {
    int base = h - 1 == 15 ? 14 : h - 1;
    *last = base;
    *first = base - n + 1 < 0 ? 0 : base - n + 1;
    return true;
  };
  if (h < 1) return false;
  if (e == 0) return s == 0 ? top_down(0, 1) : false;
  if (e < s) return top_down(e, h - e);
  if (e == s) return s <= 3 ? top_down(s, 1) : bottom_up(1);
  if (s <= 1) return e <= 3 ? top_down(s, e - s + 1) : top_down(s, h - s);
  if (s == 2) {
    if (e == 3) return top_down(2, 2);
    if (e == 4) return bottom_up(3);
    return top_down(2, h - 2);
  }
  if (e == s + 1) return bottom_up(2);
  if (e == s + 2) return bottom_up(3);
  *last = h - 1;
  *first = h - h / 2;
  return h / 2 > 0;
}

int compose_text(const PageView &page) {
  TextShadow &sh = text_shadow;
  const int32_t cols = page.size_x, rows = page.size_y;
  const size_t cell_bytes = static_cast<size_t>(cols) * rows * 2;
  const int32_t frame_w = cols * page.font_w, frame_h = rows * page.font_h;

  // 1. Incremental redraw needs the previous frame of this page, made by this path, at
  // the same size (another image shown without a page replacement must not be patched).
  bool incremental = prev_frame_valid.load() != 0;
  int newest = ring_newest_slot();
  if (newest == 0 || newest != sh.slot || frame_ring.slot[newest].pixels.load() == nullptr ||
      frame_ring.slot[newest].width.load() != frame_w ||
      frame_ring.slot[newest].height.load() != frame_h || sh.frame_width != frame_w ||
      sh.frame_height != frame_h)
    incremental = false;
  if (sh.cells.size() != cell_bytes) {
    sh.cells.assign(cell_bytes, 0);
    incremental = false;
  }
  page_cells.resize(cell_bytes);
  page_bytes_copy(page_cells.data(), page.pixels, cell_bytes);

  // 2. Palette.
  uint32_t palette[256];
  page_bytes_copy(palette, page.palette, sizeof palette);
  if (!incremental || std::memcmp(palette, sh.palette, sizeof palette) != 0) {
    std::memcpy(sh.palette, palette, sizeof palette);
    incremental = false;
  }

  // 3-6. Change test.
  bool changed = !incremental ||
                 std::memcmp(page_cells.data(), sh.cells.data(), cell_bytes) != 0;
  const int phase = (rt_control.frame_counter.load() >> 3) & 1;
  int cursor_col = page.cur_col - 1, cursor_row = page.cur_row - 1;
  if (page.wrap_pending == 2 && cursor_row < rows - 1) {
    cursor_col = 0;
    cursor_row++;
  }
  const bool cursor_on_page =
      cursor_col >= 0 && cursor_col < cols && cursor_row >= 0 && cursor_row < rows;
  const bool blink_changed = phase != sh.blink_phase;
  // The cursor cell must be redrawn when its phase, place or shape changed.
  const bool cursor_look_changed = page.cursor_visible != sh.cursor_visible ||
                                   page.cursor_start != sh.cursor_start ||
                                   page.cursor_stop != sh.cursor_stop;
  const bool cursor_phase_changed = phase != sh.cursor_phase || cursor_look_changed;
  const bool cursor_moved = cursor_col != sh.cursor_col || cursor_row != sh.cursor_row;
  if (incremental && !changed) {
    // A phase flip matters only when something on the page blinks.
    bool any_blink = false;
    if (blink_changed)
      for (size_t i = 1; i < cell_bytes && !any_blink; i += 2) any_blink = page_cells[i] & 0x80;
    bool cursor_shown = page.cursor_visible || sh.cursor_visible;
    if (any_blink || (cursor_shown && (cursor_phase_changed || cursor_moved))) changed = true;
  }
  if (!changed) return 0;

  // 7. New slot, starting from the previous frame when redrawing incrementally.
  int s = ring_take_slot(frame_w, frame_h);
  if (s == 0) return 0;
  uint32_t *frame = frame_ring.slot[s].pixels.load();
  if (incremental)
    std::memcpy(frame, frame_ring.slot[newest].pixels.load(),
                static_cast<size_t>(frame_w) * frame_h * 4);

  // 8. Cells. A moved cursor is drawn in its new cell at once, not only at the next
  // phase flip, so typing never leaves the cursor missing for a quarter of a second.
  const bool cursor_drawn = page.cursor_visible && phase == 1;
  for (int row = 0; row < rows; row++) {
    for (int col = 0; col < cols; col++) {
      size_t i = (static_cast<size_t>(row) * cols + col) * 2;
      uint8_t c = page_cells[i], a = page_cells[i + 1];
      bool is_cursor = cursor_on_page && col == cursor_col && row == cursor_row;
      bool was_cursor = col == sh.cursor_col && row == sh.cursor_row;
      bool redraw = !incremental || c != sh.cells[i] || a != sh.cells[i + 1] ||
                    ((a & 0x80) && blink_changed) ||
                    (is_cursor && (cursor_phase_changed || cursor_moved)) ||
                    (was_cursor && cursor_moved);
      if (!redraw) continue;
      sh.cells[i] = c;
      sh.cells[i + 1] = a;
      draw_cell(frame, frame_w, page, col, row, c, a, phase, is_cursor && cursor_drawn);
    }
  }

  // 9. Remember what this frame shows.
  sh.blink_phase = phase;
  sh.cursor_phase = phase;
  sh.cursor_col = cursor_col;
  sh.cursor_row = cursor_row;
  sh.cursor_visible = page.cursor_visible;
  sh.cursor_start = page.cursor_start;
  sh.cursor_stop = page.cursor_stop;
  sh.frame_width = frame_w;
  sh.frame_height = frame_h;
  sh.slot = s;
  return s;
}

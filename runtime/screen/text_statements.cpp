// Text statements and functions: CLS, LOCATE, COLOR, VIEW PRINT, CSRLIN, POS, the
// screen-character function, control-character switching and the function-key line.
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/screen/screen.h"

// ---- CLS ---------------------------------------------------------------------------------

static void fill_text_rows(Image *d, int32_t first, int32_t last, uint8_t attr) {
  if (first < 1) first = 1;
  if (last > d->size_y) last = d->size_y;
  auto *cells = static_cast<uint8_t *>(d->pixels);
  for (int32_t row = first; row <= last; row++) {
    uint8_t *cell = cells + static_cast<size_t>(row - 1) * d->size_x * 2;
    for (int32_t i = 0; i < d->size_x; i++) {
      cell[i * 2] = 0x20;
      cell[i * 2 + 1] = attr;
    }
  }
}

static void key_line_redraw() {
  key_line_force = 1;
  key_line_draw();
}

void rt_cls(int32_t method, uint32_t colour, int32_t passed) {
  if (pending_error) return;
  Image *d = dest_image;
  if (!d) return;
  bool has_method = passed & 1, has_colour = passed & 2;
  if (has_colour && d->mode != 32 && colour > d->colour_mask) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  if (has_method && (method < 0 || method > 2)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  uint32_t c = has_colour ? colour : d->back_colour;
  d->cur_row = d->text_top;
  d->cur_col = 1;
  d->wrap_pending = 0;
  d->turtle_angle = 0;
  d->turtle_scale = 1.0;
  if (d->is_text) {
    auto attr = static_cast<uint8_t>(((c & 7) * 16) | ((d->fore_colour & 0x10) * 8) |
                                     (d->fore_colour & 0x0F));
    if (!has_method) {
      fill_text_rows(d, d->text_top, d->text_bottom, attr);
      fill_text_rows(d, d->size_y, d->size_y, attr);
      key_line_redraw();
    } else if (method == 0) {
      fill_text_rows(d, 1, d->size_y, attr);
      key_line_redraw();
    } else if (method == 2) {
      fill_text_rows(d, d->text_top, d->text_bottom, attr);
    }
    return;
  }
  if (has_method && method == 2) {
    int32_t fh = font_height[d->font_id];
    image_fill_plain(d, 0, (d->text_top - 1) * fh, d->size_x - 1, d->text_bottom * fh - 1, c);
    return;
  }
  if ((!has_method || method == 1) && d->coord_state != 0)
    image_fill_plain(d, d->clip_left, d->clip_top, d->clip_right, d->clip_bottom, c);
  else
    image_fill_plain(d, 0, 0, d->size_x - 1, d->size_y - 1, c);
  d->pen_x = static_cast<float>((d->clip_right - d->clip_left + 1) / 2);
  d->pen_y = static_cast<float>((d->clip_bottom - d->clip_top + 1) / 2);
  if (d->coord_state == 2) {
    d->pen_x = (d->pen_x - d->world_shift_x) / d->world_scale_x;
    d->pen_y = (d->pen_y - d->world_shift_y) / d->world_scale_y;
  }
  key_line_redraw();
}

// ---- LOCATE ------------------------------------------------------------------------------

constexpr uint32_t TEXT_MEMORY = 0xB8000;

void rt_locate(int32_t row, int32_t column, int32_t cursor, int32_t start, int32_t stop,
               int32_t passed) {
  if (pending_error) return;
  Image *d = dest_image;
  if (!d) return;
  bool has_row = passed & 1, has_col = passed & 2, has_cursor = passed & 4;
  bool has_start = passed & 8, has_stop = passed & 16;
  int32_t rows = image_rows(d);
  if (has_row) {
    if (row < d->text_top) {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return;
    }
    if (row != rows && row > d->text_bottom) {
      // The start-up screen grows to 80 x 50 for a program that locates beyond row 25.
      if (!text_autogrow) {
        rt_error(ERR_ILLEGAL_FUNCTION_CALL);
        return;
      }
      text_autogrow = 0;
      if (row > 50 || (has_col && (column < 1 || column > image_columns(d)))) {
        rt_error(ERR_ILLEGAL_FUNCTION_CALL);
        return;
      }
      uint8_t saved[4000];
      std::memcpy(saved, real_memory + TEXT_MEMORY, sizeof(saved));
      uint32_t fore = d->fore_colour, back = d->back_colour;
      screen_text_resize(80, 50);
      if (pending_error) return;
      std::memcpy(real_memory + TEXT_MEMORY, saved, sizeof(saved));
      d = dest_image;
      d->fore_colour = fore;
      d->back_colour = back;
    }
  }
  int32_t columns = image_columns(d);
  if ((has_col && (column < 1 || column > columns)) ||
      (has_cursor && cursor != 0 && cursor != 1) || (has_start && (start < 0 || start > 31)) ||
      (has_stop && (stop < 0 || stop > 31))) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  if (has_row) {
    d->cur_row = static_cast<int16_t>(row);
    d->wrap_pending = 0;
  }
  if (has_col) {
    d->cur_col = static_cast<int16_t>(column);
    d->wrap_pending = 0;
  }
  if (!has_row && !has_col && d->wrap_pending) d->wrap_pending = 2;
  bool is_page = d->owner_flags & IMAGE_IS_PAGE;
  if (has_cursor) {
    d->cursor_visible = cursor != 0;
    if (is_page)
      for (int32_t i = 0; i < page_count; i++)
        if (page_list[i]) image_table[page_list[i]].cursor_visible = d->cursor_visible;
  }
  if (has_start) d->cursor_start = static_cast<uint8_t>(start);
  if (has_stop) d->cursor_stop = static_cast<uint8_t>(stop);
  if ((has_start || has_stop) && is_page) {
    for (int32_t i = 0; i < page_count; i++) {
      if (!page_list[i]) continue;
      image_table[page_list[i]].cursor_start = d->cursor_start;
      image_table[page_list[i]].cursor_stop = d->cursor_stop;
    }
  }
}

// ---- COLOR -------------------------------------------------------------------------------

void rt_color(uint32_t fore, uint32_t back, uint32_t border, int32_t passed) {
  if (pending_error) return;
  Image *d = dest_image;
  if (!d || !(passed & 7)) return;
  bool has_f = passed & 1, has_b = passed & 2, has_border = passed & 4;
  uint32_t max_f = 0, max_b = 0;
  switch (d->mode) {
    case 32: max_f = max_b = 0xFFFFFFFFu; break;
    case 13: case 256: max_f = max_b = 255; break;
    case 12: max_f = max_b = 15; break;
    case 11: max_f = max_b = 1; break;
    case 10: max_f = 3; max_b = 8; break;
    case 9: max_f = 15; max_b = 63; break;
    case 7: case 8: max_f = max_b = 15; break;
    case 2: max_f = 1; max_b = 15; break;
    case 1: max_f = 15; max_b = 0xFFFFFFFFu; break;
    default: max_f = 31; max_b = 15; break;  // 0
  }
  if ((has_border && d->mode != 0) || (has_f && fore > max_f) || (has_b && back > max_b)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  uint32_t *palette = d->palette;
  switch (d->mode) {
    case 1:
      if (has_f && palette) palette[0] = vga_colours[fore];
      if (has_b && palette) {
        const int odd[3] = {3, 5, 7}, even[3] = {2, 4, 6};
        for (int i = 0; i < 3; i++) palette[1 + i] = vga_colours[(back & 1) ? odd[i] : even[i]];
      }
      return;
    case 2: case 7: case 8:
      if (has_f) d->fore_colour = fore;
      if (has_b && palette) palette[0] = vga_colours[back];
      return;
    case 9:
      if (has_f) d->fore_colour = fore;
      if (has_b && palette) palette[0] = ega_colours[back];
      return;
    case 10:
      if (has_f) d->fore_colour = fore;
      if (has_b && palette) palette[4] = back;
      return;
    case 0:
      if (has_f) d->fore_colour = fore;
      if (has_b) d->back_colour = back & 7;
      return;
    default:  // 11, 12, 13, 256, 32
      if (has_f) d->fore_colour = fore;
      if (has_b) d->back_colour = back;
      return;
  }
}

// ---- VIEW PRINT, CSRLIN, POS -------------------------------------------------------------

void rt_view_print(int32_t top, int32_t bottom, int32_t passed) {
  if (pending_error) return;
  Image *d = dest_image;
  if (!d) return;
  int32_t rows = image_rows(d);
  if (passed) {
    if (top < 1 || top > bottom || bottom > rows) {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return;
    }
  } else {
    top = 1;
    bottom = rows;
  }
  d->text_top = static_cast<int16_t>(top);
  d->text_bottom = static_cast<int16_t>(bottom);
  d->cur_row = static_cast<int16_t>(top);
  d->cur_col = 1;
  d->wrap_pending = 0;
}

int32_t rt_csrlin() {
  const Image *d = dest_image;
  if (!d) return 0;
  if (d->wrap_pending) return d->cur_row < d->text_bottom ? d->cur_row + 1 : d->text_bottom;
  return d->cur_row;
}

int32_t rt_pos() {
  const Image *d = dest_image;
  if (!d) return 0;
  return d->wrap_pending ? 1 : d->cur_col;
}

// ---- the screen-character function -------------------------------------------------------

int32_t rt_screen_read(int32_t row, int32_t column, int32_t colour_flag, int32_t passed) {
  if (pending_error) return 0;
  const Image *s = source_image;
  if (!s) return 0;
  bool want_colour = (passed & 1) && colour_flag != 0;
  if (s->is_text) {
    if (row < 1 || row > s->size_y || column < 1 || column > s->size_x) {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return 0;
    }
    const uint8_t *cell = static_cast<const uint8_t *>(s->pixels) +
                          (static_cast<size_t>(row - 1) * s->size_x + (column - 1)) * 2;
    return want_colour ? cell[1] : cell[0];
  }
  int32_t font = s->font_id;
  if (!font_is_builtin(font) || row < 1 || row > image_rows(s) || column < 1 ||
      column > image_columns(s)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0;
  }
  int32_t fh = font_height[font], fw = font_width[font], scale = fw / 8;
  int32_t x0 = (column - 1) * fw, y0 = (row - 1) * fh;
  // The cell's set/clear pattern, 8 bits per glyph row (wide fonts: left pixel of a pair).
  uint8_t pattern[16] = {};
  uint32_t colour = 0;
  bool any = false;
  for (int32_t y = 0; y < fh; y++) {
    for (int32_t x = 0; x < fw; x++) {
      uint32_t v = image_pixel_get(s, x0 + x, y0 + y);
      if (!v) continue;
      if (!any) colour = v;
      any = true;
      if (x % scale == 0) pattern[y] |= static_cast<uint8_t>(0x80 >> (x / scale));
    }
  }
  if (!any) return want_colour ? 1 : 32;
  for (uint32_t code = 0; code < 256; code++) {
    bool equal = true;
    for (int32_t y = 0; y < fh && equal; y++) {
      const uint8_t *bits = builtin_glyph_row(font, code, y);
      uint8_t packed = 0;
      for (int32_t x = 0; x < 8; x++)
        if (bits[x]) packed |= static_cast<uint8_t>(0x80 >> x);
      equal = packed == pattern[y];
    }
    if (equal) return want_colour ? static_cast<int32_t>(colour) : static_cast<int32_t>(code);
  }
  return want_colour ? 0 : 32;
}

void rt_control_chars(int32_t state) {
  if (pending_error) return;
  control_chars_off = state == 2;
}

// ---- the function-key line ---------------------------------------------------------------

// Paints one character at the cursor of the destination and advances, without wrapping.
static void key_line_put(uint32_t code) {
  screen_put_char(code);
  dest_image->cur_col++;
}

static uint32_t key_label_glyph(uint8_t c) {
  switch (c) {
    case 7: return 14;
    case 8: return 254;
    case 9: return 26;
    case 10: return 60;
    case 11: return 127;
    case 12: return 22;
    case 13: return 27;
    case 28: return 16;
    case 29: return 17;
    case 30: return 24;
    case 31: return 25;
    default: return c;
  }
}

void key_line_draw() {
  bool run = (key_line_force && key_line_on) || key_line_on != key_line_shown;
  key_line_force = 0;
  if (!run) return;
  key_line_shown = key_line_on;
  if (page_count < 1 || !page_list[0]) return;
  int32_t saved_dest = dest_index;
  dest_index = page_list[0];
  image_pointers_refresh();
  Image *d = dest_image;
  int16_t col = d->cur_col, row = d->cur_row;
  uint8_t wrap = d->wrap_pending;
  uint32_t fore = d->fore_colour, back = d->back_colour;
  int32_t rows = image_rows(d), columns = image_columns(d);
  painting_key_line = 1;

  d->cur_row = static_cast<int16_t>(rows);
  if (d->is_text) {
    d->cur_col = 1;
    for (int32_t i = 0; i < columns; i++) key_line_put(' ');
  } else {
    int32_t fh = font_height[d->font_id];
    uint32_t fill = d->mode == 32 ? (back | 0xFF000000u) : back;
    image_fill_plain(d, 0, (rows - 1) * fh, d->size_x - 1, rows * fh - 1, fill);
  }
  if (key_line_on && font_width[d->font_id] != 0) {
    int32_t zone = columns / 12, shown = zone * 12;
    if (zone <= 7) {
      zone = 8;
      shown = columns / 8 * 8;
    }
    if (columns < 8) zone = shown = columns;
    for (int32_t key = 1; key <= 12; key++) {
      int32_t start = (key - 1) * zone;
      if (start >= shown) break;
      int32_t end = start + zone < shown ? start + zone : shown;  // exclusive, 0-based
      d->cur_col = static_cast<int16_t>(start + 1);
      char digits[4];
      int n = key >= 10 ? 2 : 1;
      digits[0] = static_cast<char>(key >= 10 ? '1' : '0' + key);
      digits[1] = static_cast<char>('0' + key % 10);
      for (int i = 0; i < n && d->cur_col - 1 < end; i++) key_line_put(static_cast<uint8_t>(digits[i]));
      int32_t slot = key <= 10 ? key : key + 19;
      BasicString *label = soft_key_text ? soft_key_text(slot) : nullptr;
      if (!label) continue;
      if (d->is_text) {
        bool normal = d->fore_colour == 7 && d->back_colour == 0;
        d->fore_colour = normal ? 0 : 7;
        d->back_colour = normal ? 7 : 0;
      }
      for (int32_t i = 0; i < label->length && d->cur_col - 1 < end; i++)
        key_line_put(key_label_glyph(label->data[i]));
      while (d->cur_col - 1 < end) key_line_put(' ');
      d->fore_colour = fore;
      d->back_colour = back;
    }
  }
  painting_key_line = 0;
  d->cur_col = col;
  d->cur_row = row;
  d->wrap_pending = wrap;
  d->fore_colour = fore;
  d->back_colour = back;
  dest_index = saved_dest;
  image_pointers_refresh();
}

void rt_key_on() {
  if (pending_error) return;
  key_line_on = 1;
  key_line_draw();
}

void rt_key_off() {
  if (pending_error) return;
  key_line_on = 0;
  key_line_draw();
}

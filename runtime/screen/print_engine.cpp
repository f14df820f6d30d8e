// The PRINT engine: characters into cells or glyph pixels, the held-at-the-margin cursor,
// wrapping, scrolling inside the text window, control codes, the fit check, print zones,
// TAB and SPC.
#include <cstdio>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"

int32_t control_chars_off = 0;
int32_t painting_key_line = 0;
int32_t text_autogrow = 0;
int32_t key_line_on = 0, key_line_shown = 0, key_line_force = 0;
BasicString *(*soft_key_text)(int32_t slot) = nullptr;
int32_t (*loaded_font_advance)(int32_t font, uint32_t code) = nullptr;
void (*loaded_font_paint)(Image *image, int32_t font, uint32_t code, int32_t x,
                          int32_t y) = nullptr;
bool (*text_window_full)(Image *image) = nullptr;

// ---- characters --------------------------------------------------------------------------

static bool variable_width(const Image *d) {
  return !d->is_text && font_width[d->font_id] == 0;
}

int32_t char_advance(uint32_t code) {
  const Image *d = dest_image;
  int32_t w = font_width[d->font_id];
  if (w) return w;
  if (loaded_font_advance) return loaded_font_advance(d->font_id, code);
  return 8;
}

int32_t print_width(BasicString *text) {
  const Image *d = dest_image;
  if (!text || text->length <= 0) return 0;
  bool unicode = font_flags[d->font_id] & FONT_UNICODE;
  int32_t count = unicode ? text->length / 4 : text->length;
  int32_t w = font_width[d->font_id];
  if (w) return count * w;
  int32_t total = 0;
  for (int32_t i = 0; i < count; i++) {
    uint32_t code = unicode ? (text->data[i * 4] | (text->data[i * 4 + 1] << 8) |
                               (text->data[i * 4 + 2] << 16) |
                               (static_cast<uint32_t>(text->data[i * 4 + 3]) << 24))
                            : text->data[i];
    total += char_advance(code);
  }
  return total;
}

// Paints a built-in glyph (8 pixels wide, doubled for the wide fonts) at pixel (x, y).
static void paint_builtin_glyph(Image *d, uint32_t code, int32_t x, int32_t y) {
  int32_t font = d->font_id;
  int32_t height = font_height[font];
  int32_t scale = font_width[font] / 8;
  uint32_t fore = d->fore_colour, back = d->back_colour;
  uint8_t mode = d->text_paint_mode;
  bool paint_set = mode != 2, paint_clear = mode != 1;
  for (int32_t row = 0; row < height; row++) {
    int32_t py = y + row;
    if (py < 0 || py >= d->size_y) continue;
    const uint8_t *bits = builtin_glyph_row(font, code, row);
    if (d->pixel_bytes == 1 && paint_set && paint_clear && x >= 0 &&
        x + 8 * scale <= d->size_x) {
      // The common case: a palette image, both colours painted, glyph inside the image.
      uint8_t *out = static_cast<uint8_t *>(d->pixels) + static_cast<size_t>(py) * d->size_x + x;
      auto f = static_cast<uint8_t>(fore & d->colour_mask);
      auto b = static_cast<uint8_t>(back & d->colour_mask);
      if (scale == 1) {
        for (int32_t col = 0; col < 8; col++) out[col] = bits[col] ? f : b;
      } else {
        for (int32_t col = 0; col < 16; col++) out[col] = bits[col >> 1] ? f : b;
      }
      continue;
    }
    for (int32_t col = 0; col < 8 * scale; col++) {
      int32_t px = x + col;
      if (px < 0 || px >= d->size_x) continue;
      if (bits[col / scale]) {
        if (paint_set) image_pixel_put(d, px, py, fore);
      } else if (paint_clear) {
        image_pixel_put(d, px, py, back);
      }
    }
  }
}

void screen_put_char(uint32_t code) {
  Image *d = dest_image;
  if (!d) return;
  if (d->is_text) {
    if (d->cur_row < 1 || d->cur_row > d->size_y || d->cur_col < 1 || d->cur_col > d->size_x)
      return;
    uint8_t *cell = static_cast<uint8_t *>(d->pixels) +
                    (static_cast<size_t>(d->cur_row - 1) * d->size_x + (d->cur_col - 1)) * 2;
    cell[0] = static_cast<uint8_t>(code);
    cell[1] = text_attribute(d->fore_colour, d->back_colour);
    return;
  }
  int32_t font = d->font_id;
  int32_t w = font_width[font];
  int32_t x = w ? (d->cur_col - 1) * w : d->cur_col - 1;
  int32_t y = (d->cur_row - 1) * font_height[font];
  if (!(font_flags[font] & FONT_UNICODE)) code &= 0xFF;
  if (font_is_builtin(font)) paint_builtin_glyph(d, code, x, y);
  else if (loaded_font_paint) loaded_font_paint(d, font, code, x, y);
}

// ---- new line and scrolling --------------------------------------------------------------

static void scroll_window_up(Image *d) {
  int32_t top = d->text_top, bottom = d->text_bottom;
  if (d->is_text) {
    size_t row_bytes = static_cast<size_t>(d->size_x) * 2;
    auto *cells = static_cast<uint8_t *>(d->pixels);
    if (bottom > d->size_y) bottom = d->size_y;
    if (top < 1 || top > bottom) return;
    std::memmove(cells + (top - 1) * row_bytes, cells + top * row_bytes,
                 (bottom - top) * row_bytes);
    uint8_t attr = text_attribute(d->fore_colour, d->back_colour);
    uint8_t *last = cells + (bottom - 1) * row_bytes;
    for (int32_t i = 0; i < d->size_x; i++) {
      last[i * 2] = 0x20;
      last[i * 2 + 1] = attr;
    }
    return;
  }
  int32_t fh = font_height[d->font_id];
  int32_t first = (top - 1) * fh, end = bottom * fh;  // pixel rows [first, end)
  if (end > d->size_y) end = d->size_y;
  if (first < 0 || first >= end) return;
  size_t row_bytes = static_cast<size_t>(d->size_x) * d->pixel_bytes;
  auto *pixels = static_cast<uint8_t *>(d->pixels);
  if (end - first > fh)
    std::memmove(pixels + first * row_bytes, pixels + (first + fh) * row_bytes,
                 (end - first - fh) * row_bytes);
  int32_t fill_from = end - fh < first ? first : end - fh;
  image_fill_plain(d, 0, fill_from, d->size_x - 1, end - 1, d->back_colour);
}

void screen_newline() {
  Image *d = dest_image;
  if (!d) return;
  d->cur_row++;
  d->cur_col = 1;
  if (d->cur_row <= d->text_bottom) return;
  if (text_window_full && text_window_full(d)) return;
  scroll_window_up(d);
  d->cur_row = d->text_bottom;
}

// ---- PRINT -------------------------------------------------------------------------------

static int32_t last_column(const Image *d) {
  if (d->is_text) return d->size_x;
  int32_t w = font_width[d->font_id];
  return w ? d->size_x / w : d->size_x;
}

// One printable character at the cursor, then the wrap test. Returns true when the wrap
// test started a new line.
static bool print_one(Image *d, uint32_t code, bool last, bool newline) {
  int32_t w = d->is_text ? 1 : font_width[d->font_id];
  if (!d->is_text && w == 0) {
    int32_t advance = char_advance(code);
    // The character covers x = cur_col - 1 to x + advance - 1; it needs a new line only
    // when that passes the right edge (the same rule as the fit check).
    if (d->cur_col - 1 + advance > d->size_x) screen_newline();
    screen_put_char(code);
    d->cur_col = static_cast<int16_t>(d->cur_col + advance);
    w = 1;
  } else {
    screen_put_char(code);
    d->cur_col++;
  }
  if (d->is_text ? d->cur_col <= d->size_x : (d->cur_col - 1) * w <= d->size_x - w)
    return false;
  if (newline || !last) {
    screen_newline();
    return true;
  }
  d->cur_col = static_cast<int16_t>(last_column(d));
  d->wrap_pending = 1;
  return false;
}

// Tab (code 9). Returns true when it ended in a new line.
static bool print_tab(Image *d, bool last, bool newline) {
  if (variable_width(d)) {
    int32_t fh = font_height[d->font_id];
    int32_t x = d->cur_col - 1;
    int32_t stop = (x / 64 + 1) * 64;
    int32_t y = (d->cur_row - 1) * fh;
    if (stop < d->size_x) {
      image_fill_plain(d, x, y, stop - 1, y + fh - 1, d->back_colour);
      d->cur_col = static_cast<int16_t>(stop + 1);  // the next character starts at x = stop
      return false;
    }
    image_fill_plain(d, x, y, d->size_x - 1, y + fh - 1, d->back_colour);
    screen_newline();
    return true;
  }
  bool done = false;
  int32_t columns = last_column(d);
  for (;;) {
    int32_t column = d->cur_col;
    // A line shorter than eight columns has no stop: the tab runs to its end.
    bool final_space = column % 8 == 0 || (columns < 8 && column >= columns);
    done = print_one(d, ' ', last && final_space, newline);
    if (final_space) break;
    if (d->wrap_pending) break;
  }
  return done;
}

static void print_bytes(const uint8_t *data, int32_t length, int32_t newline) {
  Image *d = dest_image;
  if (!d) return;
  if (d->is_console) {
    int32_t n = 0;
    while (n < length && data[n]) n++;
    std::fwrite(data, 1, n, stdout);
    if (newline) {
      std::fputc('\n', stdout);
      std::fflush(stdout);
    }
    return;
  }
  if (d->wrap_pending) {
    if (length > 0) {
      d->wrap_pending = 0;
      screen_newline();
    } else if (newline) {
      d->wrap_pending = 0;
    }
  }
  bool unicode = font_flags[d->font_id] & FONT_UNICODE;
  bool newline_done = false;
  int32_t i = 0;
  while (i < length) {
    uint32_t code;
    if (unicode) {
      if (length - i < 4) break;
      code = data[i] | (data[i + 1] << 8) | (data[i + 2] << 16) |
             (static_cast<uint32_t>(data[i + 3]) << 24);
      i += 4;
    } else {
      code = data[i++];
    }
    bool last = unicode ? length - i < 4 : i >= length;
    newline_done = false;
    if (!control_chars_off && !painting_key_line) {
      switch (code) {
        case 7:
          platform_sleep_ms(250);
          continue;
        case 9:
          newline_done = print_tab(d, last, newline);
          continue;
        case 10:
        case 13:
          screen_newline();
          continue;
        case 11:
          d->cur_col = 1;
          d->cur_row = d->text_top;
          continue;
        case 12:
          rt_cls(0, 0, 0);
          continue;
        case 28: {
          int32_t lc = last_column(d);
          if (d->cur_row >= d->text_bottom && d->cur_col >= lc) continue;
          d->cur_col++;
          if (d->cur_col > lc) {
            d->cur_col = 1;
            d->cur_row++;
          }
          continue;
        }
        case 29:
          if ((d->cur_row != d->text_top && d->cur_row <= d->text_bottom) || d->cur_col != 1) {
            d->cur_col--;
            if (d->cur_col < 1) {
              d->cur_col = static_cast<int16_t>(last_column(d));
              d->cur_row--;
            }
          }
          continue;
        case 30:
          if (d->text_top < d->cur_row && d->cur_row <= d->text_bottom) d->cur_row--;
          continue;
        case 31:
          if (d->text_top <= d->cur_row && d->cur_row < d->text_bottom) d->cur_row++;
          continue;
        default:
          break;
      }
    }
    newline_done = print_one(d, code, last, newline);
  }
  if (newline && !newline_done) screen_newline();
}

void rt_print(BasicString *text, int32_t newline) {
  if (pending_error) return;
  if (!text) return;
  print_bytes(text->data, text->length, newline);
}

void rt_print_fit(BasicString *text) {
  if (pending_error || !text) return;
  Image *d = dest_image;
  if (!d || d->is_console || d->wrap_pending || d->cur_col == 1) return;
  if (d->is_text) {
    if (d->cur_col + text->length - 1 > d->size_x) screen_newline();
    return;
  }
  int32_t w = font_width[d->font_id];
  if ((d->cur_col - 1) * (w ? w : 1) + print_width(text) > d->size_x) screen_newline();
}

void print_next_zone() {
  if (pending_error) return;
  Image *d = dest_image;
  if (!d) return;
  if (d->is_console) {
    print_bytes(reinterpret_cast<const uint8_t *>(" "), 1, 0);
    return;
  }
  if (d->wrap_pending) {
    screen_newline();
    d->wrap_pending = 0;
    return;
  }
  if (!variable_width(d)) {
    int32_t columns = last_column(d);
    const uint8_t space = ' ';
    for (;;) {
      print_bytes(&space, 1, 0);
      int32_t c = d->cur_col;
      if (c == 1 || ((c - 1) % 14 == 0 && c <= columns - 13) || c >= columns) break;
    }
    return;
  }
  int32_t fh = font_height[d->font_id];
  int32_t x = d->cur_col - 1;
  int32_t zone = (x / 112 + 1) * 112;
  int32_t y = (d->cur_row - 1) * fh;
  if (zone >= d->size_x) {
    image_fill_plain(d, x, y, d->size_x - 1, y + fh - 1, d->back_colour);
    screen_newline();
  } else {
    image_fill_plain(d, x, y, zone - 1, y + fh - 1, d->back_colour);
    d->cur_col = static_cast<int16_t>(zone + 1);  // the next character starts at x = zone
  }
}

// ---- TAB and SPC -------------------------------------------------------------------------

static BasicString *blank_run(bool carriage_return, int32_t spaces) {
  if (spaces < 0) spaces = 0;
  int32_t length = spaces + (carriage_return ? 1 : 0);
  BasicString *s = bstr_new(static_cast<uint32_t>(length), 1);
  if (!s) return s;
  int32_t at = 0;
  if (carriage_return) s->data[at++] = 13;
  std::memset(s->data + at, ' ', spaces);
  return s;
}

// Line width in units and the unit in pixels (1 for cells and fixed-width columns).
static void line_units(const Image *d, int32_t *width, int32_t *unit) {
  *unit = 1;
  *width = last_column(d);
  if (variable_width(d)) {
    *width = d->size_x;
    *unit = char_advance(' ');
    if (*unit < 1) *unit = 1;
  }
  if (*width < 1) *width = 1;  // an image narrower than one character
}

BasicString *rt_tab(int32_t n) {
  if (pending_error) return bstr_new(0, 1);
  if (n < -32768 || n > 32767) {
    rt_error(ERR_OUT_OF_MEMORY);
    return bstr_new(0, 1);
  }
  const Image *d = dest_image;
  int32_t width, unit;
  line_units(d, &width, &unit);
  if (n > width) n %= width;
  if (n <= 0) n = 1;
  // A cursor held at the margin stands for the start of the next row (as POS reports).
  int32_t col = d->wrap_pending ? 1 : d->cur_col;
  if (n < col) return blank_run(true, (n + unit - 1) / unit - 1);
  return blank_run(false, (n - col + unit - 1) / unit);
}

BasicString *rt_spc(int32_t n) {
  if (pending_error) return bstr_new(0, 1);
  if (n < -32768 || n > 32767) {
    rt_error(ERR_OUT_OF_MEMORY);
    return bstr_new(0, 1);
  }
  const Image *d = dest_image;
  if (n < 0) n = 0;
  int32_t width, unit;
  line_units(d, &width, &unit);
  int32_t rest;
  int32_t col = d->wrap_pending ? 1 : d->cur_col;
  if (unit == 1 && !variable_width(d)) {
    rest = width - col + 1;
    n %= width;
  } else {
    rest = (d->size_x - col + 1) / unit;
    int32_t per_line = d->size_x / unit;
    n %= per_line > 0 ? per_line : 1;
  }
  if (n > rest) return blank_run(true, n - rest);
  return blank_run(false, n);
}

// Screen modes, the default palettes, the built-in font tables and the start-up steps of
// the screen layer.
#include <cstdlib>
#include <cstring>

#include "runtime/screen/screen.h"

// ---- screen modes ------------------------------------------------------------------------

static const ScreenModeInfo SCREEN_MODES[] = {
    // mode, width, height, bits, bytes, font, fore, back
    {0, 0, 0, 16, 2, 16, 7, 0},
    {1, 320, 200, 2, 1, 8, 3, 0},
    {2, 640, 200, 1, 1, 8, 1, 0},
    {7, 320, 200, 4, 1, 8, 15, 0},
    {8, 640, 200, 4, 1, 8, 15, 0},
    {9, 640, 350, 4, 1, 14, 15, 0},
    {10, 640, 350, 2, 1, 14, 3, 0},
    {11, 640, 480, 1, 1, 16, 1, 0},
    {12, 640, 480, 4, 1, 16, 15, 0},
    {13, 320, 200, 8, 1, 8, 15, 0},
    {256, 0, 0, 8, 1, 16, 15, 0},
    {32, 0, 0, 32, 4, 16, 0xFFFFFFFFu, 0xFF000000u},
};

const ScreenModeInfo *screen_mode_info(int32_t mode) {
  for (const ScreenModeInfo &info : SCREEN_MODES)
    if (info.mode == mode) return &info;
  return nullptr;
}

// ---- default palettes --------------------------------------------------------------------

// The VGA BIOS default 256-colour palette, 6-bit components widened to 8 bits.
struct VgaPalette {
  uint32_t entry[256];
};

static constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
  return (r << 16) | (g << 8) | b;
}

static constexpr VgaPalette make_vga_palette() {
  VgaPalette p{};
  const uint32_t text[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                             0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                             0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
  const uint32_t grey[16] = {0x00, 0x14, 0x20, 0x2D, 0x39, 0x45, 0x51, 0x61,
                             0x71, 0x82, 0x92, 0xA2, 0xB6, 0xCA, 0xE3, 0xFF};
  const uint32_t levels[9][5] = {
      {0x00, 0x41, 0x7D, 0xBE, 0xFF}, {0x7D, 0x9E, 0xBE, 0xDF, 0xFF},
      {0xB6, 0xC6, 0xDB, 0xEB, 0xFF}, {0x00, 0x1C, 0x39, 0x55, 0x71},
      {0x39, 0x45, 0x55, 0x61, 0x71}, {0x51, 0x59, 0x61, 0x69, 0x71},
      {0x00, 0x10, 0x20, 0x31, 0x41}, {0x20, 0x28, 0x31, 0x39, 0x41},
      {0x2D, 0x31, 0x35, 0x3D, 0x41}};
  // Level numbers (R, G, B) of the 24 hues of a run.
  const uint8_t hue[24][3] = {{0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3},
                              {4, 0, 2}, {4, 0, 1}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0},
                              {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, {0, 4, 0}, {0, 4, 1},
                              {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};
  for (int i = 0; i < 16; i++) p.entry[i] = text[i];
  for (int i = 0; i < 16; i++) p.entry[16 + i] = rgb(grey[i], grey[i], grey[i]);
  for (int run = 0; run < 9; run++)
    for (int k = 0; k < 24; k++)
      p.entry[32 + run * 24 + k] = rgb(levels[run][hue[k][0]], levels[run][hue[k][1]],
                                       levels[run][hue[k][2]]);
  for (int i = 248; i < 256; i++) p.entry[i] = 0;
  return p;
}

struct EgaPalette {
  uint32_t entry[64];
};

static constexpr EgaPalette make_ega_palette() {
  EgaPalette p{};
  for (uint32_t i = 0; i < 64; i++) {
    uint32_t r = ((i & 4) ? 0xAA : 0) + ((i & 32) ? 0x55 : 0);
    uint32_t g = ((i & 2) ? 0xAA : 0) + ((i & 16) ? 0x55 : 0);
    uint32_t b = ((i & 1) ? 0xAA : 0) + ((i & 8) ? 0x55 : 0);
    p.entry[i] = rgb(r, g, b);
  }
  return p;
}

static constexpr VgaPalette VGA_PALETTE = make_vga_palette();
static constexpr EgaPalette EGA_PALETTE = make_ega_palette();
const uint32_t (&VGA_COLOURS)[256] = VGA_PALETTE.entry;
const uint32_t (&EGA_COLOURS)[64] = EGA_PALETTE.entry;

uint32_t vga_colours[256];
uint32_t ega_colours[64];
uint8_t glyphs_8x8[256 * 64];
uint8_t glyphs_8x16[256 * 128];

// ---- fonts -------------------------------------------------------------------------------

int32_t *font_height = nullptr;
int32_t *font_width = nullptr;
int32_t *font_flags = nullptr;
void **font_face = nullptr;
int32_t last_font_id = 48;

bool font_is_builtin(int32_t font) {
  return font == 8 || font == 9 || font == 14 || font == 15 || font == 16 || font == 17;
}

const uint8_t *builtin_glyph_row(int32_t font, uint32_t code, int32_t row) {
  code &= 0xFF;
  switch (font) {
    case 8:
    case 9:
      return glyphs_8x8 + code * 64 + row * 8;
    case 14:
    case 15:  // rows 1 to 14 of the 8x16 glyph
      return glyphs_8x16 + code * 128 + (row + 1) * 8;
    case 16:
    case 17:
      return glyphs_8x16 + code * 128 + row * 8;
    default:
      return nullptr;
  }
}

static void font_tables_reset() {
  if (!font_height) {
    font_height = static_cast<int32_t *>(std::calloc(49, sizeof(int32_t)));
    font_width = static_cast<int32_t *>(std::calloc(49, sizeof(int32_t)));
    font_flags = static_cast<int32_t *>(std::calloc(49, sizeof(int32_t)));
    font_face = static_cast<void **>(std::calloc(49, sizeof(void *)));
    last_font_id = 48;
  }
  const int32_t builtin[6][3] = {{8, 8, 8}, {14, 14, 8}, {16, 16, 8},
                                 {9, 8, 16}, {15, 14, 16}, {17, 16, 16}};
  for (const auto &f : builtin) {
    font_height[f[0]] = f[1];
    font_width[f[0]] = f[2];
    font_flags[f[0]] = FONT_MONOSPACE;
  }
}

// ---- start-up ----------------------------------------------------------------------------

void screen_startup() {
  font_tables_reset();
  // A second start-up (test fixtures) releases whatever the first one built.
  for (int32_t i = 0; i < image_count; i++) {
    Image &image = image_table[i];
    if (!image.in_use) continue;
    if (image.owner_flags & IMAGE_OWNS_PIXELS) std::free(image.pixels);
    if (image.owner_flags & IMAGE_OWNS_PALETTE) std::free(image.palette);
  }
  std::free(image_table);
  std::free(image_free_list);
  std::free(page_list);
  image_table = nullptr;
  image_capacity = 0;
  image_count = 0;
  image_free_list = nullptr;
  image_free_capacity = 0;
  image_free_top = -1;
  dest_index = source_index = display_index = 0;
  image_pointers_refresh();
  image_slot_alloc();
  image_slot_alloc();
  image_table[0].in_use = 0;
  image_table[1].in_use = 0;
  page_list = static_cast<int32_t *>(std::calloc(1, sizeof(int32_t)));
  page_count = 1;
  active_page_no = 0;
  screen_is_user_image = 0;
  pending_cols = pending_rows = pending_font = -1;
  text_autogrow = 0;
  control_chars_off = 0;
  painting_key_line = 0;
  key_line_on = key_line_shown = key_line_force = 0;
}

void screen_load_builtin_data() {
  for (int i = 0; i < 256; i++) vga_colours[i] = VGA_COLOURS[i] | 0xFF000000u;
  for (int i = 0; i < 64; i++) ega_colours[i] = EGA_COLOURS[i] | 0xFF000000u;
  std::memcpy(glyphs_8x8, VGA_GLYPHS_8X8, sizeof(glyphs_8x8));
  std::memcpy(glyphs_8x16, VGA_GLYPHS_8X16, sizeof(glyphs_8x16));
}

void screen_enter_start_mode() {
  rt_screen(0, 0, 0, 0, 0, 1);
  text_autogrow = 1;
}

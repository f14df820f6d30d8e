// Screen and text output: the image table and screen pages, screen modes, palettes and
// built-in fonts, raw pixel access, the text cursor and the PRINT engine.
//
// Every picture the runtime shows or draws lives in an Image: a record of the global image
// table describing a rectangle of text cells or of pixels. Handles: a negative handle -n
// names table index n; a handle of 0 or more names a screen page (created on first use).
// Everything here runs on the program thread; the composer reads the display image
// without a lock and is paused (display_pause) while page buffers are replaced.
#pragma once
#include <atomic>
#include <cstdint>

#include "runtime/values/values.h"

// ---- the image record --------------------------------------------------------------------

constexpr uint32_t IMAGE_OWNS_PALETTE = 1;  // free palette with the image
constexpr uint32_t IMAGE_IS_PAGE = 2;       // the image is a screen page
constexpr uint32_t IMAGE_OWNS_PIXELS = 4;   // free pixels with the image

struct Image {
  void *lock_block;          // memory-block lock record for this image; null when none
  uint64_t lock_serial;      // serial of that lock; 0 when none
  uint8_t in_use;            // 1 while the slot holds an image
  uint8_t is_text;           // 1: text cells; 0: pixels
  uint8_t is_console;        // 1: PRINT writes to standard output
  uint16_t size_x;           // columns (text) or pixels
  uint16_t size_y;           // rows (text) or pixels
  uint8_t pixel_bytes;       // 1 palette index, 2 text cell, 4 32-bit colour
  uint8_t pixel_bits;        // 1, 2, 4, 8, 16 (text) or 32
  uint32_t colour_mask;      // (1 << pixel_bits) - 1; all ones for 32 bits
  uint16_t mode;             // 0, 1, 2, 7..13, 256 or 32
  uint32_t fore_colour;
  uint32_t back_colour;
  uint32_t draw_colour;      // colour last used by a graphics statement
  int32_t font_id;           // 8, 9, 14, 15, 16, 17 built in; 32+ loaded
  int16_t text_top;          // text window, 1-based rows
  int16_t text_bottom;
  int16_t cur_col;           // 1-based; pixel x + 1 in a variable-width font
  int16_t cur_row;           // 1-based
  uint8_t cursor_visible;
  uint8_t cursor_start;      // cursor shape scan lines, 0..31
  uint8_t cursor_stop;
  void *pixels;              // size_x * size_y elements, rows top to bottom
  uint32_t owner_flags;      // IMAGE_OWNS_PALETTE | IMAGE_IS_PAGE | IMAGE_OWNS_PIXELS
  uint32_t *palette;         // 256 x 0xAARRGGBB; null for mode 32
  int32_t clear_colour;      // transparent colour for image copies; -1 none
  uint8_t blend_off;         // 32-bit images: 1 = writes replace, 0 = writes blend
  uint8_t wrap_pending;      // 0 none; 1 held in the last column; 2 held, LOCATE since
  uint8_t text_paint_mode;   // 1 keep background, 2 only background, 3 fill background
  uint8_t page_state_mark;   // start of the page state block (holds no value)
  int32_t clip_left, clip_top, clip_right, clip_bottom;  // viewport, inclusive
  int32_t clip_origin_x, clip_origin_y;
  float pen_x, pen_y;
  uint8_t coord_state;       // 0 plain pixels, 1 VIEW set, 2 WINDOW set
  float world_scale_x, world_scale_y;
  float world_shift_x, world_shift_y;
  float world_x1, world_y1, world_x2, world_y2;
  double turtle_angle;       // DRAW TA, degrees
  double turtle_scale;       // DRAW S, 1.0 by default
  uint8_t page_state_end;    // end of the page state block (holds no value)
};

// ---- the image table ---------------------------------------------------------------------

constexpr int32_t IMAGE_TABLE_BLOCK = 4096;

extern Image *image_table;           // grows by IMAGE_TABLE_BLOCK records
extern int32_t image_capacity;       // records allocated
extern int32_t image_count;          // next never-used index
extern int32_t *image_free_list;     // stack of released indices
extern int32_t image_free_capacity;
extern int32_t image_free_top;       // -1 when empty

// The page list: page number -> table index (0 = not created yet).
extern int32_t *page_list;
extern int32_t page_count;

// Current images. The pointers are recomputed from the indices whenever the table grows.
extern int32_t dest_index, source_index, display_index;
extern Image *dest_image, *source_image, *display_image;
extern int32_t active_page_no;        // page SCREEN last made active
extern int32_t screen_is_user_image;  // page 0 is an image given to SCREEN by handle

// Pending WIDTH request for the text screen (-1 = none), consumed by SCREEN 0.
extern int32_t pending_cols, pending_rows, pending_font;

// Releases the memory-block lock of an image (installed by the memory-block layer); called
// by image_slot_free when lock_serial is non-zero.
extern void (*image_lock_free)(Image *image);
int32_t image_slot_alloc();                   // index (table grows; 502/503 when it cannot)
int32_t image_slot_free(int32_t index);       // 1, or 0 when not in use
void image_pointers_refresh();                // recompute dest/source/display pointers
// New record over a caller's buffer; 0 on failure.
int32_t image_make(void *buffer, int32_t width, int32_t height, int32_t mode);
// New record with its own buffer; 0 on failure.
int32_t image_create(int32_t width, int32_t height, int32_t mode);
void image_reset(int32_t index);
void image_set_font(int32_t font, int32_t index);
void image_default_palette(Image *image);
void image_release(int32_t index);            // frees owned buffers, then the slot
constexpr int32_t MAX_PAGE_NUMBER = 65535;     // higher page numbers raise error 5
int32_t page_ensure(int32_t page);            // table index of the page; 0 on failure
void color_reset();
// Handle -> table index; raises `error` (258, or 5 for PCOPY) and returns -1 when invalid.
int32_t resolve_image(int32_t handle, int32_t error = 258);
bool image_handle_valid(int32_t index);

// Text grid of an image: columns (size_x for variable-width fonts) and rows.
int32_t image_columns(const Image *image);
int32_t image_rows(const Image *image);
// Attribute byte for foreground f and background b.
uint8_t text_attribute(uint32_t fore, uint32_t back);

// ---- screen modes, palettes and fonts ----------------------------------------------------

struct ScreenModeInfo {
  int32_t mode;
  int32_t width, height;    // pixels; 0 for mode 0 and the image-only modes
  int32_t pixel_bits, pixel_bytes;
  int32_t font;             // default font
  uint32_t fore, back;      // default colours
};
// The mode's row of the screen-mode table, or null for an invalid mode.
const ScreenModeInfo *screen_mode_info(int32_t mode);

constexpr int32_t FONT_BOLD = 1, FONT_ITALIC = 2, FONT_UNDERLINE = 4, FONT_DONTBLEND = 8,
                  FONT_MONOSPACE = 16, FONT_UNICODE = 32;
extern int32_t *font_height;   // indexed by font id, 0..last_font_id
extern int32_t *font_width;    // 0 = variable width
extern int32_t *font_flags;
extern void **font_face;       // loaded font objects for ids 32 and up
extern int32_t last_font_id;   // highest valid index (48 at start)

extern uint32_t vga_colours[256];   // writable copies, alpha FFh
extern uint32_t ega_colours[64];
extern uint8_t glyphs_8x8[256 * 64];     // one byte per pixel: 0 or FFh
extern uint8_t glyphs_8x16[256 * 128];
// The constant sources (vga_glyphs.cpp, vga_palettes.cpp).
extern const uint8_t VGA_GLYPHS_8X8[256 * 64];   // one byte per pixel, as the tables
extern const uint8_t VGA_GLYPHS_8X16[256 * 128];
extern const uint32_t (&VGA_COLOURS)[256];  // RRGGBB, alpha byte 0
extern const uint32_t (&EGA_COLOURS)[64];
// The 8 pixel bytes of one glyph row of a built-in font (8, 14, 16; the wide fonts 9, 15
// and 17 give the rows of 8, 14 and 16); null for any other font.
const uint8_t *builtin_glyph_row(int32_t font, uint32_t code, int32_t row);
bool font_is_builtin(int32_t font);

// ---- raw pixel access --------------------------------------------------------------------

extern uint8_t *blend_mix;     // [a][s][d], 16 MB, built before the first 32-bit image
extern uint8_t *alpha_over;    // [a][b]
void blend_tables_build();
// Pixel writes of the destination image with the blending rule; no clipping.
void pixel_put_raw(int32_t x, int32_t y, uint32_t colour);
// Pixel read of the source image: byte AND colour_mask, or the 32-bit value.
uint32_t pixel_get(int32_t x, int32_t y);
// The same on a given image.
void image_pixel_put(Image *image, int32_t x, int32_t y, uint32_t colour);
uint32_t image_pixel_get(const Image *image, int32_t x, int32_t y);
// Inclusive rectangle of the destination, blending rule applied.
void rect_fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
// Inclusive rectangle of an image, stored without blending (CLS, scrolling).
void image_fill_plain(Image *image, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      uint32_t colour);

// ---- graphics pixels, colours and coordinates --------------------------------------------
// Graphics statements work on pixel images (error 5 on text images). Coordinates arrive as
// 32-bit floats and reach a pixel through the image's coord_state: 0 plain pixels, 1 the
// VIEW origin added, 2 WINDOW world coordinates scaled and shifted, then the origin added.
// The pen always holds the last point in the statement's own coordinates.

// Nearest integer (ties to even) of a coordinate; values beyond +-2^30 and NaN are held at
// +-2^30, far outside any image.
int32_t coord_round(float v);
// The pixel of (x, y) on an image, and the same unrounded (for figures that round their own
// way). coord_unmap goes back from a pixel position to the statement's coordinates.
void coord_map(const Image *image, float x, float y, int32_t *px, int32_t *py);
void coord_map_exact(const Image *image, float x, float y, float *px, float *py);
void coord_unmap(const Image *image, float px, float py, float *x, float *y);
// True when the pixel lies inside the image's viewport.
bool image_in_view(const Image *image, int32_t px, int32_t py);
// False (with error 5) for a missing or text image.
bool graphics_image_check(const Image *image);
// Destination pixel write that skips pixels outside the viewport.
void pixel_put(int32_t x, int32_t y, uint32_t colour);
// Maps the corners, orders them, clips to the viewport and fills (nothing when outside).
void box_fill_mapped(float x1, float y1, float x2, float y2, uint32_t colour);

// VIEW: passed 1 corners, 2 SCREEN keyword, 4 fill colour, 8 border colour.
void rt_view(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill, uint32_t border,
             int32_t passed);
// WINDOW: passed 1 corners, 2 SCREEN keyword.
void rt_window(float x1, float y1, float x2, float y2, int32_t passed);
float rt_pmap(float value, int32_t kind);
// PSET / PRESET: passed 1 STEP, 2 colour.
void rt_pset(float x, float y, uint32_t colour, int32_t passed);
void rt_preset(float x, float y, uint32_t colour, int32_t passed);
// POINT(x, y) of the source (passed non-zero; -1 outside its viewport, 32-bit values
// unsigned) or POINT(n) of the destination's pen (passed 0, n in x).
double rt_point(float x, float y, int32_t passed);

// Colour values for an image (passed 1 = handle given; else the destination).
uint32_t rt_rgb(int32_t r, int32_t g, int32_t b, int32_t handle, int32_t passed);
uint32_t rt_rgba(int32_t r, int32_t g, int32_t b, int32_t a, int32_t handle, int32_t passed);
// The 32-bit forms, independent of any image.
uint32_t rt_rgb32(int32_t r, int32_t g, int32_t b);
uint32_t rt_rgba32(int32_t r, int32_t g, int32_t b, int32_t a);
int32_t palette_nearest(int32_t r, int32_t g, int32_t b, const Image *image);
// Components of a colour of an image (passed 1 = handle given).
int32_t rt_alpha(uint32_t colour, int32_t handle, int32_t passed);
int32_t rt_red(uint32_t colour, int32_t handle, int32_t passed);
int32_t rt_green(uint32_t colour, int32_t handle, int32_t passed);
int32_t rt_blue(uint32_t colour, int32_t handle, int32_t passed);
int32_t rt_alpha32(uint32_t colour);
int32_t rt_red32(uint32_t colour);
int32_t rt_green32(uint32_t colour);
int32_t rt_blue32(uint32_t colour);
// Blending switches of 32-bit images (passed 1 = handle given).
void rt_blend(int32_t handle, int32_t passed);
void rt_dont_blend(int32_t handle, int32_t passed);
int32_t rt_blending(int32_t handle, int32_t passed);
// Transparent colour: passed 1 NONE, 2 colour, 4 handle.
void rt_set_clear_color(uint32_t colour, int32_t handle, int32_t passed);
int32_t rt_clear_color(int32_t handle, int32_t passed);
// Alpha of pixels of a 32-bit image: passed 1 colour 1, 2 handle, 4 colour 2.
void rt_set_alpha(int32_t alpha, uint32_t colour1, uint32_t colour2, int32_t handle,
                  int32_t passed);

// ---- display pause -----------------------------------------------------------------------

// Requests the pause and waits for the composer's grant; returns 1 when it paused. The
// handshake is taken only while the main-loop thread runs (mainloop_running) and composes
// automatically (autodisplay not 0); the wait ends early when shutdown begins or the
// composer acknowledges a switch to manual display.
int32_t display_pause_begin();
void display_pause_end(int32_t paused);

// ---- statements: SCREEN and PCOPY --------------------------------------------------------

void rt_screen(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
               int32_t refresh, int32_t passed);
void rt_pcopy(int32_t source, int32_t destination);
// Rebuilds the text screen as columns x rows (the text part of WIDTH).
void screen_text_resize(int32_t columns, int32_t rows);

// Start-up hooks.
void screen_startup();            // font metrics, image table, reserved indices 0 and 1
void screen_load_builtin_data();  // palettes and glyph tables
void screen_enter_start_mode();   // SCREEN 0, text_autogrow

// ---- the PRINT engine --------------------------------------------------------------------

extern int32_t control_chars_off;
extern int32_t painting_key_line;
extern int32_t text_autogrow;
extern int32_t key_line_on, key_line_shown, key_line_force;
// Soft-key text of ON KEY slot n (1..10, 30, 31) for the function-key line; installed by
// the keyboard layer; null or a null result means no label.
extern BasicString *(*soft_key_text)(int32_t slot);
// Loaded fonts (ids 32 and up): advance width and glyph painter, installed by the font
// engine. Null: loaded fonts advance by 8 pixels and paint nothing.
extern int32_t (*loaded_font_advance)(int32_t font, uint32_t code);
extern void (*loaded_font_paint)(Image *image, int32_t font, uint32_t code, int32_t x,
                                 int32_t y);

// Called by the new-line step when the cursor runs past the bottom of the text window;
// returns true when it dealt with the page itself (the printer page of LPRINT hands the
// page over and clears it), false to scroll as usual. Installed by the printing layer.
extern bool (*text_window_full)(Image *image);

void rt_print(BasicString *text, int32_t newline);
void rt_print_fit(BasicString *text);
void print_next_zone();
BasicString *rt_tab(int32_t n);
BasicString *rt_spc(int32_t n);
void screen_newline();
void screen_put_char(uint32_t code);
int32_t char_advance(uint32_t code);
// Pixel width of a string in the destination's font.
int32_t print_width(BasicString *text);
void rt_cls(int32_t method, uint32_t colour, int32_t passed);
void rt_locate(int32_t row, int32_t column, int32_t cursor, int32_t start, int32_t stop,
               int32_t passed);
void rt_color(uint32_t fore, uint32_t back, uint32_t border, int32_t passed);
void rt_view_print(int32_t top, int32_t bottom, int32_t passed);
int32_t rt_csrlin();
int32_t rt_pos();
int32_t rt_screen_read(int32_t row, int32_t column, int32_t colour_flag, int32_t passed);
void rt_control_chars(int32_t state);
void key_line_draw();
void rt_key_on();
void rt_key_off();

// ---- looking at images -------------------------------------------------------------------

// Renders an image (text cells through its font and palette, palette pixels through its
// palette) into 0xAARRGGBB pixels as the display shows it; blink shows the "on" phase.
// Returns false for an invalid index.
bool image_render_rgb(int32_t index, uint32_t **out, int32_t *width, int32_t *height);
// Writes the rendered image to a PNG file; false on failure.
bool image_write_png(int32_t index, const char *path);

// Internals shared by the display pipeline's files (composer, ring, presenter, window).
// Other folders use frame.h only.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/frame/frame.h"

// ---- reading the display image --------------------------------------------------------
// The composer reads the display page without a lock while the program thread draws into
// it; every such read goes through page_read.cpp, which takes a consistent-enough snapshot
// of the header and copies or compares buffers in one place.
struct PageView {
  bool is_text = false;
  int32_t size_x = 0, size_y = 0;  // columns and rows, or pixels
  uint8_t pixel_bytes = 0, pixel_bits = 0;
  uint16_t mode = 0;
  int32_t font_id = 16;
  int32_t font_w = 8, font_h = 16;  // cell size in pixels for text pages
  int32_t cur_col = 1, cur_row = 1;
  uint8_t wrap_pending = 0;
  uint8_t cursor_visible = 0, cursor_start = 4, cursor_stop = 4;
  const uint8_t *pixels = nullptr;
  uint32_t *palette = nullptr;
};
// Snapshot of the display image; false when there is none or it has no buffer.
bool page_view_read(PageView *view);
bool page_bytes_equal(const void *page, const void *shadow, size_t n);
void page_bytes_copy(void *shadow, const void *page, size_t n);
// Writes palette entry i of the page (the SCREEN 10 blink colours).
void page_palette_store(uint32_t *palette, int i, uint32_t value);
uint32_t page_palette_load(const uint32_t *palette, int i);

// ---- the ring ---------------------------------------------------------------------------
inline int ring_next(int s) { return s >= FRAME_RING_SLOTS ? 1 : s + 1; }
inline int ring_prev(int s) { return s <= 1 ? FRAME_RING_SLOTS : s - 1; }
// Frees displayed frames that are not among the four newest.
void ring_maintain();
bool ring_full();
// A new slot for a width x height frame, its buffer ready (recycled or allocated);
// 0 when no buffer can be had. Ends the process with 9090 when the slot is not empty.
int ring_take_slot(int32_t width, int32_t height);
// Makes slot s the newest frame (publishes it to the presenter).
void ring_publish(int s);
// The newest frame's slot, or 0.
int ring_newest_slot();
void ring_clear();
constexpr int RING_CORRUPT_EXIT_CODE = 9090;

// ---- composer paths (return the new slot, or 0 when no frame was needed) ----------------
int compose_text(const PageView &page);
int compose_palette(PageView &page);
int compose_32(const PageView &page);
void composer_shadows_reset();
void composer_text_shadow_reset();

// SCREEN 10: [phase][pseudo-colour] -> 0x00RRGGBB.
extern uint32_t mono_blink_table[2][9];

// Cursor rows for start s, stop e and cell height h: the rows first..last (inclusive) are
// drawn; false when no row is drawn.
bool cursor_shape_rows(int s, int e, int h, int *first, int *last);

// ---- window state (presenter and window statements) -------------------------------------
struct WindowState {
  // window thread only
  int32_t window_width = 640, window_height = 400;
  int32_t prev_window_width = 640, prev_window_height = 400;
  int32_t last_frame_width = 640, last_frame_height = 400;
  float kept_aspect = 1.6f;
  int32_t reshape_pending = 1;
  int32_t force_redraw = 0;
  int32_t fullscreen_width = 0, fullscreen_height = 0;
  int32_t saved_window = 0;  // the window to return to after full screen, and its size
  int32_t saved_width = 640, saved_height = 400;
  // shared with the program thread
  std::atomic<int32_t> resize_locked{1};
  std::atomic<int32_t> resize_stretch{0};
  std::atomic<int32_t> resize_seen{0};
  std::atomic<int32_t> resize_width{0}, resize_height{0};
  std::atomic<int32_t> fullscreen_request{-1};
  std::atomic<int32_t> fullscreen_mode{0};
  std::atomic<int32_t> fullscreen_smooth{0};
  // title and visibility requests made on the program thread, carried out on the window
  // thread (every window-system call is made there)
  std::atomic<char *> title_pending{nullptr};
  std::atomic<int32_t> visibility_request{0};  // 0 none, 1 show, 2 hide
};
extern WindowState window_state;

// Window thread: carries out pending title and visibility requests.
void window_apply_requests();

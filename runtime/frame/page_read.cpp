// The composer's only window onto the display image. The composer runs beside the program
// thread and reads the page without a lock (a frame may show a half-drawn statement, the
// next one shows the rest); statements that free or replace page buffers pause it first.
// Keeping every such read here keeps the unlocked accesses in one reviewed place; under
// ThreadSanitizer these functions are not instrumented and use plain loops instead of
// the intercepted memcmp/memcpy, because the race with the drawing thread is intended.
#include <cstring>

#include "runtime/frame/display_internal.h"
#include "runtime/screen/screen.h"

#if defined(__SANITIZE_THREAD__)
#define PAGE_READER __attribute__((no_sanitize("thread"), noinline, \
                                   optimize("no-tree-loop-distribute-patterns")))
#else
#define PAGE_READER
#endif

PAGE_READER bool page_view_read(PageView *view) {
  const Image *image = display_image;
  if (image == nullptr || !image->in_use || image->pixels == nullptr) return false;
  view->is_text = image->is_text != 0;
  view->size_x = image->size_x;
  view->size_y = image->size_y;
  view->pixel_bytes = image->pixel_bytes;
  view->pixel_bits = image->pixel_bits;
  view->mode = image->mode;
  view->font_id = image->font_id;
  view->cur_col = image->cur_col;
  view->cur_row = image->cur_row;
  view->wrap_pending = image->wrap_pending;
  view->cursor_visible = image->cursor_visible;
  view->cursor_start = image->cursor_start;
  view->cursor_stop = image->cursor_stop;
  view->pixels = static_cast<const uint8_t *>(image->pixels);
  view->palette = image->palette;
  if (view->size_x < 1 || view->size_y < 1) return false;
  if (!view->is_text && view->pixel_bytes != 1 && view->pixel_bytes != 4) return false;
  if (!view->is_text && view->pixel_bytes == 1 && view->palette == nullptr) return false;
  view->font_w = 8;
  view->font_h = 16;
  if (view->is_text) {
    if (view->palette == nullptr) return false;
    int32_t f = view->font_id;
    if (f >= 0 && f <= last_font_id && font_height != nullptr && font_width != nullptr) {
      if (font_height[f] > 0) view->font_h = font_height[f];
      if (font_width[f] > 0) view->font_w = font_width[f];
    }
  }
  return true;
}

PAGE_READER bool page_bytes_equal(const void *page, const void *shadow, size_t n) {
#if defined(__SANITIZE_THREAD__)
  const uint8_t *a = static_cast<const uint8_t *>(page);
  const uint8_t *b = static_cast<const uint8_t *>(shadow);
  for (size_t i = 0; i < n; i++)
    if (a[i] != b[i]) return false;
  return true;
#else
  return std::memcmp(page, shadow, n) == 0;
#endif
}

PAGE_READER void page_bytes_copy(void *shadow, const void *page, size_t n) {
#if defined(__SANITIZE_THREAD__)
  const uint8_t *a = static_cast<const uint8_t *>(page);
  uint8_t *b = static_cast<uint8_t *>(shadow);
  for (size_t i = 0; i < n; i++) b[i] = a[i];
#else
  std::memcpy(shadow, page, n);
#endif
}

PAGE_READER void page_palette_store(uint32_t *palette, int i, uint32_t value) {
  palette[i] = value;
}

PAGE_READER uint32_t page_palette_load(const uint32_t *palette, int i) { return palette[i]; }

// SCREEN and PCOPY: screen modes and their pages, the text screen inside the emulated video
// memory, page switching, and the pause handshake with the composer.
#include <cstdlib>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"

constexpr uint32_t TEXT_MEMORY = 0xB8000;     // SCREEN 0 pages, a 64 KB block
constexpr uint32_t GRAPHICS_MEMORY = 0xA0000;  // the SCREEN 13 page

// ---- display pause -----------------------------------------------------------------------

int32_t display_pause_begin() {
  // Only a composer on the main-loop thread can run beside this thread: not before that
  // thread runs, and not in manual display mode (the program thread composes then).
  if (!mainloop_running.load() || rt_control.autodisplay.load() == 0) return 0;
  int32_t expected = 0;
  rt_control.display_pause.compare_exchange_strong(expected, 1);
  // The composer grants the pause at its next prologue or epilogue (within one pass). A
  // switch to manual display acknowledged meanwhile also keeps it out for good.
  while (rt_control.display_pause.load() != 2) {
    if (rt_control.stop_all.load() || !mainloop_running.load() ||
        rt_control.autodisplay.load() == 0)
      break;
    platform_sleep_ms(0);
  }
  return 1;
}

void display_pause_end(int32_t paused) {
  if (paused) rt_control.display_pause.store(0);
}

// ---- SCREEN ------------------------------------------------------------------------------

static void page_switch_reset() {
  Image *d = dest_image;
  color_reset();
  d->text_top = 1;
  d->text_bottom = static_cast<int16_t>(image_rows(d));
  if (d->cur_row > d->text_bottom) d->cur_row = 1;
  d->text_bottom = static_cast<int16_t>(d->text_bottom - 1 < 1 ? 1 : d->text_bottom - 1);
}

static void make_current(int32_t index) {
  dest_index = source_index = display_index = index;
  image_pointers_refresh();
}

// A page that cannot be made leaves the runtime without a screen: nothing can continue.
static int32_t page_or_fail(int32_t index) {
  if (!index) rt_error(ERR_CRITICAL_IMAGE_TABLE);
  return index;
}

// Builds the eight text pages for SCREEN 0 from the pending WIDTH request or the old grid.
static int32_t screen0_build(int32_t old_cols, int32_t old_rows) {
  int32_t cols, rows, font;
  if (pending_cols == -1 && pending_rows == -1 && pending_font == -1) {
    if (old_cols == 80 && old_rows == 50) cols = 80, rows = 50, font = 8;
    else if (old_cols == 40 && old_rows == 50) cols = 40, rows = 50, font = 9;
    else if (old_cols == 80 && old_rows == 43) cols = 80, rows = 43, font = 8;
    else if (old_cols == 40 && old_rows == 43) cols = 40, rows = 43, font = 9;
    else if (old_cols == 40 && old_rows == 25) cols = 40, rows = 25, font = 17;
    else cols = 80, rows = 25, font = 16;
  } else if (pending_cols == -1 && pending_rows != -1) {
    rows = pending_rows;
    font = rows == 43 ? 14 : rows == 50 ? 8 : 16;
    cols = old_cols == 40 ? 40 : 80;
    if (cols == 40) font++;
  } else if (pending_cols != -1 && pending_rows == -1) {
    cols = pending_cols;
    if (old_rows == 43) rows = 43, font = 14;
    else if (old_rows == 50) rows = 50, font = 8;
    else rows = 25, font = 16;
    if (cols == 40) font++;
  } else {
    cols = pending_cols;
    rows = pending_rows;
    font = pending_font;
    if (font == -1) font = (rows >= 50 ? 8 : rows >= 43 ? 14 : 16) + (cols <= 40 ? 1 : 0);
  }
  pending_cols = pending_rows = pending_font = -1;
  if (cols == 40 && rows == 25) font = 17;
  if (cols == 80 && rows == 25) font = 16;
  int64_t page_size = int64_t{cols} * rows * 2;
  if (cols == 40 && rows == 25) page_size = 2048;
  if (cols == 80 && rows == 25) page_size = 4096;
  int64_t in_block = 65536 / page_size;
  if (in_block > 8) in_block = 8;

  auto *list = static_cast<int32_t *>(std::realloc(page_list, 8 * sizeof(int32_t)));
  if (!list) return page_or_fail(0);
  page_list = list;
  std::memset(page_list, 0, 8 * sizeof(int32_t));
  page_count = 8;
  for (int32_t i = 0; i < 8; i++) {
    int32_t index = i < in_block
                        ? image_make(real_memory + TEXT_MEMORY + i * page_size, cols, rows, 0)
                        : image_create(cols, rows, 0);
    if (!page_or_fail(index)) return 0;
    image_set_font(font, index);
    image_table[index].owner_flags |= IMAGE_IS_PAGE;
    page_list[i] = index;
  }
  for (uint32_t i = 0; i < 65536; i += 2) {
    real_memory[TEXT_MEMORY + i] = 0x20;
    real_memory[TEXT_MEMORY + i + 1] = 0x07;
  }
  return page_list[0];
}

// Releases every page except `keep` (an image about to become page 0 by handle).
static void pages_release_all(int32_t keep) {
  // A kept page shares page 0's palette, which goes with page 0: it takes its own copy.
  if (keep && image_table[keep].palette &&
      !(image_table[keep].owner_flags & IMAGE_OWNS_PALETTE)) {
    auto *copy = static_cast<uint32_t *>(std::malloc(256 * sizeof(uint32_t)));
    if (!copy) {
      rt_error(ERR_CRITICAL_IMAGE_TABLE);
      return;
    }
    std::memcpy(copy, image_table[keep].palette, 256 * sizeof(uint32_t));
    image_table[keep].palette = copy;
    image_table[keep].owner_flags |= IMAGE_OWNS_PALETTE;
  }
  for (int32_t i = 1; i < page_count; i++) {
    if (!page_list[i]) continue;
    if (page_list[i] == keep) image_table[keep].owner_flags &= ~IMAGE_IS_PAGE;
    else image_release(page_list[i]);
  }
  int32_t first = page_list[0];
  if (first && image_handle_valid(first)) {
    if (screen_is_user_image || first == keep) image_table[first].owner_flags &= ~IMAGE_IS_PAGE;
    else image_release(first);
  }
  screen_is_user_image = 0;
  page_count = 1;
  page_list[0] = 0;
  dest_index = source_index = display_index = 0;
  image_pointers_refresh();
}

static void screen_mode_change(int32_t mode, int32_t handle_index) {
  int32_t old_cols = 0, old_rows = 0;
  if (page_list[0]) {
    const Image &zero = image_table[page_list[0]];
    if (zero.is_text) {
      old_cols = zero.size_x;
      old_rows = zero.size_y;
    } else {
      int32_t w = font_width[zero.font_id], h = font_height[zero.font_id];
      old_cols = zero.size_x / (w ? w : 1);
      old_rows = h ? zero.size_y / h : 0;
    }
  }
  pages_release_all(handle_index);
  int32_t index = 0;
  if (handle_index) {
    index = handle_index;
    screen_is_user_image = 1;
  } else {
    switch (mode) {
      case 13:
        index = image_make(real_memory + GRAPHICS_MEMORY, 320, 200, 13);
        std::memset(real_memory + GRAPHICS_MEMORY, 0, 64000);
        break;
      case 12:
      case 11:
        index = image_create(640, 480, mode);
        if (index && old_cols == 80 && old_rows == 60) image_set_font(8, index);
        break;
      case 10:
      case 9:
        index = image_create(640, 350, mode);
        if (index && old_cols == 80 && old_rows == 43) image_set_font(8, index);
        break;
      case 8:
      case 2:
        index = image_create(640, 200, mode);
        break;
      case 7:
      case 1:
        index = image_create(320, 200, mode);
        break;
      default:  // 0
        index = screen0_build(old_cols, old_rows);
        break;
    }
  }
  if (!page_or_fail(index)) return;
  image_table[index].owner_flags |= IMAGE_IS_PAGE;
  page_list[0] = index;
  make_current(index);
  dest_image->turtle_angle = 0;
  dest_image->turtle_scale = 1.0;
  active_page_no = 0;
  key_line_force = 1;
}

void rt_screen(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
               int32_t refresh, int32_t passed) {
  if (pending_error) return;
  if (text_autogrow && !(passed == 1 && mode == 0)) text_autogrow = 0;
  bool mode_given = passed & 1, active_given = passed & 4;
  bool visual_given = (passed & 8) || active_given;
  if (!(passed & 8)) visual_page = active_page;

  // Every test comes before the first change, so a failing SCREEN changes nothing.
  bool change_mode = false;
  int32_t handle_index = 0;
  if (mode_given) {
    if (mode < 0) {
      int64_t n = -static_cast<int64_t>(mode);
      if (n >= image_count || !image_table[n].in_use) {
        rt_error(ERR_INVALID_HANDLE);
        return;
      }
      handle_index = static_cast<int32_t>(n);
      change_mode = handle_index != page_list[0];
    } else {
      if (mode > 13 || (mode >= 3 && mode <= 6)) {
        rt_error(ERR_ILLEGAL_FUNCTION_CALL);
        return;
      }
      change_mode = !page_list[0] || image_table[page_list[0]].mode != mode ||
                    pending_cols != -1 || pending_rows != -1 || pending_font != -1;
    }
  }
  if ((active_given && active_page < 0) || (visual_given && visual_page < 0)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  bool change_page = false;
  if (!change_mode) {
    if (active_given) {
      int32_t index = page_ensure(active_page);
      if (!index) return;
      if (index != source_index || index != dest_index) change_page = true;
    }
    if (visual_given) {
      int32_t index = page_ensure(visual_page);
      if (!index) return;
      if (index != display_index) change_page = true;
    }
  }
  if (!change_mode && !change_page) return;

  int32_t paused = 0;
  if (change_mode) paused = display_pause_begin();
  prev_frame_valid.store(0);
  if (change_mode) {
    screen_mode_change(mode, handle_index);
    if (!page_list[0]) {
      display_pause_end(paused);
      return;
    }
  }
  if (active_given) {
    int32_t index = page_ensure(active_page);
    if (index && (index != dest_index || index != source_index)) {
      dest_index = source_index = index;
      image_pointers_refresh();
      page_switch_reset();
    }
    if (index && active_page != active_page_no && !dest_image->is_text &&
        active_page_no < page_count && page_list[active_page_no]) {
      Image &from = image_table[page_list[active_page_no]];
      auto *to = reinterpret_cast<uint8_t *>(dest_image);
      const size_t start = offsetof(Image, page_state_mark) + 1;
      const size_t end = offsetof(Image, page_state_end);
      std::memcpy(to + start, reinterpret_cast<uint8_t *>(&from) + start, end - start);
    }
    if (index) active_page_no = active_page;
  }
  if (visual_given) {
    int32_t index = page_ensure(visual_page);
    if (index && index != display_index) {
      display_index = index;
      image_pointers_refresh();
      page_switch_reset();
    }
  }
  display_pause_end(paused);
  if (change_mode) key_line_draw();  // a shown function-key line reappears on the new screen
}

void screen_text_resize(int32_t columns, int32_t rows) {
  if (pending_error) return;
  text_autogrow = 0;
  if (columns < 1 || rows < 1) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  Image *d = dest_image;
  int32_t font = (rows >= 50 ? 8 : rows >= 43 ? 14 : 16) + (columns <= 40 ? 1 : 0);
  if (d && d->is_text && d->size_x == columns && d->size_y == rows && d->font_id == font)
    return;
  pending_cols = columns;
  pending_rows = rows;
  pending_font = font;
  rt_screen(0, 0, 0, 0, 0, 1);
}

// ---- PCOPY -------------------------------------------------------------------------------

void rt_pcopy(int32_t source, int32_t destination) {
  if (pending_error) return;
  // Both negative handles are tested before any page is created.
  for (int32_t handle : {source, destination}) {
    if (handle >= 0) continue;
    int64_t n = -static_cast<int64_t>(handle);
    if (n >= image_count || !image_table[n].in_use) {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return;
    }
  }
  int32_t from = resolve_image(source, ERR_ILLEGAL_FUNCTION_CALL);
  if (from < 0) return;
  int32_t to = resolve_image(destination, ERR_ILLEGAL_FUNCTION_CALL);
  if (to < 0 || from == to) return;
  const Image &s = image_table[from];
  Image &d = image_table[to];
  if (s.pixel_bytes != d.pixel_bytes || s.size_x != d.size_x || s.size_y != d.size_y ||
      (s.pixel_bytes == 1 && d.colour_mask < s.colour_mask)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  std::memmove(d.pixels, s.pixels, static_cast<size_t>(s.size_x) * s.size_y * s.pixel_bytes);
}

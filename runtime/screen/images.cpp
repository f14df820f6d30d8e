// The image table: slots with a free stack, image creation over a caller's buffer or a
// buffer of its own, per-mode defaults, fonts of images, screen pages and handles.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"

Image *image_table = nullptr;
int32_t image_capacity = 0;
int32_t image_count = 0;
int32_t *image_free_list = nullptr;
int32_t image_free_capacity = 0;
int32_t image_free_top = -1;

int32_t *page_list = nullptr;
int32_t page_count = 0;

int32_t dest_index = 0, source_index = 0, display_index = 0;
Image *dest_image = nullptr, *source_image = nullptr, *display_image = nullptr;
int32_t active_page_no = 0;
int32_t screen_is_user_image = 0;
int32_t pending_cols = -1, pending_rows = -1, pending_font = -1;

// ---- slots -------------------------------------------------------------------------------

void image_pointers_refresh() {
  dest_image = dest_index ? &image_table[dest_index] : nullptr;
  source_image = source_index ? &image_table[source_index] : nullptr;
  display_image = display_index ? &image_table[display_index] : nullptr;
}

static bool image_table_grow() {
  int32_t grown = image_capacity + IMAGE_TABLE_BLOCK;
  // The composer reads the display image through the table: moving the table pauses it.
  int32_t paused = display_pause_begin();
  auto *table = static_cast<Image *>(std::realloc(image_table, sizeof(Image) * grown));
  if (!table) {
    display_pause_end(paused);
    return false;
  }
  std::memset(static_cast<void *>(table + image_capacity), 0,
              sizeof(Image) * IMAGE_TABLE_BLOCK);
  image_table = table;
  image_capacity = grown;
  image_pointers_refresh();
  display_pause_end(paused);
  return true;
}

int32_t image_slot_alloc() {
  int32_t index;
  if (image_free_top >= 0) {
    index = image_free_list[image_free_top--];
  } else {
    if (image_count >= image_capacity && !image_table_grow()) {
      rt_error(ERR_CRITICAL_IMAGE_TABLE);
      return 0;
    }
    index = image_count++;
  }
  image_table[index].in_use = 1;
  return index;
}

void (*image_lock_free)(Image *image) = nullptr;

int32_t image_slot_free(int32_t index) {
  if (index < 0 || index >= image_capacity || !image_table[index].in_use) return 0;
  if (image_table[index].lock_serial && image_lock_free) image_lock_free(&image_table[index]);
  std::memset(static_cast<void *>(&image_table[index]), 0, sizeof(Image));
  if (image_free_top + 1 >= image_free_capacity) {
    int32_t grown = image_free_capacity + IMAGE_TABLE_BLOCK;
    auto *list = static_cast<int32_t *>(std::realloc(image_free_list, sizeof(int32_t) * grown));
    if (!list) {
      rt_error(ERR_CRITICAL_IMAGE_TABLE_GROW);
      return 1;
    }
    image_free_list = list;
    image_free_capacity = grown;
  }
  image_free_list[++image_free_top] = index;
  return 1;
}

bool image_handle_valid(int32_t index) {
  return index >= 0 && index < image_count && image_table[index].in_use;
}

void image_release(int32_t index) {
  if (!image_handle_valid(index)) return;
  Image &image = image_table[index];
  if (image.owner_flags & IMAGE_OWNS_PIXELS) std::free(image.pixels);
  if (image.owner_flags & IMAGE_OWNS_PALETTE) std::free(image.palette);
  image_slot_free(index);
}

// ---- geometry ----------------------------------------------------------------------------

int32_t image_columns(const Image *image) {
  if (image->is_text) return image->size_x;
  int32_t w = font_width[image->font_id];
  return w ? image->size_x / w : image->size_x;
}

int32_t image_rows(const Image *image) {
  if (image->is_text) return image->size_y;
  int32_t h = font_height[image->font_id];
  return h ? image->size_y / h : image->size_y;
}

uint8_t text_attribute(uint32_t fore, uint32_t back) {
  return static_cast<uint8_t>((((fore & 0x10u) + 2u * back) * 8u) | (fore & 0x0Fu));
}

// ---- creation ----------------------------------------------------------------------------

void image_default_palette(Image *image) {
  uint32_t *p = image->palette;
  if (!p || image->mode == 32) return;
  switch (image->mode) {
    case 1:
      p[0] = vga_colours[0]; p[1] = vga_colours[3]; p[2] = vga_colours[5]; p[3] = vga_colours[7];
      break;
    case 2:
    case 11:
      p[0] = 0x000000; p[1] = 0xFFFFFF;
      break;
    case 9:
      for (int i = 0; i <= 5; i++) p[i] = ega_colours[i];
      p[6] = ega_colours[20];
      p[7] = ega_colours[7];
      for (int i = 8; i <= 15; i++) p[i] = ega_colours[56 + i - 8];
      break;
    case 10:
      p[4] = 0; p[5] = 4; p[6] = 6; p[7] = 8;
      break;
    case 13:
    case 256:
      std::memcpy(p, vga_colours, sizeof(vga_colours));
      break;
    default:  // 0, 7, 8, 12
      std::memcpy(p, vga_colours, 16 * sizeof(uint32_t));
      break;
  }
}

// The fields every new or reset image starts with after its colours and font.
static void image_reset_fields(Image &image) {
  image.draw_colour = image.fore_colour;
  image.colour_mask = image.pixel_bits >= 32 ? 0xFFFFFFFFu : (1u << image.pixel_bits) - 1u;
  image.cur_col = 1;
  image.cur_row = 1;
  image.wrap_pending = 0;
  image.text_top = 1;
  int32_t rows = image_rows(&image) - 1;
  image.text_bottom = static_cast<int16_t>(rows < 1 ? 1 : rows);
  image.clip_left = image.clip_top = image.clip_right = image.clip_bottom = 0;
  image.clip_origin_x = image.clip_origin_y = 0;
  image.pen_x = image.pen_y = 0;
  image.coord_state = 0;
  image.world_scale_x = image.world_scale_y = 0;
  image.world_shift_x = image.world_shift_y = 0;
  image.world_x1 = image.world_y1 = image.world_x2 = image.world_y2 = 0;
  if (!image.is_text) {
    image.pen_x = static_cast<float>(image.size_x / 2);
    image.pen_y = static_cast<float>(image.size_y / 2);
    image.clip_right = image.size_x - 1;
    image.clip_bottom = image.size_y - 1;
    image.world_scale_x = image.world_scale_y = 1.0f;
    image.world_x2 = static_cast<float>(image.size_x - 1);
    image.world_y2 = static_cast<float>(image.size_y - 1);
  }
}

static void image_mode_defaults(Image &image, const ScreenModeInfo *info) {
  image.fore_colour = info->fore;
  image.back_colour = info->back;
  image.font_id = info->font;
  image.text_paint_mode = 3;
  image.turtle_angle = 0;
  image.turtle_scale = 1.0;
}

int32_t image_make(void *buffer, int32_t width, int32_t height, int32_t mode) {
  const ScreenModeInfo *info = screen_mode_info(mode);
  if (!info || width < 1 || height < 1 || width > 65535 || height > 65535) return 0;
  int32_t index = image_slot_alloc();
  if (!index) return 0;
  Image &image = image_table[index];
  image.is_text = mode == 0;
  image.size_x = static_cast<uint16_t>(width);
  image.size_y = static_cast<uint16_t>(height);
  image.pixel_bytes = static_cast<uint8_t>(info->pixel_bytes);
  image.pixel_bits = static_cast<uint8_t>(info->pixel_bits);
  image.mode = static_cast<uint16_t>(mode);
  image_mode_defaults(image, info);
  if (mode == 0) {
    image.cursor_visible = 0;
    image.cursor_start = 4;
    image.cursor_stop = 4;
  }
  if (mode != 32) {
    image.palette = static_cast<uint32_t *>(std::calloc(256, sizeof(uint32_t)));
    if (!image.palette) {
      image_slot_free(index);
      return 0;
    }
    image.owner_flags |= IMAGE_OWNS_PALETTE;
    image_default_palette(&image);
    image.clear_colour = -1;
  }
  image.pixels = buffer;
  image_reset_fields(image);
  return index;
}

static void image_clear_buffer(Image &image) {
  size_t count = static_cast<size_t>(image.size_x) * image.size_y;
  if (image.is_text) {
    auto *cells = static_cast<uint8_t *>(image.pixels);
    for (size_t i = 0; i < count; i++) {
      cells[i * 2] = 0x20;
      cells[i * 2 + 1] = 0x07;
    }
  } else {
    std::memset(image.pixels, 0, count * image.pixel_bytes);
  }
}

int32_t image_create(int32_t width, int32_t height, int32_t mode) {
  const ScreenModeInfo *info = screen_mode_info(mode);
  if (!info || width < 1 || height < 1 || width > 65535 || height > 65535) return 0;
  if (mode == 32) blend_tables_build();
  size_t bytes = static_cast<size_t>(width) * height * info->pixel_bytes;
  void *buffer = std::malloc(bytes);
  if (!buffer) return 0;
  int32_t index = image_make(buffer, width, height, mode);
  if (!index) {
    std::free(buffer);
    return 0;
  }
  Image &image = image_table[index];
  image.owner_flags |= IMAGE_OWNS_PIXELS;
  image_clear_buffer(image);
  return index;
}

void image_reset(int32_t index) {
  if (!image_handle_valid(index)) return;
  Image &image = image_table[index];
  image_mode_defaults(image, screen_mode_info(image.mode));
  if (image.palette && image.mode != 32) {
    image_default_palette(&image);
    image.clear_colour = -1;
  }
  image_reset_fields(image);
  image_clear_buffer(image);
}

void image_set_font(int32_t font, int32_t index) {
  if (!image_handle_valid(index)) return;
  Image &image = image_table[index];
  image.font_id = font;
  image.cur_col = 1;
  image.cur_row = 1;
  image.wrap_pending = 0;
  image.text_top = 1;
  int32_t rows = image_rows(&image) - 1;
  image.text_bottom = static_cast<int16_t>(rows < 1 ? 1 : rows);
}

void color_reset() {
  Image *d = dest_image;
  if (!d) return;
  const ScreenModeInfo *info = screen_mode_info(d->mode);
  d->fore_colour = info ? info->fore : 15;
  d->back_colour = info ? info->back : 0;
  d->draw_colour = d->fore_colour;
}

// ---- pages and handles -------------------------------------------------------------------

int32_t page_ensure(int32_t page) {
  if (page < 0) return 0;
  // Page numbers name a list entry each: an absurd number would ask for gigabytes of list.
  if (page > MAX_PAGE_NUMBER) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0;
  }
  if (page >= page_count) {
    // Each page is a full image, so a page list beyond memory fails on its own.
    auto *list = static_cast<int32_t *>(
        std::realloc(page_list, sizeof(int32_t) * (static_cast<size_t>(page) + 1)));
    if (!list) {
      rt_error(ERR_OUT_OF_MEMORY);
      return 0;
    }
    std::memset(list + page_count, 0, sizeof(int32_t) * (page + 1 - page_count));
    page_list = list;
    page_count = page + 1;
  }
  if (page_list[page]) return page_list[page];
  int32_t first = page_list[0];
  if (!first) return 0;
  int32_t index = image_create(image_table[first].size_x, image_table[first].size_y,
                               image_table[first].mode);
  if (!index) {
    rt_error(ERR_OUT_OF_MEMORY);
    return 0;
  }
  Image &image = image_table[index];
  const Image &zero = image_table[first];  // fetched after creation: the table may move
  if (image.mode != 32 && zero.palette) {
    if (image.owner_flags & IMAGE_OWNS_PALETTE) std::free(image.palette);
    image.palette = zero.palette;
    image.owner_flags &= ~IMAGE_OWNS_PALETTE;
  }
  image.owner_flags |= IMAGE_IS_PAGE;
  image_set_font(zero.font_id, index);
  page_list[page] = index;
  return index;
}

int32_t resolve_image(int32_t handle, int32_t error) {
  if (handle < 0) {
    int64_t n = -static_cast<int64_t>(handle);
    if (n >= image_count || !image_table[n].in_use) {
      rt_error(error);
      return -1;
    }
    return static_cast<int32_t>(n);
  }
  int32_t index = page_ensure(handle);
  return index ? index : -1;
}

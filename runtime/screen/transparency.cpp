// Transparency of images: the blending switches of 32-bit images, the transparent colour
// and the alpha setting of pixels.
#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"

namespace {

Image *handle_image(int32_t handle, bool given) {
  if (!given) return dest_image;
  int32_t index = resolve_image(handle);
  return index < 0 ? nullptr : &image_table[index];
}

bool is_32bit(const Image *image) { return image->pixel_bytes == 4 && !image->is_text; }

uint32_t *pixels_of(Image *image) { return static_cast<uint32_t *>(image->pixels); }

size_t pixel_count(const Image *image) {
  return static_cast<size_t>(image->size_x) * image->size_y;
}

}  // namespace

void rt_blend(int32_t handle, int32_t passed) {
  if (pending_error) return;
  Image *image = handle_image(handle, passed & 1);
  if (!image) return;
  if (!is_32bit(image)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  image->blend_off = 0;
}

void rt_dont_blend(int32_t handle, int32_t passed) {
  if (pending_error) return;
  Image *image = handle_image(handle, passed & 1);
  if (image && is_32bit(image)) image->blend_off = 1;
}

int32_t rt_blending(int32_t handle, int32_t passed) {
  if (pending_error) return 0;
  const Image *image = handle_image(handle, passed & 1);
  return image && is_32bit(image) && !image->blend_off ? -1 : 0;
}

void rt_set_clear_color(uint32_t colour, int32_t handle, int32_t passed) {
  if (pending_error) return;
  Image *image = handle_image(handle, passed & 4);
  if (!image) return;
  bool none = passed & 1, has_colour = passed & 2;
  if (image->is_text) {
    if (!(none && !has_colour)) rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  if (none == has_colour) {  // both, or neither
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  if (!is_32bit(image)) {
    if (none) {
      image->clear_colour = -1;
    } else if (colour < 256) {
      image->clear_colour = static_cast<int32_t>(colour);
    } else {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    }
    return;
  }
  if (none) return;
  // Every pixel of the colour's red, green and blue becomes fully transparent.
  uint32_t rgb = colour & 0xFFFFFFu;
  uint32_t *p = pixels_of(image);
  for (size_t i = 0, n = pixel_count(image); i < n; i++)
    if ((p[i] & 0xFFFFFFu) == rgb) p[i] = rgb;
}

int32_t rt_clear_color(int32_t handle, int32_t passed) {
  if (pending_error) return 0;
  const Image *image = handle_image(handle, passed & 1);
  if (!image) return 0;
  if (image->is_text) return -1;
  if (is_32bit(image)) return 0;
  return image->clear_colour;
}

void rt_set_alpha(int32_t alpha, uint32_t colour1, uint32_t colour2, int32_t handle,
                  int32_t passed) {
  if (pending_error) return;
  Image *image = handle_image(handle, passed & 2);
  if (!image) return;
  if (!is_32bit(image) || image->palette || alpha < 0 || alpha > 255) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  bool first = passed & 1, second = passed & 4;
  if (!first && second) {  // the second colour alone counts as the one colour
    colour1 = colour2;
    first = true;
    second = false;
  }
  uint32_t a = static_cast<uint32_t>(alpha) << 24;
  uint32_t *p = pixels_of(image);
  size_t n = pixel_count(image);
  if (!first) {
    for (size_t i = 0; i < n; i++) p[i] = (p[i] & 0xFFFFFFu) | a;
    return;
  }
  if (!second || colour1 == colour2) {
    for (size_t i = 0; i < n; i++)
      if (p[i] == colour1) p[i] = (p[i] & 0xFFFFFFu) | a;
    return;
  }
  // A range: each of the four bytes must lie between the two colours' bytes.
  uint8_t low[4], high[4];
  for (int k = 0; k < 4; k++) {
    auto b1 = static_cast<uint8_t>(colour1 >> (8 * k)), b2 = static_cast<uint8_t>(colour2 >> (8 * k));
    low[k] = b1 < b2 ? b1 : b2;
    high[k] = b1 < b2 ? b2 : b1;
  }
  for (size_t i = 0; i < n; i++) {
    uint32_t v = p[i];
    bool within = true;
    for (int k = 0; k < 4 && within; k++) {
      auto b = static_cast<uint8_t>(v >> (8 * k));
      within = b >= low[k] && b <= high[k];
    }
    if (within) p[i] = (v & 0xFFFFFFu) | a;
  }
}

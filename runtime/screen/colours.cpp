// Colour values and components: RGB and RGBA for an image (32-bit values, or the nearest
// palette entry), the 32-bit forms, and the red, green, blue and alpha of a colour.
#include <cstdlib>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"

namespace {

uint32_t clamp_byte(int32_t v) { return v < 0 ? 0u : v > 255 ? 255u : static_cast<uint32_t>(v); }

// The image a colour function speaks about: the handle's when given, else the destination.
// Null (error pending) for an invalid handle.
Image *colour_image(int32_t handle, bool given) {
  if (!given) return dest_image;
  int32_t index = resolve_image(handle);
  return index < 0 ? nullptr : &image_table[index];
}

// Highest palette index a colour of the image may name: text screens have sixteen colours.
uint32_t last_palette_index(const Image *image) {
  if (image->is_text) return 15;
  return image->colour_mask > 255 ? 255 : image->colour_mask;
}

uint32_t pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

enum Component { RED = 16, GREEN = 8, BLUE = 0, ALPHA = 24 };

int32_t component(uint32_t colour, int32_t handle, int32_t passed, Component which) {
  if (pending_error) return 0;
  const Image *image = colour_image(handle, passed & 1);
  if (!image) return 0;
  if (image->pixel_bytes == 4 || !image->palette)
    return static_cast<int32_t>((colour >> which) & 0xFF);
  if (colour > last_palette_index(image)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0;
  }
  if (which == ALPHA) return static_cast<int32_t>(colour) == image->clear_colour ? 0 : 255;
  return static_cast<int32_t>((image->palette[colour] >> which) & 0xFF);
}

}  // namespace

int32_t palette_nearest(int32_t r, int32_t g, int32_t b, const Image *image) {
  if (!image || !image->palette) return 0;
  uint32_t last = last_palette_index(image);
  int32_t best = 0, best_distance = 1000;
  for (uint32_t i = 0; i <= last; i++) {
    uint32_t e = image->palette[i];
    int32_t distance = std::abs(r - static_cast<int32_t>((e >> 16) & 0xFF)) +
                       std::abs(g - static_cast<int32_t>((e >> 8) & 0xFF)) +
                       std::abs(b - static_cast<int32_t>(e & 0xFF));
    if (distance == 0) return static_cast<int32_t>(i);
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<int32_t>(i);
    }
  }
  return best;
}

uint32_t rt_rgb(int32_t r, int32_t g, int32_t b, int32_t handle, int32_t passed) {
  if (pending_error) return 0;
  const Image *image = colour_image(handle, passed & 1);
  if (!image) return 0;
  uint32_t cr = clamp_byte(r), cg = clamp_byte(g), cb = clamp_byte(b);
  if (image->pixel_bytes == 4) return pack(255, cr, cg, cb);
  return static_cast<uint32_t>(palette_nearest(cr, cg, cb, image));
}

uint32_t rt_rgba(int32_t r, int32_t g, int32_t b, int32_t a, int32_t handle, int32_t passed) {
  if (pending_error) return 0;
  const Image *image = colour_image(handle, passed & 1);
  if (!image) return 0;
  uint32_t cr = clamp_byte(r), cg = clamp_byte(g), cb = clamp_byte(b), ca = clamp_byte(a);
  if (image->pixel_bytes == 4) return pack(ca, cr, cg, cb);
  if (ca == 0 && image->clear_colour != -1) return static_cast<uint32_t>(image->clear_colour);
  return static_cast<uint32_t>(palette_nearest(cr, cg, cb, image));
}

uint32_t rt_rgb32(int32_t r, int32_t g, int32_t b) {
  if (pending_error) return 0;
  return pack(255, clamp_byte(r), clamp_byte(g), clamp_byte(b));
}

uint32_t rt_rgba32(int32_t r, int32_t g, int32_t b, int32_t a) {
  if (pending_error) return 0;
  return pack(clamp_byte(a), clamp_byte(r), clamp_byte(g), clamp_byte(b));
}

int32_t rt_alpha(uint32_t colour, int32_t handle, int32_t passed) {
  return component(colour, handle, passed, ALPHA);
}
int32_t rt_red(uint32_t colour, int32_t handle, int32_t passed) {
  return component(colour, handle, passed, RED);
}
int32_t rt_green(uint32_t colour, int32_t handle, int32_t passed) {
  return component(colour, handle, passed, GREEN);
}
int32_t rt_blue(uint32_t colour, int32_t handle, int32_t passed) {
  return component(colour, handle, passed, BLUE);
}

int32_t rt_alpha32(uint32_t colour) { return pending_error ? 0 : static_cast<int32_t>(colour >> 24); }
int32_t rt_red32(uint32_t colour) { return pending_error ? 0 : static_cast<int32_t>((colour >> 16) & 0xFF); }
int32_t rt_green32(uint32_t colour) { return pending_error ? 0 : static_cast<int32_t>((colour >> 8) & 0xFF); }
int32_t rt_blue32(uint32_t colour) { return pending_error ? 0 : static_cast<int32_t>(colour & 0xFF); }

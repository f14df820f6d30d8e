// Raw pixel access: the alpha-blending rule of 32-bit images with its lookup tables, pixel
// writes and reads without clipping, and rectangle fills.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"

uint8_t *blend_mix = nullptr;
uint8_t *alpha_over = nullptr;

void blend_tables_build() {
  if (blend_mix) return;
  auto *mix = static_cast<uint8_t *>(std::malloc(256u * 256u * 256u));
  auto *over = static_cast<uint8_t *>(std::malloc(256u * 256u));
  if (!mix || !over) {
    std::free(mix);
    std::free(over);
    rt_error(ERR_OUT_OF_MEMORY);
    return;
  }
  for (int a = 0; a < 256; a++) {
    float x = static_cast<float>(a) / 255.0f;
    for (int s = 0; s < 256; s++) {
      uint8_t *row = mix + (static_cast<size_t>(a) << 16) + (s << 8);
      for (int d = 0; d < 256; d++)
        row[d] = static_cast<uint8_t>(std::nearbyint(x * s + (1.0f - x) * d));
    }
    for (int b = 0; b < 256; b++) {
      float y = static_cast<float>(b) / 255.0f;
      over[a * 256 + b] =
          static_cast<uint8_t>(std::nearbyint((1.0f - (1.0f - x) * (1.0f - y)) * 255.0f));
    }
  }
  alpha_over = over;
  blend_mix = mix;
}

// One 32-bit pixel of colour c blended over old.
static inline uint32_t blend_pixel(uint32_t old, uint32_t c) {
  uint32_t a = c >> 24;
  if (a == 0) return old;
  if (a == 255) return c;
  uint32_t old_a = old >> 24;
  if (a == 127 || a == 128) {
    uint32_t rgb = (((old & 0xFEFEFEu) + (c & 0xFEFEFEu)) >> 1) & 0xFFFFFFu;
    return (static_cast<uint32_t>(alpha_over[a * 256 + old_a]) << 24) | rgb;
  }
  const uint8_t *m = blend_mix + (static_cast<size_t>(a) << 16);
  uint32_t r = m[(((c >> 16) & 0xFF) << 8) + ((old >> 16) & 0xFF)];
  uint32_t g = m[(((c >> 8) & 0xFF) << 8) + ((old >> 8) & 0xFF)];
  uint32_t b = m[((c & 0xFF) << 8) + (old & 0xFF)];
  return (static_cast<uint32_t>(alpha_over[old_a * 256 + a]) << 24) | (r << 16) | (g << 8) | b;
}

void image_pixel_put(Image *image, int32_t x, int32_t y, uint32_t colour) {
  size_t at = static_cast<size_t>(y) * image->size_x + x;
  if (image->pixel_bytes == 1) {
    static_cast<uint8_t *>(image->pixels)[at] = static_cast<uint8_t>(colour & image->colour_mask);
  } else if (image->pixel_bytes == 4) {
    uint32_t *p = static_cast<uint32_t *>(image->pixels) + at;
    *p = (image->blend_off || !blend_mix) ? colour : blend_pixel(*p, colour);
  }
}

uint32_t image_pixel_get(const Image *image, int32_t x, int32_t y) {
  size_t at = static_cast<size_t>(y) * image->size_x + x;
  if (image->pixel_bytes == 1) return static_cast<const uint8_t *>(image->pixels)[at] & image->colour_mask;
  if (image->pixel_bytes == 4) return static_cast<const uint32_t *>(image->pixels)[at];
  return 0;
}

void pixel_put_raw(int32_t x, int32_t y, uint32_t colour) {
  image_pixel_put(dest_image, x, y, colour);
}

uint32_t pixel_get(int32_t x, int32_t y) {
  return image_pixel_get(source_image, x, y);
}

static void fill_rows(Image *image, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      uint32_t colour, bool blend) {
  int32_t width = x2 - x1 + 1;
  if (image->pixel_bytes == 1) {
    auto value = static_cast<uint8_t>(colour & image->colour_mask);
    auto *base = static_cast<uint8_t *>(image->pixels);
    for (int32_t y = y1; y <= y2; y++)
      std::memset(base + static_cast<size_t>(y) * image->size_x + x1, value, width);
    return;
  }
  if (image->pixel_bytes != 4) return;
  auto *base = static_cast<uint32_t *>(image->pixels);
  uint32_t a = colour >> 24;
  if (!blend || a == 255 || !blend_mix) {
    uint32_t *first = base + static_cast<size_t>(y1) * image->size_x + x1;
    for (int32_t x = 0; x < width; x++) first[x] = colour;
    for (int32_t y = y1 + 1; y <= y2; y++)
      std::memcpy(base + static_cast<size_t>(y) * image->size_x + x1, first, width * 4u);
    return;
  }
  if (a == 0) return;
  for (int32_t y = y1; y <= y2; y++) {
    uint32_t *row = base + static_cast<size_t>(y) * image->size_x;
    for (int32_t x = x1; x <= x2; x++) row[x] = blend_pixel(row[x], colour);
  }
}

void rect_fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  fill_rows(dest_image, x1, y1, x2, y2, colour, !dest_image->blend_off);
}

void image_fill_plain(Image *image, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      uint32_t colour) {
  if (x1 < 0) x1 = 0;
  if (y1 < 0) y1 = 0;
  if (x2 >= image->size_x) x2 = image->size_x - 1;
  if (y2 >= image->size_y) y2 = image->size_y - 1;
  if (x1 > x2 || y1 > y2) return;
  fill_rows(image, x1, y1, x2, y2, colour, false);
}

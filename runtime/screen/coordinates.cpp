// Graphics coordinates: statement coordinates to pixels (VIEW origin, WINDOW world scale),
// the viewport-clipped pixel write and box fill, and the VIEW, WINDOW and PMAP statements.
#include <cmath>
#include <utility>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"

namespace {

constexpr float COORD_LIMIT = 1073741824.0f;  // 2^30
constexpr int32_t COORD_FAR = 1 << 30;

// World scale and shift that put the WINDOW corners (world_x1 left, world_y1 top,
// world_x2 right, world_y2 bottom) onto the viewport. The upward form (top above bottom
// in world values) shifts by the viewport height so that the world bottom lands on the
// viewport's last row, the same whichever of VIEW and WINDOW came first.
void world_fit(Image *d) {
  float width = static_cast<float>(d->clip_right - d->clip_left);
  float height = static_cast<float>(d->clip_bottom - d->clip_top);
  d->world_scale_x = width / (d->world_x2 - d->world_x1);
  d->world_scale_y = height / (d->world_y2 - d->world_y1);
  d->world_shift_x = -d->world_x1 * d->world_scale_x;
  if (d->world_y1 > d->world_y2)
    d->world_shift_y = -d->world_y2 * d->world_scale_y + height;
  else
    d->world_shift_y = -d->world_y1 * d->world_scale_y;
}

bool inside_image(const Image *image, int32_t x, int32_t y) {
  return static_cast<uint32_t>(x) < image->size_x && static_cast<uint32_t>(y) < image->size_y;
}

}  // namespace

int32_t coord_round(float v) {
  if (!(v > -COORD_LIMIT)) return -COORD_FAR;  // NaN lands here too
  if (!(v < COORD_LIMIT)) return COORD_FAR;
  return static_cast<int32_t>(std::nearbyint(v));
}

void coord_map(const Image *image, float x, float y, int32_t *px, int32_t *py) {
  if (image->coord_state == 2) {
    x = x * image->world_scale_x + image->world_shift_x;
    y = y * image->world_scale_y + image->world_shift_y;
  }
  *px = coord_round(x) + image->clip_origin_x;
  *py = coord_round(y) + image->clip_origin_y;
}

void coord_map_exact(const Image *image, float x, float y, float *px, float *py) {
  if (image->coord_state == 2) {
    x = x * image->world_scale_x + image->world_shift_x;
    y = y * image->world_scale_y + image->world_shift_y;
  }
  *px = x + static_cast<float>(image->clip_origin_x);
  *py = y + static_cast<float>(image->clip_origin_y);
}

void coord_unmap(const Image *image, float px, float py, float *x, float *y) {
  px -= static_cast<float>(image->clip_origin_x);
  py -= static_cast<float>(image->clip_origin_y);
  if (image->coord_state == 2) {
    px = (px - image->world_shift_x) / image->world_scale_x;
    py = (py - image->world_shift_y) / image->world_scale_y;
  }
  *x = px;
  *y = py;
}

bool image_in_view(const Image *image, int32_t px, int32_t py) {
  return px >= image->clip_left && px <= image->clip_right && py >= image->clip_top &&
         py <= image->clip_bottom && inside_image(image, px, py);
}

bool graphics_image_check(const Image *image) {
  if (image && !image->is_text && image->pixels) return true;
  rt_error(ERR_ILLEGAL_FUNCTION_CALL);
  return false;
}

void pixel_put(int32_t x, int32_t y, uint32_t colour) {
  if (image_in_view(dest_image, x, y)) pixel_put_raw(x, y, colour);
}

void box_fill_mapped(float x1, float y1, float x2, float y2, uint32_t colour) {
  const Image *d = dest_image;
  int32_t ax, ay, bx, by;
  coord_map(d, x1, y1, &ax, &ay);
  coord_map(d, x2, y2, &bx, &by);
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  if (ax < d->clip_left) ax = d->clip_left;
  if (ay < d->clip_top) ay = d->clip_top;
  if (bx > d->clip_right) bx = d->clip_right;
  if (by > d->clip_bottom) by = d->clip_bottom;
  if (ax > bx || ay > by) return;
  rect_fill(ax, ay, bx, by, colour);
}

// ---- VIEW --------------------------------------------------------------------------------

void rt_view(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill, uint32_t border,
             int32_t passed) {
  if (pending_error) return;
  Image *d = dest_image;
  if (!graphics_image_check(d)) return;
  bool corners = passed & 1, screen = passed & 2;
  if (corners) {
    if (!inside_image(d, x1, y1) || !inside_image(d, x2, y2)) {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return;
    }
  } else if (passed & (2 | 4 | 8)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  d->turtle_angle = 0;
  d->turtle_scale = 1.0;
  if (corners) {
    d->clip_left = x1 < x2 ? x1 : x2;
    d->clip_right = x1 < x2 ? x2 : x1;
    d->clip_top = y1 < y2 ? y1 : y2;
    d->clip_bottom = y1 < y2 ? y2 : y1;
    d->clip_origin_x = screen ? 0 : d->clip_left;
    d->clip_origin_y = screen ? 0 : d->clip_top;
    if (d->coord_state == 0) d->coord_state = 1;
  } else {
    d->clip_left = d->clip_top = 0;
    d->clip_right = d->size_x - 1;
    d->clip_bottom = d->size_y - 1;
    d->clip_origin_x = d->clip_origin_y = 0;
    if (d->coord_state == 1) d->coord_state = 0;
  }
  if (d->coord_state == 2) world_fit(d);
  if (passed & 4) rect_fill(d->clip_left, d->clip_top, d->clip_right, d->clip_bottom, fill);
  if (passed & 8) {
    int32_t left = d->clip_left - 1, right = d->clip_right + 1;
    int32_t top = d->clip_top - 1, bottom = d->clip_bottom + 1;
    for (int32_t x = left; x <= right; x++) {
      if (inside_image(d, x, top)) pixel_put_raw(x, top, border);
      if (inside_image(d, x, bottom)) pixel_put_raw(x, bottom, border);
    }
    for (int32_t y = d->clip_top; y <= d->clip_bottom; y++) {
      if (inside_image(d, left, y)) pixel_put_raw(left, y, border);
      if (inside_image(d, right, y)) pixel_put_raw(right, y, border);
    }
  }
}

// ---- WINDOW ------------------------------------------------------------------------------

void rt_window(float x1, float y1, float x2, float y2, int32_t passed) {
  if (pending_error) return;
  Image *d = dest_image;
  if (!graphics_image_check(d)) return;
  bool corners = passed & 1, screen = passed & 2;
  if (screen && !corners) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  if (corners && (x1 == x2 || y1 == y2)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  // The pen in pixels (without the viewport origin), kept across the change.
  float pen_x = d->pen_x, pen_y = d->pen_y;
  if (d->coord_state == 2) {
    pen_x = pen_x * d->world_scale_x + d->world_shift_x;
    pen_y = pen_y * d->world_scale_y + d->world_shift_y;
  }
  if (corners) {
    float left = x1 < x2 ? x1 : x2, right = x1 < x2 ? x2 : x1;
    float low = y1 < y2 ? y1 : y2, high = y1 < y2 ? y2 : y1;
    d->world_x1 = left;
    d->world_x2 = right;
    d->world_y1 = screen ? low : high;   // top
    d->world_y2 = screen ? high : low;   // bottom
    d->coord_state = 2;
    world_fit(d);
    bool identity = left == 0 && d->world_y1 == 0 &&
                    right == static_cast<float>(d->size_x - 1) &&
                    d->world_y2 == static_cast<float>(d->size_y - 1) &&
                    d->world_scale_x == 1 && d->world_scale_y == 1 && d->world_shift_x == 0 &&
                    d->world_shift_y == 0;
    if (!identity) {
      d->pen_x = (pen_x - d->world_shift_x) / d->world_scale_x;
      d->pen_y = (pen_y - d->world_shift_y) / d->world_scale_y;
      return;
    }
  }
  d->coord_state = 1;
  d->world_scale_x = d->world_scale_y = 1.0f;
  d->world_shift_x = d->world_shift_y = 0;
  d->world_x1 = d->world_y1 = 0;
  d->world_x2 = static_cast<float>(d->size_x - 1);
  d->world_y2 = static_cast<float>(d->size_y - 1);
  if (d->clip_left == 0 && d->clip_top == 0 && d->clip_right == d->size_x - 1 &&
      d->clip_bottom == d->size_y - 1 && d->clip_origin_x == 0 && d->clip_origin_y == 0)
    d->coord_state = 0;
  d->pen_x = pen_x;
  d->pen_y = pen_y;
}

// ---- PMAP --------------------------------------------------------------------------------

float rt_pmap(float value, int32_t kind) {
  if (pending_error) return 0;
  const Image *d = dest_image;
  if (!graphics_image_check(d)) return 0;
  switch (kind) {
    case 0: return static_cast<float>(coord_round(value * d->world_scale_x + d->world_shift_x));
    case 1: return static_cast<float>(coord_round(value * d->world_scale_y + d->world_shift_y));
    case 2: return (static_cast<float>(coord_round(value)) - d->world_shift_x) / d->world_scale_x;
    case 3: return (static_cast<float>(coord_round(value)) - d->world_shift_y) / d->world_scale_y;
    default:
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return 0;
  }
}

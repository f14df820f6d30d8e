// PSET, PRESET and POINT: single pixels through the coordinate state of the image.
#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"

namespace {

void set_point(float x, float y, uint32_t colour, int32_t passed, bool background) {
  if (pending_error) return;
  Image *d = dest_image;
  if (!graphics_image_check(d)) return;
  if (passed & 1) {
    d->pen_x += x;
    d->pen_y += y;
  } else {
    d->pen_x = x;
    d->pen_y = y;
  }
  uint32_t c = (passed & 2) ? colour : background ? d->back_colour : d->fore_colour;
  d->draw_colour = c;
  int32_t px, py;
  coord_map(d, d->pen_x, d->pen_y, &px, &py);
  // Without VIEW or WINDOW the viewport is the whole image, so one test serves both cases.
  if (image_in_view(d, px, py)) pixel_put_raw(px, py, c);
}

}  // namespace

void rt_pset(float x, float y, uint32_t colour, int32_t passed) {
  set_point(x, y, colour, passed, false);
}

void rt_preset(float x, float y, uint32_t colour, int32_t passed) {
  set_point(x, y, colour, passed, true);
}

double rt_point(float x, float y, int32_t passed) {
  if (pending_error) return 0;
  if (passed) {
    const Image *s = source_image;
    if (!graphics_image_check(s)) return 0;
    int32_t px, py;
    coord_map(s, x, y, &px, &py);
    if (!image_in_view(s, px, py)) return -1;
    return static_cast<double>(image_pixel_get(s, px, py));
  }
  const Image *d = dest_image;
  if (!graphics_image_check(d)) return 0;
  switch (coord_round(x)) {
    case 0:
      return d->coord_state == 2 ? coord_round(d->pen_x * d->world_scale_x + d->world_shift_x)
                                 : coord_round(d->pen_x);
    case 1:
      return d->coord_state == 2 ? coord_round(d->pen_y * d->world_scale_y + d->world_shift_y)
                                 : coord_round(d->pen_y);
    case 2: return d->pen_x;
    case 3: return d->pen_y;
    default:
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return 0;
  }
}

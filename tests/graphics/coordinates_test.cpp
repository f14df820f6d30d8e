// Graphics coordinates: VIEW viewports and their clipping, WINDOW world coordinates, PMAP in
// both directions, the pen, and the viewport-clipped pixel write and box fill.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "tests/graphics/graphics_fixture.h"

namespace {

using CoordinateTest = GraphicsTest;

struct MappedPoint {
  float x, y;
  int32_t px, py;
};

// PSETs each point on a fresh SCREEN 12 page and checks that exactly that pixel lit.
void expect_points_land(const std::vector<MappedPoint> &points, const char *what) {
  for (const MappedPoint &p : points) {
    rect_fill(0, 0, 639, 479, 0);
    rt_pset(p.x, p.y, 9, 2);
    EXPECT_EQ(pending_error.load(), 0u);
    EXPECT_EQ(image_pixel_get(dest_image, p.px, p.py), 9u)
        << what << ": (" << p.x << ", " << p.y << ") should land on (" << p.px << ", " << p.py
        << ")";
    int32_t lit = 0;
    for (int32_t y = 0; y < 480; y++)
      for (int32_t x = 0; x < 640; x++) lit += image_pixel_get(dest_image, x, y) != 0;
    EXPECT_EQ(lit, 1) << what;
  }
}

TEST_F(CoordinateTest, WindowMapsTheWorldOntoTheScreen) {
  screen(12);
  rt_window(0, 0, 100, 100, 1);
  EXPECT_EQ(dest_image->coord_state, 2);
  // y grows upward: (0, 0) is the bottom-left pixel, (100, 100) the top-right.
  expect_points_land({{0, 0, 0, 479}, {100, 100, 639, 0}, {0, 100, 0, 0}, {100, 0, 639, 479},
                      {10, 10, 64, 431}},
                     "WINDOW");
  rt_window(0, 0, 100, 100, 1 | 2);  // WINDOW SCREEN keeps y downward
  expect_points_land({{0, 0, 0, 0}, {100, 100, 639, 479}, {10, 10, 64, 48}}, "WINDOW SCREEN");
  // Corners given in any order describe the same window.
  rt_window(100, 100, 0, 0, 1);
  expect_points_land({{0, 0, 0, 479}, {100, 100, 639, 0}}, "WINDOW reversed");
}

TEST_F(CoordinateTest, PmapConvertsBothWaysWithoutTheViewportOrigin) {
  screen(12);
  rt_window(0, 0, 100, 100, 1);
  struct { float value; int32_t kind; float expected; } cases[] = {
      {0, 0, 0},     {100, 0, 639},  {10, 0, 64},   {0, 1, 479},  {100, 1, 0},
      {10, 1, 431},  {639, 2, 100},  {0, 2, 0},     {479, 3, 0},  {0, 3, 100},
      {638.6f, 2, 100},  // the pixel is taken to the nearest integer first
  };
  for (auto &c : cases)
    EXPECT_NEAR(rt_pmap(c.value, c.kind), c.expected, 1e-3) << c.value << " kind " << c.kind;
  // Round trip of every tenth world column.
  for (int32_t x = 0; x <= 100; x += 10)
    EXPECT_NEAR(rt_pmap(rt_pmap(static_cast<float>(x), 0), 2), x, 0.1);

  // Under a viewport the origin takes no part: PMAP reports viewport-relative pixels.
  rt_window(0, 0, 0, 0, 0);
  rt_view(100, 100, 199, 199, 0, 0, 1);
  EXPECT_EQ(rt_pmap(10, 0), 10);
  rt_window(0, 0, 99, 99, 1);
  EXPECT_EQ(rt_pmap(0, 1), 99);
  EXPECT_EQ(rt_pmap(99, 0), 99);
  EXPECT_EQ(take_error(), 0);

  for (int32_t kind : {-1, 4, 100}) {
    EXPECT_EQ(rt_pmap(1, kind), 0);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << kind;
  }
}

TEST_F(CoordinateTest, ViewClipsAndMovesTheOrigin) {
  screen(12);
  rt_view(100, 100, 199, 149, 0, 0, 1);
  EXPECT_EQ(dest_image->coord_state, 1);
  expect_points_land({{0, 0, 100, 100}, {99, 49, 199, 149}, {5, 6, 105, 106}}, "VIEW");

  // Points outside the viewport draw nothing and raise nothing, but the pen moves.
  rect_fill(0, 0, 639, 479, 0);
  struct { float x, y; } outside[] = {{100, 0}, {-1, 0}, {0, -1}, {0, 50}, {-100, -100}, {539, 379}};
  for (auto &p : outside) {
    rt_pset(p.x, p.y, 9, 2);
    EXPECT_EQ(dest_image->pen_x, p.x);
    EXPECT_EQ(dest_image->pen_y, p.y);
  }
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(lit_pixels(), 0);

  // Corners in any order give the same viewport.
  rt_view(199, 149, 100, 100, 0, 0, 1);
  EXPECT_EQ(dest_image->clip_left, 100);
  EXPECT_EQ(dest_image->clip_top, 100);
  EXPECT_EQ(dest_image->clip_right, 199);
  EXPECT_EQ(dest_image->clip_bottom, 149);

  // VIEW SCREEN clips the same way but keeps absolute coordinates.
  rt_view(100, 100, 199, 149, 0, 0, 1 | 2);
  expect_points_land({{100, 100, 100, 100}, {199, 149, 199, 149}}, "VIEW SCREEN");
  rect_fill(0, 0, 639, 479, 0);
  rt_pset(50, 50, 9, 2);
  rt_pset(200, 100, 9, 2);
  EXPECT_EQ(lit_pixels(), 0);

  // VIEW without corners gives back the whole page.
  dest_image->turtle_angle = 90;
  rt_view(0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(dest_image->coord_state, 0);
  EXPECT_EQ(dest_image->turtle_angle, 0);
  expect_points_land({{0, 0, 0, 0}, {639, 479, 639, 479}}, "VIEW reset");
}

TEST_F(CoordinateTest, ViewFillAndBorder) {
  screen(12);
  rt_view(10, 10, 19, 19, 2, 4, 1 | 4 | 8);
  for (int32_t y = 8; y <= 21; y++)
    for (int32_t x = 8; x <= 21; x++) {
      uint32_t expected = 0;
      if (x >= 10 && x <= 19 && y >= 10 && y <= 19) expected = 2;
      else if (x >= 9 && x <= 20 && y >= 9 && y <= 20) expected = 4;
      EXPECT_EQ(pixel(x, y), expected) << x << "," << y;
    }
  EXPECT_EQ(lit_pixels(), 100 + 44);

  // A border at the edge of the page is drawn only where it lies inside.
  rect_fill(0, 0, 639, 479, 0);
  rt_view(0, 0, 9, 9, 0, 4, 1 | 8);
  EXPECT_EQ(pixel(10, 0), 4u);
  EXPECT_EQ(pixel(0, 10), 4u);
  EXPECT_EQ(pixel(10, 10), 4u);
  EXPECT_EQ(lit_pixels(), 21);
  rect_fill(0, 0, 639, 479, 0);
  rt_view(0, 0, 639, 479, 0, 4, 1 | 8);
  EXPECT_EQ(lit_pixels(), 0);
  EXPECT_EQ(take_error(), 0);
}

TEST_F(CoordinateTest, ViewErrorsLeaveTheViewportAlone) {
  screen(12);
  rt_view(10, 10, 20, 20, 0, 0, 1);
  struct { int32_t x1, y1, x2, y2, passed; } bad[] = {
      {0, 0, 640, 10, 1}, {0, 0, 10, 480, 1}, {-1, 0, 10, 10, 1}, {0, -1, 10, 10, 1},
      {0, 0, 0, 0, 2},    {0, 0, 0, 0, 4},    {0, 0, 0, 0, 8},     {0, 0, 0, 0, 2 | 4},
  };
  for (auto &b : bad) {
    rt_view(b.x1, b.y1, b.x2, b.y2, 3, 3, b.passed);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << b.x1 << "," << b.x2 << " " << b.passed;
    EXPECT_EQ(dest_image->clip_left, 10);
    EXPECT_EQ(dest_image->clip_right, 20);
    EXPECT_EQ(dest_image->coord_state, 1);
  }
  EXPECT_EQ(lit_pixels(), 0);
}

// The same window and viewport map alike whichever statement came first, and a viewport
// change under WINDOW refits the world to it.
TEST_F(CoordinateTest, ViewAndWindowCombineInEitherOrder) {
  const std::vector<MappedPoint> corners = {
      {0, 0, 100, 249}, {199, 199, 299, 50}, {0, 199, 100, 50}, {199, 0, 299, 249}};
  screen(12);
  rt_view(100, 50, 299, 249, 0, 0, 1);
  rt_window(0, 0, 199, 199, 1);
  expect_points_land(corners, "VIEW then WINDOW");

  screen(0);
  screen(12);
  rt_window(0, 0, 199, 199, 1);
  rt_view(100, 50, 299, 249, 0, 0, 1);
  expect_points_land(corners, "WINDOW then VIEW");

  rt_window(0, 0, 199, 199, 1 | 2);
  expect_points_land({{0, 0, 100, 50}, {199, 199, 299, 249}}, "WINDOW SCREEN in a viewport");

  // Back to the whole page: the world window now spans it.
  rt_view(0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(dest_image->coord_state, 2);
  expect_points_land({{0, 0, 0, 0}, {199, 199, 639, 479}}, "WINDOW SCREEN after VIEW reset");
}

TEST_F(CoordinateTest, WindowKeepsThePenInPlace) {
  screen(12);
  rt_pset(320, 240, 1, 2);
  rt_window(0, 0, 639, 479, 1);  // upward y over the whole page
  EXPECT_EQ(dest_image->pen_x, 320);
  EXPECT_EQ(dest_image->pen_y, 239);
  EXPECT_EQ(rt_point(0, 0, 0), 320);
  EXPECT_EQ(rt_point(1, 0, 0), 240);
  rt_window(0, 0, 0, 0, 0);  // back to pixels: the pen is the same pixel
  EXPECT_EQ(dest_image->coord_state, 0);
  EXPECT_EQ(dest_image->pen_x, 320);
  EXPECT_EQ(dest_image->pen_y, 240);

  // WINDOW SCREEN over exactly the page is no window at all.
  rt_window(0, 0, 639, 479, 1 | 2);
  EXPECT_EQ(dest_image->coord_state, 0);
  EXPECT_EQ(dest_image->world_scale_x, 1);
  EXPECT_EQ(dest_image->pen_y, 240);
  // Without corners under a viewport the viewport stays in force.
  rt_view(10, 10, 20, 20, 0, 0, 1);
  rt_window(0, 0, 50, 50, 1);
  rt_window(0, 0, 0, 0, 0);
  EXPECT_EQ(dest_image->coord_state, 1);
  EXPECT_EQ(dest_image->world_x2, 639);
  EXPECT_EQ(take_error(), 0);
}

TEST_F(CoordinateTest, WindowErrors) {
  screen(12);
  rt_window(0, 0, 100, 100, 1);
  struct { float x1, y1, x2, y2; int32_t passed; } bad[] = {
      {5, 0, 5, 10, 1}, {0, 7, 10, 7, 1}, {5, 0, 5, 10, 3}, {0, 0, 0, 0, 2}};
  for (auto &b : bad) {
    rt_window(b.x1, b.y1, b.x2, b.y2, b.passed);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
    EXPECT_EQ(dest_image->coord_state, 2);
    EXPECT_EQ(dest_image->world_x2, 100);
  }
}

TEST_F(CoordinateTest, GraphicsStatementsRefuseTextImages) {
  ASSERT_TRUE(dest_image->is_text);
  float pen_x = dest_image->pen_x;
  const auto *cells = static_cast<const uint8_t *>(dest_image->pixels);
  const std::vector<uint8_t> cells_before(cells, cells + dest_image->size_x * dest_image->size_y * 2);
  rt_pset(1, 1, 1, 2);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  rt_preset(1, 1, 0, 0);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  rt_view(0, 0, 5, 5, 0, 0, 1);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  rt_window(0, 0, 5, 5, 1);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(rt_pmap(1, 0), 0);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(rt_point(1, 1, 1), 0);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(rt_point(0, 0, 0), 0);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(dest_image->pen_x, pen_x);
  EXPECT_TRUE(std::equal(cells_before.begin(), cells_before.end(), cells));
}

TEST_F(CoordinateTest, ClippedPixelAndBoxFill) {
  screen(12);
  rt_view(10, 10, 19, 19, 0, 0, 1 | 2);
  pixel_put(9, 10, 5);
  pixel_put(10, 20, 5);
  EXPECT_EQ(lit_pixels(), 0);
  pixel_put(19, 19, 5);
  EXPECT_EQ(pixel(19, 19), 5u);
  pixel_put_raw(0, 0, 5);  // the raw write does not look at the viewport
  EXPECT_EQ(pixel(0, 0), 5u);

  rect_fill(0, 0, 639, 479, 0);
  box_fill_mapped(100, 100, 0, 0, 3);  // clipped to the viewport, corners in any order
  EXPECT_EQ(lit_pixels(), 100);
  EXPECT_EQ(pixel(10, 10), 3u);
  EXPECT_EQ(pixel(19, 19), 3u);
  rect_fill(0, 0, 639, 479, 0);
  box_fill_mapped(30, 30, 40, 40, 3);  // wholly outside
  box_fill_mapped(0, 0, 9, 100, 3);
  EXPECT_EQ(lit_pixels(), 0);
  box_fill_mapped(12.4f, 12.6f, 13.5f, 14.5f, 3);  // nearest, ties to even: 12..14 x 13..14
  EXPECT_EQ(lit_pixels(), 6);
  EXPECT_EQ(pixel(12, 13), 3u);
  EXPECT_EQ(pixel(14, 14), 3u);
}

TEST_F(CoordinateTest, FarAndInvalidCoordinatesDrawNothing) {
  screen(12);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  float far[][2] = {{1e30f, 1e30f}, {-1e30f, 5}, {5, -3e9f}, {inf, 0}, {0, -inf}, {nan, 0}, {0, nan}};
  for (auto &p : far) {
    rt_pset(p[0], p[1], 9, 2);
    EXPECT_EQ(rt_point(p[0], p[1], 1), -1);
    box_fill_mapped(p[0], p[1], p[0], p[1], 9);
  }
  rt_window(-1e-3f, -1e-3f, 1e-3f, 1e-3f, 1);
  rt_pset(1e30f, 1e30f, 9, 2);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(lit_pixels(), 0);
  EXPECT_EQ(coord_round(2.5f), 2);
  EXPECT_EQ(coord_round(3.5f), 4);
  EXPECT_EQ(coord_round(-2.5f), -2);
}

}  // namespace

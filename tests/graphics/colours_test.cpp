// Colour values and components for images of every kind, the nearest palette entry, the
// blending switches, the transparent colour and the alpha setting of 32-bit images.
#include <string>

#include "tests/graphics/graphics_fixture.h"

namespace {

using ColourTest = GraphicsTest;

// A destination of the given kind: a SCREEN mode, or -32 for a 64 x 48 32-bit image.
void select(int32_t kind) {
  if (kind == -32) {
    int32_t index = image_create(64, 48, 32);
    dest_index = source_index = index;
    image_pointers_refresh();
  } else {
    rt_screen(kind, 0, 0, 0, 0, 1);
  }
}

TEST_F(ColourTest, RgbGivesTheNearestPaletteEntryOrA32BitValue) {
  struct { int32_t kind, r, g, b; uint32_t expected; } cases[] = {
      {12, 255, 0, 0, 4},        // AA0000 at 85 beats FF5555 at 170
      {12, 0, 0, 0x55, 0},       // 000000 and 0000AA both at 85: the first wins
      {12, 0x55, 0x55, 0x55, 8}, // exact
      {12, 0xAA, 0x55, 0, 6},
      {12, 255, 255, 255, 15},
      {12, 300, -5, 0, 4},       // components clamped to 0..255
      {13, 0x82, 0x82, 0x82, 25},  // the grey ramp
      {13, 0, 0, 0, 0},          // the first exact entry, not the black tail
      {13, 255, 255, 255, 15},
      {13, 0x41, 0, 0xFF, 33},   // first hue run, hue 1: (41, 00, FF)
      {0, 255, 0, 0, 4},         // text screens choose among sixteen colours
      {0, 0xFF, 0xFF, 0x55, 14},
      {2, 200, 200, 200, 1},
      {2, 50, 50, 50, 0},
      {1, 0xAA, 0xAA, 0xAA, 3},
      {-32, 255, 0, 0, 0xFFFF0000},
      {-32, 300, -5, 128, 0xFFFF0080},
      {-32, 1, 2, 3, 0xFF010203},
  };
  for (auto &c : cases) {
    select(c.kind);
    EXPECT_EQ(rt_rgb(c.r, c.g, c.b, 0, 0), c.expected)
        << "kind " << c.kind << ": " << c.r << "," << c.g << "," << c.b;
  }
  EXPECT_EQ(take_error(), 0);
}

TEST_F(ColourTest, RgbaAndTheTransparentColourOfPaletteImages) {
  select(-32);
  int32_t img32 = dest_index;
  EXPECT_EQ(rt_rgba(1, 2, 3, 4, 0, 0), 0x04010203u);
  EXPECT_EQ(rt_rgba(1, 2, 3, 999, 0, 0), 0xFF010203u);
  EXPECT_EQ(rt_rgba(1, 2, 3, -7, 0, 0), 0x00010203u);

  select(12);
  EXPECT_EQ(rt_rgba(255, 0, 0, 0, 0, 0), 4u);  // no transparent colour: nearest entry
  rt_set_clear_color(3, 0, 2);
  EXPECT_EQ(rt_rgba(255, 0, 0, 0, 0, 0), 3u);  // alpha 0 names the transparent colour
  EXPECT_EQ(rt_rgba(255, 0, 0, 1, 0, 0), 4u);
  EXPECT_EQ(rt_rgb(255, 0, 0, 0, 0), 4u);

  // A handle chooses the image; without one the destination is meant.
  EXPECT_EQ(rt_rgb(255, 0, 0, -img32, 1), 0xFFFF0000u);
  EXPECT_EQ(rt_rgba(255, 0, 0, 0x80, -img32, 1), 0x80FF0000u);
  EXPECT_EQ(rt_rgb(255, 0, 0, 1, 1), 4u);  // page 1, made on first use
  EXPECT_NE(page_list[1], 0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(rt_rgb(255, 0, 0, -999, 1), 0u);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
  EXPECT_EQ(rt_rgba(255, 0, 0, 0, -1, 1), 0u);  // index 1 is never handed out
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
}

TEST_F(ColourTest, ThirtyTwoBitForms) {
  EXPECT_EQ(rt_rgb32(255, 128, 0), 0xFFFF8000u);
  EXPECT_EQ(rt_rgb32(-1, 256, 7), 0xFF00FF07u);
  EXPECT_EQ(rt_rgba32(1, 2, 3, 4), 0x04010203u);
  EXPECT_EQ(rt_rgba32(1, 2, 3, 1000), 0xFF010203u);
  EXPECT_EQ(rt_alpha32(0x80112233), 0x80);
  EXPECT_EQ(rt_red32(0x80112233), 0x11);
  EXPECT_EQ(rt_green32(0x80112233), 0x22);
  EXPECT_EQ(rt_blue32(0x80112233), 0x33);
  // The same on the text screen: these forms look at no image.
  ASSERT_TRUE(dest_image->is_text);
  EXPECT_EQ(rt_rgb32(255, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(take_error(), 0);
}

TEST_F(ColourTest, ComponentsOfColours) {
  struct { int32_t kind; uint32_t colour; int32_t alpha, red, green, blue; } cases[] = {
      {-32, 0x80112233, 0x80, 0x11, 0x22, 0x33},
      {-32, 4, 0, 0, 0, 4},
      {12, 4, 255, 0xAA, 0, 0},
      {12, 14, 255, 0xFF, 0xFF, 0x55},
      {13, 25, 255, 0x82, 0x82, 0x82},
      {13, 255, 255, 0, 0, 0},
      {0, 12, 255, 0xFF, 0x55, 0x55},
      {2, 1, 255, 0xFF, 0xFF, 0xFF},
      {1, 2, 255, 0xAA, 0, 0xAA},
  };
  for (auto &c : cases) {
    select(c.kind);
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " colour " + std::to_string(c.colour));
    EXPECT_EQ(rt_alpha(c.colour, 0, 0), c.alpha);
    EXPECT_EQ(rt_red(c.colour, 0, 0), c.red);
    EXPECT_EQ(rt_green(c.colour, 0, 0), c.green);
    EXPECT_EQ(rt_blue(c.colour, 0, 0), c.blue);
    EXPECT_EQ(take_error(), 0);
  }
  // Colours beyond the image's mask (sixteen on a text screen) are refused.
  struct { int32_t kind; uint32_t colour; } beyond[] = {
      {12, 16}, {13, 256}, {0, 16}, {2, 2}, {1, 4}, {12, 0xFFFFFFFF}};
  for (auto &b : beyond) {
    select(b.kind);
    for (auto fn : {rt_alpha, rt_red, rt_green, rt_blue}) {
      EXPECT_EQ(fn(b.colour, 0, 0), 0);
      EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << b.kind << " " << b.colour;
    }
  }
  // The transparent colour has alpha 0.
  select(12);
  rt_set_clear_color(4, 0, 2);
  EXPECT_EQ(rt_alpha(4, 0, 0), 0);
  EXPECT_EQ(rt_alpha(5, 0, 0), 255);
  EXPECT_EQ(rt_red(4, 0, 0), 0xAA);
  // By handle.
  int32_t img32 = image_create(2, 2, 32);
  EXPECT_EQ(rt_red(0x00ABCDEF, -img32, 1), 0xAB);
  EXPECT_EQ(rt_red(0x00ABCDEF, -999, 1), 0);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
}

TEST_F(ColourTest, PaletteNearestFollowsTheCurrentPalette) {
  select(12);
  dest_image->palette[9] = 0x123456;
  EXPECT_EQ(palette_nearest(0x12, 0x34, 0x56, dest_image), 9);
  EXPECT_EQ(palette_nearest(0x13, 0x34, 0x56, dest_image), 9);
  // Entries beyond the mask are not candidates.
  dest_image->palette[20] = 0x654321;
  EXPECT_NE(palette_nearest(0x65, 0x43, 0x21, dest_image), 20);
}

TEST_F(ColourTest, BlendingSwitches) {
  select(-32);
  int32_t img = dest_index;
  EXPECT_EQ(rt_blending(0, 0), -1);
  rt_dont_blend(0, 0);
  EXPECT_EQ(rt_blending(-img, 1), 0);
  EXPECT_EQ(dest_image->blend_off, 1);
  set_pixel32(0, 0, 0xFF000000);
  rt_pset(0, 0, 0x80FF0000, 2);
  EXPECT_EQ(pixel(0, 0), 0x80FF0000u);
  rt_blend(-img, 1);
  EXPECT_EQ(rt_blending(0, 0), -1);
  set_pixel32(0, 0, 0xFF000000);
  rt_pset(0, 0, 0x80FF0000, 2);
  EXPECT_EQ(pixel(0, 0), 0xFF7F0000u);
  EXPECT_EQ(take_error(), 0);

  for (int32_t kind : {12, 0}) {
    select(kind);
    rt_dont_blend(0, 0);  // nothing on images that do not blend
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(rt_blending(0, 0), 0);
    rt_blend(0, 0);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << kind;
  }
  rt_blend(-999, 1);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
  rt_dont_blend(-999, 1);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
  EXPECT_EQ(rt_blending(-999, 1), 0);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
}

TEST_F(ColourTest, TransparentColourForms) {
  // Text screens: only the NONE form, which changes nothing.
  rt_set_clear_color(0, 0, 1);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(rt_clear_color(0, 0), -1);
  for (int32_t passed : {2, 3, 0}) {
    rt_set_clear_color(5, 0, passed);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << passed;
  }

  select(12);
  EXPECT_EQ(rt_clear_color(0, 0), -1);
  rt_set_clear_color(3, 0, 2);
  EXPECT_EQ(rt_clear_color(0, 0), 3);
  struct { uint32_t colour; int32_t passed; } bad[] = {{256, 2}, {0xFFFFFFFF, 2}, {3, 3}, {3, 0}};
  for (auto &b : bad) {
    rt_set_clear_color(b.colour, 0, b.passed);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << b.colour << " " << b.passed;
    EXPECT_EQ(rt_clear_color(0, 0), 3);
  }
  rt_set_clear_color(0, 0, 1);
  EXPECT_EQ(rt_clear_color(0, 0), -1);

  // 32-bit images: pixels of the colour's red, green and blue become fully transparent.
  int32_t img = image_create(4, 1, 32);
  Image *im = &image_table[img];
  auto *p = static_cast<uint32_t *>(im->pixels);
  p[0] = 0xFF102030;
  p[1] = 0x80102030;
  p[2] = 0xFF405060;
  p[3] = 0xFF102031;
  rt_set_clear_color(0x12102030, -img, 2 | 4);
  EXPECT_EQ(p[0], 0x00102030u);
  EXPECT_EQ(p[1], 0x00102030u);
  EXPECT_EQ(p[2], 0xFF405060u);
  EXPECT_EQ(p[3], 0xFF102031u);
  EXPECT_EQ(rt_clear_color(-img, 1), 0);
  rt_set_clear_color(0, -img, 1 | 4);  // NONE: nothing to undo
  EXPECT_EQ(p[0], 0x00102030u);
  for (int32_t passed : {4, 1 | 2 | 4}) {
    rt_set_clear_color(0x405060, -img, passed);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << passed;
  }
  EXPECT_EQ(p[2], 0xFF405060u);
  // A transparent colour drawn with blending leaves the pixel as it was.
  use(img);
  rt_pset(2, 0, rt_rgba(1, 2, 3, 0, 0, 0), 2);
  EXPECT_EQ(p[2], 0xFF405060u);
  rt_set_clear_color(1, -999, 2 | 4);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
  EXPECT_EQ(rt_clear_color(-999, 1), 0);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
}

TEST_F(ColourTest, SetAlpha) {
  int32_t img = image(4, 1, 32);
  auto *p = static_cast<uint32_t *>(dest_image->pixels);
  const uint32_t start[4] = {0xFF102030, 0x80102030, 0xFF405060, 0xFF102031};
  struct {
    const char *name;
    int32_t alpha;
    uint32_t c1, c2;
    int32_t passed;  // 1 colour 1, 2 handle, 4 colour 2
    uint32_t result[4];
  } cases[] = {
      {"one colour", 0x40, 0xFF102030, 0, 1 | 2, {0x40102030, 0x80102030, 0xFF405060, 0xFF102031}},
      {"two equal", 0x40, 0xFF102030, 0xFF102030, 1 | 2 | 4,
       {0x40102030, 0x80102030, 0xFF405060, 0xFF102031}},
      {"a range", 0x11, 0x80102030, 0xFF102031, 1 | 4,
       {0x11102030, 0x11102030, 0xFF405060, 0x11102031}},
      {"a range given high first", 0x11, 0xFF102031, 0x80102030, 1 | 2 | 4,
       {0x11102030, 0x11102030, 0xFF405060, 0x11102031}},
      {"colour 1 alone matches exactly", 0x22, 0xFF000000, 0xFFFFFFFF, 1,
       {0xFF102030, 0x80102030, 0xFF405060, 0xFF102031}},
      {"the second colour alone", 0x22, 0, 0xFF405060, 4,
       {0xFF102030, 0x80102030, 0x22405060, 0xFF102031}},
      {"every pixel", 0x33, 0, 0, 2, {0x33102030, 0x33102030, 0x33405060, 0x33102031}},
  };
  for (auto &c : cases) {
    for (int i = 0; i < 4; i++) p[i] = start[i];
    rt_set_alpha(c.alpha, c.c1, c.c2, -img, c.passed);
    EXPECT_EQ(take_error(), 0) << c.name;
    for (int i = 0; i < 4; i++) EXPECT_EQ(p[i], c.result[i]) << c.name << " pixel " << i;
  }
  // The wide range test: every byte within the bounds of the two colours.
  for (int i = 0; i < 4; i++) p[i] = start[i];
  rt_set_alpha(0x55, 0x00000000, 0xFF3F5F5F, -img, 1 | 2 | 4);
  EXPECT_EQ(p[0], 0x55102030u);
  EXPECT_EQ(p[2], 0xFF405060u);  // red 40 is above 3F

  for (int i = 0; i < 4; i++) p[i] = start[i];
  for (int32_t alpha : {256, -1}) {
    rt_set_alpha(alpha, 0, 0, 0, 0);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << alpha;
  }
  select(12);
  rt_set_alpha(0, 0, 0, 0, 0);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
  rt_set_alpha(0, 0, 0, -999, 2);
  EXPECT_EQ(take_error(), ERR_INVALID_HANDLE);
  for (int i = 0; i < 4; i++) EXPECT_EQ(p[i], start[i]);
}

}  // namespace

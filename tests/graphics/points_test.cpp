// PSET, PRESET and POINT in every pixel format, blending of 32-bit pixels through PSET, the
// pen and POINT(n), and every graphics operation doing nothing while an error is pending.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/graphics/graphics_fixture.h"

namespace {

using PointTest = GraphicsTest;

struct FormatCase {
  const char *name;
  int32_t mode;            // SCREEN mode, or 32 / 256 for an off-screen image
  uint32_t fore, back;     // the mode's default colours
  uint32_t colour;         // an explicit colour ...
  uint32_t stored;         // ... and what the pixel keeps of it
};

const FormatCase FORMATS[] = {
    {"1 bit (SCREEN 2)", 2, 1, 0, 6, 0},
    {"1 bit (SCREEN 11)", 11, 1, 0, 7, 1},
    {"2 bits (SCREEN 1)", 1, 3, 0, 6, 2},
    {"4 bits (SCREEN 12)", 12, 15, 0, 300, 12},
    {"4 bits (SCREEN 7)", 7, 15, 0, 0x1F, 15},
    {"8 bits (SCREEN 13)", 13, 15, 0, 300, 44},
    {"8 bits (image)", 256, 15, 0, 0x1FF, 255},
    {"32 bits (image)", 32, 0xFFFFFFFF, 0xFF000000, 0xFF123456, 0xFF123456},
};

void select_format(const FormatCase &f) {
  if (f.mode == 32 || f.mode == 256) {
    int32_t index = image_create(64, 48, f.mode);
    dest_index = source_index = index;
    image_pointers_refresh();
  } else {
    rt_screen(f.mode, 0, 0, 0, 0, 1);
  }
}

TEST_F(PointTest, EveryPixelFormatStoresTheMaskedColour) {
  for (const FormatCase &f : FORMATS) {
    SCOPED_TRACE(f.name);
    select_format(f);
    Image *d = dest_image;
    // Background first so that PRESET's default shows on a lit pixel.
    rect_fill(0, 0, d->size_x - 1, d->size_y - 1, f.fore);

    rt_pset(3, 4, f.colour, 2);
    EXPECT_EQ(d->draw_colour, f.colour);
    rt_pset(5, 4, 0, 0);  // default: the foreground colour
    EXPECT_EQ(d->draw_colour, f.fore);
    rt_preset(6, 4, 0, 0);  // default: the background colour
    EXPECT_EQ(d->draw_colour, f.back);
    rt_preset(7, 4, f.colour, 2);

    EXPECT_EQ(rt_point(3, 4, 1), static_cast<double>(f.stored));
    EXPECT_EQ(rt_point(7, 4, 1), static_cast<double>(f.stored));
    EXPECT_EQ(rt_point(6, 4, 1), static_cast<double>(f.back));
    EXPECT_EQ(rt_point(5, 4, 1), static_cast<double>(f.fore & d->colour_mask));
    // The buffer holds the value itself: one byte per palette pixel, 32 bits otherwise.
    size_t at = 4u * d->size_x + 3;
    if (d->pixel_bytes == 1)
      EXPECT_EQ(static_cast<uint8_t *>(d->pixels)[at], f.stored);
    else
      EXPECT_EQ(static_cast<uint32_t *>(d->pixels)[at], f.stored);
    // Outside the image: nothing written, POINT reports -1.
    rt_pset(static_cast<float>(d->size_x), 0, f.colour, 2);
    rt_pset(-1, 0, f.colour, 2);
    EXPECT_EQ(rt_point(static_cast<float>(d->size_x), 0, 1), -1);
    EXPECT_EQ(rt_point(0, static_cast<float>(d->size_y), 1), -1);
    EXPECT_EQ(rt_point(-1, 0, 1), -1);
    EXPECT_EQ(take_error(), 0);
  }
}

TEST_F(PointTest, PsetBlendsThirtyTwoBitPixels) {
  image(4, 1, 32);
  struct { uint32_t old, colour; uint8_t blend_off; uint32_t result; } cases[] = {
      {0xFF000000, 0x80FF0000, 0, 0xFF7F0000},  // half alpha: average, opaque result
      {0xFF000000, 0x7FFF0000, 0, 0xFF7F0000},
      {0x00000000, 0x80FFFFFF, 0, 0x807F7F7F},  // over nothing the alpha is the colour's
      {0xFF00FF00, 0x33FF0000, 0, 0xFF33CC00},  // 20 %: 51 of red, 204 of the old green
      {0xFF123456, 0x00FFFFFF, 0, 0xFF123456},  // alpha 0 leaves the pixel alone
      {0xFF123456, 0xFFABCDEF, 0, 0xFFABCDEF},  // opaque replaces
      {0xFF123456, 0x00ABCDEF, 1, 0x00ABCDEF},  // blending off: every write replaces
      {0xFF000000, 0x80FF0000, 1, 0x80FF0000},
  };
  for (auto &c : cases) {
    dest_image->blend_off = c.blend_off;
    set_pixel32(1, 0, c.old);
    rt_pset(1, 0, c.colour, 2);
    EXPECT_EQ(pixel(1, 0), c.result) << std::hex << c.colour << " over " << c.old;
    // POINT hands 32-bit values back unsigned.
    EXPECT_EQ(rt_point(1, 0, 1), static_cast<double>(c.result));
  }
}

TEST_F(PointTest, StepMovesFromThePenAndPointReportsIt) {
  screen(12);
  EXPECT_EQ(rt_point(2, 0, 0), 320);  // a new page's pen is its centre
  EXPECT_EQ(rt_point(3, 0, 0), 240);
  rt_pset(10, 20, 0, 0);
  rt_pset(5, -3, 2, 1 | 2);  // STEP
  EXPECT_EQ(pixel(15, 17), 2u);
  rt_preset(1.5f, 0, 0, 1);
  EXPECT_EQ(dest_image->pen_x, 16.5f);
  struct { float n; double value; } plain[] = {{0, 16}, {1, 17}, {2, 16.5}, {3, 17}, {1.4f, 17}, {2.6f, 17}};
  for (auto &c : plain) EXPECT_EQ(rt_point(c.n, 0, 0), c.value) << c.n;

  // Under a viewport POINT(0) and POINT(1) leave the origin out.
  rt_view(100, 100, 199, 199, 0, 0, 1);
  rt_pset(5, 6, 3, 2);
  EXPECT_EQ(pixel(105, 106), 3u);
  EXPECT_EQ(rt_point(0, 0, 0), 5);
  EXPECT_EQ(rt_point(1, 0, 0), 6);
  // Under WINDOW they give the pixel, POINT(2) and POINT(3) the world point.
  rt_view(0, 0, 0, 0, 0, 0, 0);
  rt_window(0, 0, 100, 100, 1);
  rt_pset(10, 10, 3, 2);
  struct { float n; double value; } world[] = {{0, 64}, {1, 431}, {2, 10}, {3, 10}};
  for (auto &c : world) EXPECT_EQ(rt_point(c.n, 0, 0), c.value) << c.n;
  EXPECT_EQ(take_error(), 0);
  for (float n : {4.0f, -1.0f, 3.6f}) {
    EXPECT_EQ(rt_point(n, 0, 0), 0);
    EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL) << n;
  }
}

TEST_F(PointTest, PointReadsTheSourceWithItsOwnCoordinates) {
  screen(12);
  int32_t page = dest_index;
  rt_pset(105, 106, 7, 2);
  rt_pset(5, 6, 9, 2);
  rt_view(100, 100, 199, 199, 0, 0, 1);  // the source's viewport
  EXPECT_EQ(rt_point(5, 6, 1), 7);
  EXPECT_EQ(rt_point(100, 0, 1), -1);  // inside the page, outside the viewport
  EXPECT_EQ(rt_point(-1, 0, 1), -1);

  // A different destination does not change how the source is read.
  int32_t other = image_create(320, 200, 13);
  dest_index = other;
  image_pointers_refresh();
  EXPECT_EQ(rt_point(5, 6, 1), 7);
  dest_index = page;
  source_index = other;
  image_pointers_refresh();
  EXPECT_EQ(rt_point(5, 6, 1), 0);
  EXPECT_EQ(rt_point(319, 199, 1), 0);
  EXPECT_EQ(rt_point(320, 0, 1), -1);
  // A text source refuses.
  rt_screen(0, 0, 0, 0, 0, 1);
  ASSERT_TRUE(source_image->is_text);
  EXPECT_EQ(rt_point(1, 1, 1), 0);
  EXPECT_EQ(take_error(), ERR_ILLEGAL_FUNCTION_CALL);
}

// Every statement does nothing and every function gives 0 while an error is pending.
TEST_F(PointTest, NothingHappensWhileAnErrorIsPending) {
  int32_t img = image(16, 16, 32);
  int32_t handle = -img;
  set_pixel32(0, 0, 0xFF102030);
  std::vector<uint32_t> pixels_before(static_cast<uint32_t *>(dest_image->pixels),
                                      static_cast<uint32_t *>(dest_image->pixels) + 256);
  unsigned char record_before[sizeof(Image)];
  std::memcpy(record_before, dest_image, sizeof(Image));

  struct Statement {
    const char *name;
    std::function<void()> run;
  };
  const Statement statements[] = {
      {"PSET", [] { rt_pset(1, 1, 0xFFFFFFFF, 2); }},
      {"PRESET", [] { rt_preset(1, 1, 0, 1); }},
      {"VIEW", [] { rt_view(1, 1, 5, 5, 0xFFFFFFFF, 0xFFFFFFFF, 1 | 4 | 8); }},
      {"VIEW reset", [] { rt_view(0, 0, 0, 0, 0, 0, 0); }},
      {"WINDOW", [] { rt_window(0, 0, 10, 10, 1); }},
      {"blend", [=] { rt_blend(handle, 1); }},
      {"dont blend", [=] { rt_dont_blend(handle, 1); }},
      {"clear colour", [=] { rt_set_clear_color(0x102030, handle, 2 | 4); }},
      {"set alpha", [=] { rt_set_alpha(0, 0, 0, handle, 2); }},
      {"set alpha of a bad handle", [] { rt_set_alpha(0, 0, 0, -999, 2); }},
  };
  for (const Statement &s : statements) {
    pending_error = ERR_OVERFLOW;
    s.run();
    EXPECT_EQ(pending_error.load(), static_cast<uint32_t>(ERR_OVERFLOW)) << s.name;
    EXPECT_TRUE(std::equal(pixels_before.begin(), pixels_before.end(),
                           static_cast<uint32_t *>(dest_image->pixels)))
        << s.name;
    EXPECT_EQ(std::memcmp(record_before, dest_image, sizeof(Image)), 0) << s.name;
  }

  struct Function {
    const char *name;
    std::function<double()> run;
  };
  const Function functions[] = {
      {"POINT(x, y)", [] { return rt_point(0, 0, 1); }},
      {"POINT(n)", [] { return rt_point(2, 0, 0); }},
      {"PMAP", [] { return rt_pmap(5, 0); }},
      {"RGB", [] { return rt_rgb(1, 2, 3, 0, 0); }},
      {"RGBA", [] { return rt_rgba(1, 2, 3, 4, 0, 0); }},
      {"RGB32", [] { return rt_rgb32(1, 2, 3); }},
      {"RGBA32", [] { return rt_rgba32(1, 2, 3, 4); }},
      {"RED", [] { return rt_red(0xFFFFFFFF, 0, 0); }},
      {"GREEN", [] { return rt_green(0xFFFFFFFF, 0, 0); }},
      {"BLUE", [] { return rt_blue(0xFFFFFFFF, 0, 0); }},
      {"ALPHA", [] { return rt_alpha(0xFFFFFFFF, 0, 0); }},
      {"RED32", [] { return rt_red32(0xFFFFFFFF); }},
      {"GREEN32", [] { return rt_green32(0xFFFFFFFF); }},
      {"BLUE32", [] { return rt_blue32(0xFFFFFFFF); }},
      {"ALPHA32", [] { return rt_alpha32(0xFFFFFFFF); }},
      {"BLENDING", [] { return rt_blending(0, 0); }},
      {"CLEAR COLOR", [] { return rt_clear_color(-999, 1); }},
  };
  for (const Function &f : functions) {
    pending_error = ERR_OVERFLOW;
    EXPECT_EQ(f.run(), 0) << f.name;
    EXPECT_EQ(pending_error.load(), static_cast<uint32_t>(ERR_OVERFLOW)) << f.name;
  }
}

}  // namespace

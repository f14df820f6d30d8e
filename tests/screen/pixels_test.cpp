// Raw pixel writes and reads: palette masks, the alpha-blending rule of 32-bit images,
// rectangle fills; image reset and fonts of images; PRINT to the console image.
#include <gtest/gtest.h>

#include <string>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "tests/support/screen_text.h"

namespace {

class PixelTest : public ::testing::Test {
 protected:
  void SetUp() override { screen_test_startup(); }
  static void use(int32_t index) {
    dest_index = source_index = index;
    image_pointers_refresh();
  }
};

TEST_F(PixelTest, PaletteWritesKeepOnlyTheMaskBits) {
  rt_screen(12, 0, 0, 0, 0, 1);
  pixel_put_raw(5, 6, 300);
  EXPECT_EQ(pixel_get(5, 6), 12u);
  EXPECT_EQ(static_cast<uint8_t *>(dest_image->pixels)[6 * 640 + 5], 12);
  rt_screen(1, 0, 0, 0, 0, 1);
  pixel_put_raw(0, 0, 7);
  EXPECT_EQ(pixel_get(0, 0), 3u);
}

TEST_F(PixelTest, BlendingRule) {
  int32_t img = image_create(4, 1, 32);
  use(img);
  auto *px = static_cast<uint32_t *>(dest_image->pixels);
  struct { uint32_t old, colour, result; } cases[] = {
      {0xFF000000, 0x80FF0000, 0xFF7F0000},  // half: per-channel average, alpha over
      {0xFF000000, 0x7FFF0000, 0xFF7F0000},
      {0xFF123456, 0x00FFFFFF, 0xFF123456},  // alpha 0: untouched
      {0xFF123456, 0xFFABCDEF, 0xFFABCDEF},  // opaque: replaced
      {0xFF000000, 0x40FF0000, 0xFF400000},  // 64/255 of 255 = 64
      {0x00000000, 0x40FFFFFF, 0x40404040},  // alpha_over(0, 64) = 64
  };
  for (auto &c : cases) {
    px[0] = c.old;
    pixel_put_raw(0, 0, c.colour);
    EXPECT_EQ(px[0], c.result) << std::hex << c.old << " + " << c.colour;
  }
  dest_image->blend_off = 1;
  pixel_put_raw(1, 0, 0x00ABCDEF);
  EXPECT_EQ(px[1], 0x00ABCDEFu);
  EXPECT_EQ(pixel_get(1, 0), 0x00ABCDEFu);
  EXPECT_EQ(alpha_over[64 * 256 + 255], 255);
  EXPECT_EQ(alpha_over[10 * 256 + 20], alpha_over[20 * 256 + 10]);
}

TEST_F(PixelTest, RectFillBlendsAndPlainFillReplaces) {
  int32_t img = image_create(8, 8, 32);
  use(img);
  auto *px = static_cast<uint32_t *>(dest_image->pixels);
  rect_fill(0, 0, 7, 7, 0xFF000000);
  rect_fill(2, 2, 3, 3, 0x80FF0000);
  EXPECT_EQ(px[2 * 8 + 2], 0xFF7F0000u);
  EXPECT_EQ(px[1 * 8 + 1], 0xFF000000u);
  image_fill_plain(dest_image, -5, -5, 100, 1, 0x10203040);  // clipped to the image
  EXPECT_EQ(px[0], 0x10203040u);
  EXPECT_EQ(px[1 * 8 + 7], 0x10203040u);
  EXPECT_EQ(px[2 * 8 + 2], 0xFF7F0000u);
}

TEST_F(PixelTest, ImageResetAndFonts) {
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_color(4, 2, 0, 3);
  dest_image->palette[3] = 0x123456;
  print_line("X");
  image_reset(dest_index);
  EXPECT_EQ(dest_image->fore_colour, 15u);
  EXPECT_EQ(dest_image->back_colour, 0u);
  EXPECT_EQ(dest_image->palette[3], vga_colours[3]);
  EXPECT_EQ(dest_image->cur_row, 1);
  EXPECT_EQ(dest_text(1, 1), "");
  image_set_font(8, dest_index);
  EXPECT_EQ(image_rows(dest_image), 60);
  EXPECT_EQ(dest_image->text_bottom, 59);
  print_line("EIGHT");
  EXPECT_EQ(dest_text(1, 1), "EIGHT");
  // SCREEN 12 from an 80 x 60 grid keeps font 8.
  rt_screen(11, 0, 0, 0, 0, 1);
  EXPECT_EQ(dest_image->font_id, 8);
  rt_screen(12, 0, 0, 0, 0, 1);
  EXPECT_EQ(dest_image->font_id, 8);
}

TEST_F(PixelTest, PrintToTheConsoleImageWritesStandardOutput) {
  int32_t img = image_create(80, 25, 0);
  image_table[img].is_console = 1;
  use(img);
  testing::internal::CaptureStdout();
  print_item(std::string("AB\0CD", 5));
  rt_print(blank_string, 1);
  print_item("E");
  print_next_zone();
  print_item("F");
  rt_print(blank_string, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "AB\nE F\n");
  EXPECT_EQ(screen_text(img, 1, 1), "");
}

}  // namespace

// The PRINT engine with a variable-width font (installed here through the loaded-font
// seams, as the font engine does): the column is a pixel position, characters wrap when
// their advance does not fit, tabs and zones fill to pixel stops.
#include <gtest/gtest.h>

#include <string>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "tests/support/screen_text.h"

namespace {

constexpr int32_t FONT = 32;

// Every character is 6 pixels wide, W is 10; a glyph paints a 1-pixel mark at its left
// edge on its first pixel row in the foreground colour.
int32_t advance(int32_t, uint32_t code) { return code == 'W' ? 10 : 6; }
void paint(Image *image, int32_t, uint32_t, int32_t x, int32_t y) {
  image_pixel_put(image, x, y, image->fore_colour);
}

class VariableFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_test_startup();
    rt_screen(12, 0, 0, 0, 0, 1);
    font_height[FONT] = 16;
    font_width[FONT] = 0;
    font_flags[FONT] = 0;
    loaded_font_advance = advance;
    loaded_font_paint = paint;
    image_set_font(FONT, dest_index);
  }
  void TearDown() override {
    loaded_font_advance = nullptr;
    loaded_font_paint = nullptr;
    font_height[FONT] = 0;
    pending_error = 0;
  }
  static uint8_t at(int x, int y) {
    return static_cast<uint8_t *>(dest_image->pixels)[y * 640 + x];
  }
};

TEST_F(VariableFontTest, ColumnIsPixelPlusOne) {
  print_item("AWB");
  EXPECT_EQ(at(0, 0), 15);
  EXPECT_EQ(at(6, 0), 15);
  EXPECT_EQ(at(16, 0), 15);
  EXPECT_EQ(dest_image->cur_col, 23);
  EXPECT_EQ(image_rows(dest_image), 30);
  EXPECT_EQ(image_columns(dest_image), 640);
  EXPECT_EQ(print_width(bstr_from_text("AWB", 3)), 22);
}

TEST_F(VariableFontTest, WrapsWhenTheAdvanceDoesNotFit) {
  print_item(std::string(106, 'x'));  // 636 pixels: the cursor is at x 636
  EXPECT_EQ(dest_image->cur_row, 1);
  EXPECT_EQ(dest_image->cur_col, 637);
  print_item("y");  // 6 more do not fit in 640: a new line first
  EXPECT_EQ(dest_image->cur_row, 2);
  EXPECT_EQ(at(0, 16), 15);
  EXPECT_EQ(dest_image->cur_col, 7);
}

TEST_F(VariableFontTest, FitCheckUsesPixelWidths) {
  rt_locate(1, 601, 0, 0, 0, 3);
  print_item("WWWW");  // 40 pixels from x 600 end exactly at the edge: no new line
  EXPECT_EQ(dest_image->cur_row, 1);
  EXPECT_EQ(at(630, 0), 15);
  EXPECT_EQ(dest_image->wrap_pending, 1);
  EXPECT_EQ(dest_image->cur_col, 640);
  rt_locate(1, 602, 0, 0, 0, 3);
  print_item("WWWW");  // from x 601 they would pass the edge: the item starts a new line
  EXPECT_EQ(dest_image->cur_row, 2);
  EXPECT_EQ(at(0, 16), 15);
  EXPECT_EQ(at(30, 16), 15);
}

TEST_F(VariableFontTest, TabStopsAndZonesArePixelPositions) {
  rt_cls(0, 0, 0);
  rt_color(15, 2, 0, 3);
  print_item("A\tB");  // A at 0, tab to 64, B at 64
  EXPECT_EQ(at(64, 0), 15);
  EXPECT_EQ(at(30, 5), 2);  // the tab filled the gap with the background
  EXPECT_EQ(dest_image->cur_col, 71);
  print_next_zone();  // x 70 -> zone 112
  EXPECT_EQ(dest_image->cur_col, 113);
  EXPECT_EQ(at(111, 8), 2);
  rt_locate(1, 600, 0, 0, 0, 3);
  print_next_zone();  // the next zone (672) is past the edge: fill the row, new line
  EXPECT_EQ(dest_image->cur_row, 2);
  EXPECT_EQ(dest_image->cur_col, 1);
  EXPECT_EQ(at(639, 15), 2);
}

TEST_F(VariableFontTest, TabAndSpcCountInSpaceWidths) {
  BasicString *t = rt_tab(61);  // from column 1: ceil(60 / 6) = 10 spaces
  EXPECT_EQ(t->length, 10);
  rt_locate(1, 601, 0, 0, 0, 3);
  BasicString *s = rt_spc(10);  // 40 pixels left = 6 spaces: a line break and 4 spaces
  ASSERT_EQ(s->length, 5);
  EXPECT_EQ(s->data[0], 13);
  bstr_free_temporaries(0, 0);
}

}  // namespace

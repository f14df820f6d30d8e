// CLS, LOCATE, COLOR, VIEW PRINT, the screen-character function and the function-key line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "tests/support/screen_text.h"

namespace {

class TextStatementTest : public ::testing::Test {
 protected:
  void SetUp() override { screen_test_startup(); }
  void TearDown() override {
    pending_error = 0;
    soft_key_text = nullptr;
  }
  // Writes "rowN" on every row of the destination.
  static void label_rows() {
    int rows = image_rows(dest_image);
    for (int r = 1; r <= rows; r++) {
      rt_locate(r, 1, 0, 0, 0, 3);
      print_item("row" + std::to_string(r));
    }
  }
  static int count_pixels(uint8_t value) {
    const auto *p = static_cast<const uint8_t *>(dest_image->pixels);
    int n = 0;
    for (int i = 0; i < dest_image->size_x * dest_image->size_y; i++) n += p[i] == value;
    return n;
  }
};

TEST_F(TextStatementTest, ClsMethodsOnTheTextScreen) {
  struct { int method, passed; const char *row1, *row10, *row25; } cases[] = {
      {0, 0, "", "", ""},             // window rows and the last row
      {0, 1, "", "", ""},             // every cell
      {1, 1, "row1", "row10", "row25"},  // nothing but the cursor
      {2, 1, "", "", "row25"},        // the window rows only
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "method " << c.method << " passed " << c.passed);
    SetUp();
    rt_view_print(1, 24, 1);
    label_rows();
    rt_view_print(5, 20, 1);
    rt_cls(c.method, 0, c.passed);
    ASSERT_EQ(pending_error.load(), 0u);
    std::vector<std::string> lines = screen_lines(dest_index);
    bool window_only = c.passed == 1 && c.method == 2;
    bool nothing = c.passed == 1 && c.method == 1;
    bool all = c.passed == 1 && c.method == 0;
    EXPECT_EQ(lines[0], (all || nothing) ? c.row1 : "row1");
    EXPECT_EQ(lines[9], c.row10);
    EXPECT_EQ(lines[24], c.row25);
    (void)window_only;
    EXPECT_EQ(dest_image->cur_row, 5);
    EXPECT_EQ(dest_image->cur_col, 1);
  }
}

TEST_F(TextStatementTest, ClsColourBuildsTheFillAttribute) {
  rt_color(20, 0, 0, 3);
  rt_cls(0, 3, 3);
  EXPECT_EQ(rt_screen_read(1, 1, 1, 1), (3 << 4) | 0x80 | 4);
  EXPECT_EQ(rt_screen_read(1, 1, 0, 0), 32);
}

TEST_F(TextStatementTest, ClsOnScreen12) {
  rt_screen(12, 0, 0, 0, 0, 1);
  print_line("SOMETHING");
  rt_cls(0, 0, 0);
  EXPECT_EQ(count_pixels(0), 640 * 480);
  EXPECT_EQ(dest_image->cur_row, 1);
  EXPECT_EQ(dest_image->cur_col, 1);
  EXPECT_EQ(dest_image->pen_x, 320.0f);
  EXPECT_EQ(dest_image->pen_y, 240.0f);
  rt_cls(0, 9, 2);  // a colour given: every pixel takes it
  EXPECT_EQ(count_pixels(9), 640 * 480);
  // Method 2 fills only the pixel rows of the text window (rows 1-29 = pixel rows 0-463).
  rt_cls(2, 4, 3);
  EXPECT_EQ(count_pixels(4), 640 * 464);
  EXPECT_EQ(count_pixels(9), 640 * 16);
  // With a viewport, CLS fills only the viewport.
  dest_image->coord_state = 1;
  dest_image->clip_left = 10;
  dest_image->clip_top = 20;
  dest_image->clip_right = 19;
  dest_image->clip_bottom = 29;
  rt_cls(0, 1, 2);
  EXPECT_EQ(count_pixels(1), 100);
  EXPECT_EQ(dest_image->pen_x, 5.0f);
}

TEST_F(TextStatementTest, ClsErrorsChangeNothing) {
  rt_screen(12, 0, 0, 0, 0, 1);
  print_item("KEEP");
  struct { int method; uint32_t colour; int passed; } cases[] = {
      {0, 16, 2}, {3, 0, 1}, {-1, 0, 1}, {0, 0xFFFFFFFF, 2},
  };
  for (auto &c : cases) {
    rt_cls(c.method, c.colour, c.passed);
    EXPECT_EQ(pending_error.load(), 5u);
    pending_error = 0;
  }
  EXPECT_EQ(dest_text(1, 1), "KEEP");
  EXPECT_EQ(dest_image->cur_col, 5);
}

TEST_F(TextStatementTest, LocateErrorsChangeNothing) {
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_locate(3, 4, 0, 0, 0, 3);
  struct { int row, col, cursor, start, stop, passed; } cases[] = {
      {0, 1, 0, 0, 0, 1},   {31, 1, 0, 0, 0, 1},  {3, 0, 0, 0, 0, 3},  {3, 81, 0, 0, 0, 3},
      {0, 0, 2, 0, 0, 4},   {0, 0, -1, 0, 0, 4},  {0, 0, 0, 32, 0, 8}, {0, 0, 0, 0, -1, 16},
      {5, 5, 1, 0, 40, 31},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.row << "," << c.col << " passed " << c.passed);
    rt_locate(c.row, c.col, c.cursor, c.start, c.stop, c.passed);
    EXPECT_EQ(pending_error.load(), 5u);
    pending_error = 0;
    EXPECT_EQ(dest_image->cur_row, 3);
    EXPECT_EQ(dest_image->cur_col, 4);
    EXPECT_EQ(dest_image->cursor_visible, 0);
  }
  // Below the window only the last row is allowed.
  rt_view_print(2, 10, 1);
  rt_locate(1, 1, 0, 0, 0, 1);
  EXPECT_EQ(pending_error.load(), 5u);
  pending_error = 0;
  rt_locate(11, 1, 0, 0, 0, 1);
  EXPECT_EQ(pending_error.load(), 5u);
  pending_error = 0;
  rt_locate(30, 1, 0, 0, 0, 1);
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(TextStatementTest, LocateGrowsTheStartupScreen) {
  print_line("first row");
  rt_color(14, 1, 0, 3);
  rt_locate(26, 1, 0, 0, 0, 3);
  ASSERT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(dest_image->size_y, 50);
  EXPECT_EQ(dest_image->font_id, 8);
  EXPECT_EQ(dest_image->cur_row, 26);
  EXPECT_EQ(dest_image->fore_colour, 14u);
  EXPECT_EQ(dest_image->back_colour, 1u);
  EXPECT_EQ(dest_text(1, 1), "first row");
  EXPECT_EQ(text_autogrow, 0);
  // Once only: a second screen switch is not made.
  rt_locate(50, 1, 0, 0, 0, 1);
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(TextStatementTest, LocateAutoGrowLimits) {
  rt_locate(51, 1, 0, 0, 0, 1);
  EXPECT_EQ(pending_error.load(), 5u);
  pending_error = 0;
  EXPECT_EQ(dest_image->size_y, 25);
  EXPECT_EQ(text_autogrow, 0);  // used up by the failing attempt
  screen_test_startup();
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_screen(0, 0, 0, 0, 0, 1);
  rt_locate(26, 1, 0, 0, 0, 1);  // after SCREEN 12 there is no auto-grow
  EXPECT_EQ(pending_error.load(), 5u);
}

TEST_F(TextStatementTest, LocateCursorReachesEveryPage) {
  rt_locate(0, 0, 1, 2, 7, 28);
  for (int i = 0; i < page_count; i++) {
    EXPECT_EQ(image_table[page_list[i]].cursor_visible, 1) << i;
    EXPECT_EQ(image_table[page_list[i]].cursor_start, 2) << i;
    EXPECT_EQ(image_table[page_list[i]].cursor_stop, 7) << i;
  }
}

TEST_F(TextStatementTest, ColorByMode) {
  struct { int mode; uint32_t f, b; int passed; uint32_t error; uint32_t fore, back;
           int entry; uint32_t value; } cases[] = {
      {0, 7, 9, 3, 0, 7, 1, -1, 0},
      {0, 20, 0, 1, 0, 20, 0, -1, 0},
      {0, 32, 0, 1, 5, 7, 0, -1, 0},
      {0, 7, 16, 2, 5, 7, 0, -1, 0},
      {12, 2, 0, 3, 0, 2, 0, -1, 0},
      {12, 16, 0, 1, 5, 15, 0, -1, 0},
      {12, 1, 1, 7, 5, 15, 0, -1, 0},   // border outside mode 0
      {13, 255, 200, 3, 0, 255, 200, -1, 0},
      {11, 1, 2, 3, 5, 1, 0, -1, 0},
      {9, 3, 20, 3, 0, 3, 0, 0, 0xFFAA5500},
      {9, 3, 64, 3, 5, 15, 0, 0, 0},
      {10, 2, 8, 3, 0, 2, 0, 4, 8},
      {7, 4, 1, 3, 0, 4, 0, 0, 0xFF0000AA},
      {2, 1, 4, 3, 0, 1, 0, 0, 0xFFAA0000},
      {1, 1, 0, 3, 0, 3, 0, 1, 0xFF00AA00},  // even palette: entries 1-3 = vga 2, 4, 6
      {1, 1, 1, 3, 0, 3, 0, 0, 0xFF0000AA},  // background 1 into entry 0
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " COLOR " << c.f << "," << c.b);
    screen_test_startup();
    if (c.mode) rt_screen(c.mode, 0, 0, 0, 0, 1);
    uint32_t before = c.entry >= 0 ? dest_image->palette[c.entry] : 0;
    rt_color(c.f, c.b, 0, c.passed);
    EXPECT_EQ(pending_error.load(), c.error);
    pending_error = 0;
    EXPECT_EQ(dest_image->fore_colour, c.fore);
    EXPECT_EQ(dest_image->back_colour, c.back);
    if (c.entry >= 0) {
      EXPECT_EQ(dest_image->palette[c.entry], c.error ? before : c.value);
    }
  }
  screen_test_startup();
  rt_color(0, 0, 3, 4);  // a border in mode 0 is accepted and ignored
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(TextStatementTest, ViewPrint) {
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_locate(10, 10, 0, 0, 0, 3);
  rt_view_print(5, 20, 1);
  EXPECT_EQ(dest_image->text_top, 5);
  EXPECT_EQ(dest_image->text_bottom, 20);
  EXPECT_EQ(dest_image->cur_row, 5);
  EXPECT_EQ(dest_image->cur_col, 1);
  for (auto [top, bottom] : {std::pair{0, 5}, {6, 5}, {1, 31}, {-3, 2}}) {
    rt_view_print(top, bottom, 1);
    EXPECT_EQ(pending_error.load(), 5u);
    pending_error = 0;
    EXPECT_EQ(dest_image->text_top, 5);
  }
  rt_view_print(0, 0, 0);
  EXPECT_EQ(dest_image->text_top, 1);
  EXPECT_EQ(dest_image->text_bottom, 30);
}

TEST_F(TextStatementTest, ScreenReadOnPixelsAndErrors) {
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_color(5, 0, 0, 1);
  print_item("A");
  EXPECT_EQ(rt_screen_read(1, 1, 0, 0), 'A');
  EXPECT_EQ(rt_screen_read(1, 1, 1, 1), 5);
  EXPECT_EQ(rt_screen_read(1, 2, 0, 0), 32);  // empty cell
  EXPECT_EQ(rt_screen_read(1, 2, 1, 1), 1);
  static_cast<uint8_t *>(dest_image->pixels)[16 * 640 + 3] = 2;  // one dot: no glyph
  EXPECT_EQ(rt_screen_read(2, 1, 0, 0), 32);
  EXPECT_EQ(rt_screen_read(2, 1, 1, 1), 0);
  for (auto [row, col] : {std::pair{0, 1}, {31, 1}, {1, 0}, {1, 81}}) {
    rt_screen_read(row, col, 0, 0);
    EXPECT_EQ(pending_error.load(), 5u);
    pending_error = 0;
  }
}

TEST_F(TextStatementTest, KeyLineShowsLabels) {
  soft_key_text = [](int32_t slot) -> BasicString * {
    static std::string texts[32];
    if (slot == 1) texts[1] = "LIST";
    else if (slot == 2) texts[2] = "RUN\r";
    else return nullptr;
    return bstr_from_text(texts[slot].data(), static_cast<int32_t>(texts[slot].size()));
  };
  rt_key_on();
  std::vector<std::string> lines = screen_lines(dest_index);
  // Zones of 8 columns: number, then the label (control codes as glyphs) padded to the zone.
  std::string expected = "1LIST   2RUN\x1B   ";
  for (int key = 3; key <= 9; key++) expected += std::to_string(key) + "       ";
  expected += "10";
  EXPECT_EQ(lines[24], expected);
  EXPECT_EQ(rt_screen_read(25, 2, 1, 1), 0x70);  // reverse colours on a text screen
  EXPECT_EQ(rt_screen_read(25, 1, 1, 1), 0x07);
  EXPECT_EQ(dest_image->cur_row, 1);  // the cursor is left where it was
  EXPECT_EQ(key_line_shown, 1);
  rt_key_off();
  EXPECT_EQ(screen_lines(dest_index)[24], "");
  bstr_free_temporaries(0, 0);
}

TEST_F(TextStatementTest, KeyLineFollowsAModeChange) {
  rt_key_on();
  rt_screen(12, 0, 0, 0, 0, 1);
  std::string expected;
  for (int key = 1; key <= 9; key++) expected += std::to_string(key) + "       ";
  expected += "10";
  EXPECT_EQ(screen_lines(dest_index)[29], expected);
  EXPECT_EQ(dest_image->cur_row, 1);
  rt_cls(0, 0, 0);  // CLS clears the screen and paints the line again
  EXPECT_EQ(screen_lines(dest_index)[29], expected);
  rt_key_off();
  EXPECT_EQ(screen_lines(dest_index)[29], "");
}

}  // namespace

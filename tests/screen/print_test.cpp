// The PRINT engine on the start-up text screen and on a SCREEN 12 page: wrapping, the held
// cursor, the fit check, zones, TAB, SPC, control codes and scrolling, compared as whole
// screens of text.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "tests/support/screen_text.h"

namespace {

std::string sp(int n) { return std::string(n, ' '); }

std::string letters(int n) {
  std::string s;
  for (int i = 0; i < n; i++) s.push_back(static_cast<char>('A' + i % 26));
  return s;
}

void print_str(const std::string &s, int newline = 0) {
  BasicString *b = bstr_from_text(s.data(), static_cast<int32_t>(s.size()));
  rt_print(b, newline);
  bstr_free_temporaries(0, 0);
}

void end_line() { rt_print(blank_string, 1); }

void tab(int n) {
  BasicString *s = rt_tab(n);
  rt_print(s, 0);
  bstr_free_temporaries(0, 0);
}

void spc(int n) {
  BasicString *s = rt_spc(n);
  rt_print(s, 0);
  bstr_free_temporaries(0, 0);
}

class PrintTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    screen_test_startup();
    if (GetParam() == 12) rt_screen(12, 0, 0, 0, 0, 1);
    ASSERT_EQ(pending_error.load(), 0u);
  }
};

// One PRINT scenario: what the program does, the expected first rows and cursor.
struct PrintCase {
  const char *name;
  void (*run)();
  std::string screen;  // rows 1.. as text, each ended by a newline
  int row, col, wrap;
};

const PrintCase PRINT_CASES[] = {
    {"eighty_held", [] { print_item(letters(80)); },
     "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZAB\n", 1,
     80, 1},
    {"eighty_then_x", [] { print_item(letters(80)); print_line("X"); },
     "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZAB\nX\n",
     3, 1, 0},
    {"eighty_with_end", [] { print_line(letters(80)); },
     "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZAB\n\n", 2,
     1, 0},
    {"eighty_held_then_empty_end", [] { print_item(letters(80)); end_line(); },
     "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZAB\n\n", 2,
     1, 0},
    {"eighty_one", [] { print_line(letters(81)); },
     "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZAB\nC\n", 3,
     1, 0},
    {"fit_at_75", [] { rt_locate(1, 75, 0, 0, 0, 3); print_line("0123456789"); },
     "\n0123456789\n", 3, 1, 0},
    {"fit_exact_at_71", [] { rt_locate(1, 71, 0, 0, 0, 3); print_item("0123456789"); },
     sp(70) + "0123456789\n", 1, 80, 1},
    {"hundred_not_moved", [] { print_line(std::string(100, '#')); },
     "################################################################################\n"
     "####################\n",
     3, 1, 0},
    {"zones", [] {
       print_item("A"); print_next_zone(); print_item("B"); print_next_zone(); print_item("C");
       end_line(); },
     "A" + sp(13) + "B" + sp(13) + "C\n", 2, 1, 0},
    {"zone_after_long_item", [] {
       print_item(std::string(20, 'x')); print_next_zone(); print_item("Y"); end_line(); },
     std::string(20, 'x') + sp(8) + "Y\n", 2, 1, 0},
    {"zone_near_end_runs_to_80", [] {
       rt_locate(1, 60, 0, 0, 0, 2); print_item("A"); print_next_zone(); print_item("B"); },
     sp(59) + "A" + sp(19) + "B\n", 1, 80, 1},
    {"tab_char_col1", [] { print_str("\t"); print_str("X"); },
     sp(8) + "X\n", 1, 10, 0},
    {"tab_char_col8", [] { print_str("1234567\tX"); },
     "1234567 X\n", 1, 10, 0},
    {"tab_function", [] { print_str("AB"); tab(20); print_str("C"); tab(5); print_str("D"); },
     "AB" + sp(17) + "C\n    D\n", 2, 6, 0},
    {"tab_wraps_modulo", [] { tab(85); print_str("Z"); }, "    Z\n", 1, 6, 0},
    {"spc", [] { print_str("A"); spc(3); print_str("B"); }, "A   B\n", 1, 6, 0},
    {"tab_after_held_cursor", [] { print_item(letters(80)); tab(10); print_str("T"); },
     letters(80) + "\n" + sp(9) + "T\n", 2, 11, 0},
    {"spc_after_held_cursor", [] { print_item(letters(80)); spc(2); print_str("S"); },
     letters(80) + "\n" + sp(2) + "S\n", 2, 4, 0},
    {"spc_past_end", [] { rt_locate(1, 78, 0, 0, 0, 2); spc(5); print_str("Q"); },
     "\n  Q\n", 2, 4, 0},
    {"control_home_and_moves", [] {
       print_str("ABC\x1D\x1D" "x\x1C" "y\x1F" "z\x1E\x1E" "w"); },
     "AxCy w\n    z\n", 1, 7, 0},
    {"control_vertical_tab_home", [] { print_str("HELLO\x0BJ"); }, "JELLO\n", 1, 2, 0},
    {"control_line_feed", [] { print_str("A\nB\rC"); }, "A\nB\nC\n", 3, 2, 0},
    {"control_form_feed_clears", [] { print_line("OLD"); print_str("\x0CNEW"); }, "NEW\n", 1,
     4, 0},
};

TEST_P(PrintTest, Cases) {
  for (const PrintCase &c : PRINT_CASES) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.run();
    ASSERT_EQ(pending_error.load(), 0u);
    const std::string &expected = c.screen;
    int rows = 0;
    for (char ch : expected) rows += ch == '\n';
    EXPECT_EQ(dest_text(1, rows) + "\n", expected);
    EXPECT_EQ(dest_image->cur_row, c.row);
    EXPECT_EQ(dest_image->cur_col, c.col);
    EXPECT_EQ(dest_image->wrap_pending, c.wrap);
  }
}

TEST_P(PrintTest, HeldCursorReportsNextRow) {
  rt_locate(5, 1, 0, 0, 0, 3);
  print_item(letters(80));
  EXPECT_EQ(rt_csrlin(), 6);
  EXPECT_EQ(rt_pos(), 1);
  rt_locate(0, 0, 0, 0, 0, 0);  // LOCATE without row or column keeps the hold, marks it
  EXPECT_EQ(dest_image->wrap_pending, 2);
  EXPECT_EQ(rt_csrlin(), 6);
  print_item("X");
  EXPECT_EQ(dest_text(6, 6), "X");
  EXPECT_EQ(dest_image->wrap_pending, 0);
}

TEST_P(PrintTest, ScrollKeepsRowsOutsideTheWindow) {
  int rows = image_rows(dest_image);
  for (int r = 1; r <= rows; r++) {
    rt_locate(r, 1, 0, 0, 0, 3);
    print_item("row" + std::to_string(r));
  }
  rt_locate(rows - 1, 1, 0, 0, 0, 3);
  print_line("NEWLINE");
  std::vector<std::string> lines = screen_lines(dest_index);
  for (int r = 1; r <= rows - 3; r++) EXPECT_EQ(lines[r - 1], "row" + std::to_string(r + 1));
  EXPECT_EQ(lines[rows - 3], "NEWLINE");
  EXPECT_EQ(lines[rows - 2], "");
  EXPECT_EQ(lines[rows - 1], "row" + std::to_string(rows));
  EXPECT_EQ(dest_image->cur_row, rows - 1);
}

TEST_P(PrintTest, LocateLastRowThenPrintScrollsWindow) {
  int rows = image_rows(dest_image);
  rt_locate(1, 1, 0, 0, 0, 3);
  print_item("TOP");
  rt_locate(2, 1, 0, 0, 0, 3);
  print_item("SECOND");
  rt_locate(rows, 1, 0, 0, 0, 3);
  print_line("X");
  std::vector<std::string> lines = screen_lines(dest_index);
  EXPECT_EQ(lines[0], "SECOND");
  EXPECT_EQ(lines[rows - 1], "X");
  EXPECT_EQ(lines[rows - 2], "");
  EXPECT_EQ(dest_image->cur_row, rows - 1);
  EXPECT_EQ(dest_image->cur_col, 1);
}

TEST_P(PrintTest, BellPrintsNothingAndWaits) {
  auto start = std::chrono::steady_clock::now();
  print_str("\x07");
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(ms, 240);
  EXPECT_EQ(dest_text(1, 1), "");
  EXPECT_EQ(dest_image->cur_col, 1);
}

TEST_P(PrintTest, ControlCharsOffPaintsGlyphs) {
  rt_control_chars(2);
  print_str("A\x0D" "B");
  rt_control_chars(0);
  EXPECT_EQ(dest_text(1, 1), "A\rB");
  EXPECT_EQ(dest_image->cur_col, 4);
}

TEST_P(PrintTest, TabAndSpcRangeErrors) {
  for (int n : {-32769, 32768, 100000}) {
    pending_error = 0;
    BasicString *s = rt_tab(n);
    EXPECT_EQ(s->length, 0);
    EXPECT_EQ(pending_error.load(), 7u);
    pending_error = 0;
    s = rt_spc(n);
    EXPECT_EQ(s->length, 0);
    EXPECT_EQ(pending_error.load(), 7u);
  }
  pending_error = 0;
  BasicString *s = rt_spc(-5);
  EXPECT_EQ(s->length, 0);
  EXPECT_EQ(pending_error.load(), 0u);
  bstr_free_temporaries(0, 0);
}

TEST_P(PrintTest, NothingHappensWhileAnErrorIsPending) {
  pending_error = 5;
  print_line("IGNORED");
  rt_locate(5, 5, 0, 0, 0, 3);
  rt_cls(0, 0, 0);
  pending_error = 0;
  EXPECT_EQ(dest_text(1, 1), "");
  EXPECT_EQ(dest_image->cur_row, 1);
  EXPECT_EQ(dest_image->cur_col, 1);
}

INSTANTIATE_TEST_SUITE_P(TextAndScreen12, PrintTest, ::testing::Values(0, 12),
                         [](const auto &info) { return "screen" + std::to_string(info.param); });

// An image narrower than one character has no columns: TAB, SPC and zones still give
// a result instead of dividing by zero.
TEST(NarrowImage, TabSpcAndZonesWithoutColumns) {
  screen_test_startup();
  int32_t index = image_create(4, 32, 256);
  ASSERT_GT(index, 0);
  dest_index = source_index = index;
  image_pointers_refresh();
  ASSERT_EQ(image_columns(dest_image), 0);
  for (int n : {-5, 0, 1, 5, 32767}) {
    SCOPED_TRACE(n);
    BasicString *t = rt_tab(n);
    ASSERT_NE(t, nullptr);
    EXPECT_LE(t->length, 1);
    BasicString *s = rt_spc(n);
    ASSERT_NE(s, nullptr);
    EXPECT_LE(s->length, 1);
    rt_print(t, 0);
    rt_print(s, 0);
    print_next_zone();
    bstr_free_temporaries(0, 0);
  }
  EXPECT_EQ(pending_error.load(), 0u);
}

// A tab on a line narrower than eight columns never reaches a multiple of 8: it runs to
// the end of the line instead of scrolling for ever.
TEST(NarrowImage, TabCharacterEndsOnALineShorterThanEightColumns) {
  screen_test_startup();
  struct { int32_t width, height, mode; int32_t col; } cases[] = {
      {5, 5, 0, 5},      // text cells: spaces in columns 1 to 5, held in column 5
      {40, 32, 256, 5},  // five columns of font 16
      {4, 32, 256, 0},   // no column at all
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " mode " << c.mode);
    int32_t index = image_create(c.width, c.height, c.mode);
    ASSERT_GT(index, 0);
    dest_index = source_index = index;
    image_pointers_refresh();
    BasicString *tab_char = bstr_from_text("\t", 1);
    rt_print(tab_char, 0);
    bstr_free_temporaries(0, 0);
    EXPECT_EQ(dest_image->cur_row, 1);
    EXPECT_EQ(dest_image->cur_col, c.col);
    EXPECT_EQ(dest_image->wrap_pending, 1);
  }
  EXPECT_EQ(pending_error.load(), 0u);
}

// ---- pixel-exact checks on SCREEN 12 -------------------------------------------------------

class Screen12Test : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_test_startup();
    rt_screen(12, 0, 0, 0, 0, 1);
  }
  const uint8_t *pixels() const { return static_cast<const uint8_t *>(dest_image->pixels); }
};

TEST_F(Screen12Test, HelloOccupiesTheFirstTextCells) {
  print_line("HELLO");
  const char *word = "HELLO";
  int set = 0;
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 640; x++) {
      uint8_t p = pixels()[y * 640 + x];
      if (y < 16 && x < 40) {
        const uint8_t *row = glyphs_8x16 + static_cast<uint8_t>(word[x / 8]) * 128 + y * 8;
        ASSERT_EQ(p, row[x % 8] ? 15 : 0) << "x " << x << " y " << y;
        set += p != 0;
      } else {
        ASSERT_EQ(p, 0) << "x " << x << " y " << y;
      }
    }
  }
  EXPECT_GT(set, 100);
  EXPECT_EQ(dest_image->cur_row, 2);
  EXPECT_EQ(dest_image->cur_col, 1);
  EXPECT_EQ(dest_text(1, 2), "HELLO\n");
}

TEST_F(Screen12Test, ViewPrintScrollLeavesRow30PixelsAlone) {
  rt_view_print(1, 29, 1);
  rt_color(2, 0, 0, 3);
  rt_locate(30, 1, 0, 0, 0, 3);
  print_item("STATUS LINE");
  std::vector<uint8_t> bottom(pixels() + 464 * 640, pixels() + 480 * 640);
  rt_locate(1, 1, 0, 0, 0, 3);
  for (int i = 1; i <= 40; i++) print_line("line " + std::to_string(i));
  EXPECT_EQ(0, std::memcmp(bottom.data(), pixels() + 464 * 640, bottom.size()));
  std::vector<std::string> lines = screen_lines(dest_index);
  EXPECT_EQ(lines[0], "line 13");
  EXPECT_EQ(lines[27], "line 40");
  EXPECT_EQ(lines[28], "");
  EXPECT_EQ(lines[29], "STATUS LINE");
  EXPECT_EQ(dest_image->cur_row, 29);
  EXPECT_EQ(rt_screen_read(30, 1, 1, 1), 2);  // painted in COLOR 2
}

TEST_F(Screen12Test, PaintModesKeepOrFillTheBackground) {
  rt_cls(0, 4, 2);  // red background everywhere
  rt_color(14, 1, 0, 3);
  struct { uint8_t mode; uint8_t set, clear; } cases[] = {{1, 14, 4}, {2, 4, 1}, {3, 14, 1}};
  for (auto &c : cases) {
    SCOPED_TRACE(c.mode);
    rt_cls(0, 4, 3);
    dest_image->text_paint_mode = c.mode;
    print_item("A");
    // Row 2 of the 8x16 "A" is ...#.... : column 3 set, column 0 clear.
    EXPECT_EQ(pixels()[2 * 640 + 3], c.set);
    EXPECT_EQ(pixels()[2 * 640 + 0], c.clear);
  }
}

}  // namespace

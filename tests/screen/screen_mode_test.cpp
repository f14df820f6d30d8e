// Images and screen pages: the image table, screen modes, SCREEN with its pages, PCOPY,
// the built-in glyphs and palettes, and the pause handshake with the composer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/screen/screen.h"
#include "tests/support/screen_text.h"

namespace {

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override { screen_test_startup(); }
  void TearDown() override { pending_error = 0; }
  static Image &page(int n) { return image_table[page_list[n]]; }
};

// Everything a failing statement must leave alone.
struct ScreenSnapshot {
  int32_t dest, source, display, pages, active, mode;
  explicit ScreenSnapshot()
      : dest(dest_index), source(source_index), display(display_index), pages(page_count),
        active(active_page_no), mode(image_table[page_list[0]].mode) {}
  bool operator==(const ScreenSnapshot &o) const {
    return dest == o.dest && source == o.source && display == o.display && pages == o.pages &&
           active == o.active && mode == o.mode;
  }
};

TEST_F(ScreenTest, StartupTextScreen) {
  const Image &p = page(0);
  EXPECT_TRUE(p.is_text);
  EXPECT_EQ(p.size_x, 80);
  EXPECT_EQ(p.size_y, 25);
  EXPECT_EQ(p.font_id, 16);
  EXPECT_EQ(p.fore_colour, 7u);
  EXPECT_EQ(p.back_colour, 0u);
  EXPECT_EQ(p.cursor_visible, 0);
  EXPECT_EQ(p.text_top, 1);
  EXPECT_EQ(p.text_bottom, 24);
  EXPECT_EQ(page_count, 8);
  EXPECT_EQ(page_list[0], 2);  // indices 0 and 1 are never handed out
  EXPECT_EQ(dest_index, page_list[0]);
  EXPECT_EQ(display_index, page_list[0]);
  EXPECT_EQ(text_autogrow, 1);
  // Pages 0..7 of 80 x 25 live in the emulated video memory at B8000h, 4096 bytes apart.
  for (int i = 0; i < 8; i++) {
    EXPECT_EQ(page(i).pixels, real_memory + 0xB8000 + i * 4096) << i;
    EXPECT_TRUE(page(i).owner_flags & IMAGE_IS_PAGE);
    EXPECT_FALSE(page(i).owner_flags & IMAGE_OWNS_PIXELS);
  }
  for (uint32_t i = 0; i < 65536; i += 2) {
    ASSERT_EQ(real_memory[0xB8000 + i], 0x20);
    ASSERT_EQ(real_memory[0xB8000 + i + 1], 0x07);
  }
}

struct ModeCase {
  int mode, width, height, bits, font, cols, rows;
  uint32_t fore;
};

TEST_F(ScreenTest, EveryGraphicsModeGeometry) {
  const ModeCase cases[] = {
      {1, 320, 200, 2, 8, 40, 25, 3},     {2, 640, 200, 1, 8, 80, 25, 1},
      {7, 320, 200, 4, 8, 40, 25, 15},    {8, 640, 200, 4, 8, 80, 25, 15},
      {9, 640, 350, 4, 14, 80, 25, 15},   {10, 640, 350, 2, 14, 80, 25, 3},
      {11, 640, 480, 1, 16, 80, 30, 1},   {12, 640, 480, 4, 16, 80, 30, 15},
      {13, 320, 200, 8, 8, 40, 25, 15},
  };
  for (const ModeCase &c : cases) {
    SCOPED_TRACE(c.mode);
    screen_test_startup();
    rt_screen(c.mode, 0, 0, 0, 0, 1);
    ASSERT_EQ(pending_error.load(), 0u);
    const Image &p = page(0);
    EXPECT_EQ(p.mode, c.mode);
    EXPECT_EQ(p.size_x, c.width);
    EXPECT_EQ(p.size_y, c.height);
    EXPECT_EQ(p.pixel_bits, c.bits);
    EXPECT_EQ(p.colour_mask, (1u << c.bits) - 1);
    EXPECT_EQ(p.font_id, c.font);
    EXPECT_EQ(image_columns(&p), c.cols);
    EXPECT_EQ(image_rows(&p), c.rows);
    EXPECT_EQ(p.fore_colour, c.fore);
    EXPECT_EQ(p.text_bottom, c.rows - 1);
    EXPECT_EQ(p.clip_right, c.width - 1);
    EXPECT_EQ(p.pen_x, c.width / 2);
    EXPECT_EQ(text_autogrow, 0);
    EXPECT_EQ(page_count, 1);
    EXPECT_EQ(dest_index, display_index);
    const uint8_t *px = static_cast<const uint8_t *>(p.pixels);
    for (int i = 0; i < c.width * c.height; i++) ASSERT_EQ(px[i], 0);
  }
  EXPECT_EQ(page(0).pixels, real_memory + 0xA0000);  // SCREEN 13 lives in video memory
}

TEST_F(ScreenTest, DefaultPalettesByMode) {
  struct { int mode; int entry; uint32_t colour; } cases[] = {
      {12, 1, 0xFF0000AA}, {12, 14, 0xFFFFFF55}, {12, 16, 0},  // only 0..15 set
      {1, 1, 0xFF00AAAA},  {1, 3, 0xFFAAAAAA},                 // vga 3 and 7
      {2, 1, 0x00FFFFFF},  {11, 0, 0x00000000},                 // alpha byte 0
      {9, 6, 0xFFAA5500},  {9, 7, 0xFFAAAAAA},  {9, 8, 0xFF555555},  // ega 20, 7, 56
      {10, 4, 0}, {10, 5, 4}, {10, 6, 6}, {10, 7, 8}, {10, 0, 0},
      {13, 40, 0xFFFF0000}, {13, 255, 0xFF000000},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " entry " << c.entry);
    screen_test_startup();
    rt_screen(c.mode, 0, 0, 0, 0, 1);
    EXPECT_EQ(page(0).palette[c.entry], c.colour);
  }
}

TEST_F(ScreenTest, Screen12FromStartupAndAgain) {
  rt_screen(12, 0, 0, 0, 0, 1);
  Image &p = page(0);
  EXPECT_EQ(p.text_top, 1);
  EXPECT_EQ(p.text_bottom, 29);
  EXPECT_EQ(p.fore_colour, 15u);
  EXPECT_EQ(p.back_colour, 0u);
  print_item("KEEP");
  rt_color(4, 1, 0, 3);
  int32_t index = page_list[0];
  rt_screen(12, 0, 0, 0, 0, 1);  // the same mode: nothing at all
  EXPECT_EQ(page_list[0], index);
  EXPECT_EQ(dest_text(1, 1), "KEEP");
  EXPECT_EQ(dest_image->fore_colour, 4u);
  EXPECT_EQ(dest_image->cur_col, 5);
}

TEST_F(ScreenTest, TextGridCarriesAcrossModes) {
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_screen(0, 0, 0, 0, 0, 1);
  EXPECT_EQ(page(0).size_x, 80);
  EXPECT_EQ(page(0).size_y, 25);
  EXPECT_EQ(page(0).font_id, 16);
  // An 80 x 43 text screen, then an EGA mode keeps 43 rows with font 8, and SCREEN 0 after
  // it makes 80 x 43 with font 8.
  screen_text_resize(80, 43);
  EXPECT_EQ(page(0).size_y, 43);
  EXPECT_EQ(page(0).font_id, 14);
  rt_screen(9, 0, 0, 0, 0, 1);
  EXPECT_EQ(page(0).font_id, 8);
  EXPECT_EQ(image_rows(&page(0)), 43);
  rt_screen(0, 0, 0, 0, 0, 1);
  EXPECT_EQ(page(0).size_x, 80);
  EXPECT_EQ(page(0).size_y, 43);
  EXPECT_EQ(page(0).font_id, 8);
  // 80 x 43 pages are 6880 bytes: nine fit in 64 KB, so all eight are in video memory.
  EXPECT_EQ(page(7).pixels, real_memory + 0xB8000 + 7 * 6880);
  // 80 x 60 in SCREEN 12 comes from an 80 x 60 grid only; a 40-column screen gets font 17.
  screen_text_resize(40, 25);
  EXPECT_EQ(page(0).font_id, 17);
  EXPECT_EQ(page(0).size_x, 40);
  EXPECT_EQ(page(1).pixels, real_memory + 0xB8000 + 2048);
  ASSERT_EQ(pending_error.load(), 0u);
}

TEST_F(ScreenTest, TextResizeRefusesAnEmptyGeometry) {
  print_line("KEEP");
  int32_t index = page_list[0];
  for (auto [columns, rows] : {std::pair{0, 25}, {80, 0}, {-40, 25}, {80, -1}}) {
    SCOPED_TRACE(testing::Message() << columns << " x " << rows);
    screen_text_resize(columns, rows);
    EXPECT_EQ(pending_error.load(), 5u);
    pending_error = 0;
    EXPECT_EQ(page_list[0], index);
    EXPECT_EQ(pending_cols, -1);
    EXPECT_EQ(dest_text(1, 1), "KEEP");
  }
  // A large text screen does not fit the video memory: its pages get buffers of their own.
  screen_text_resize(300, 200);
  ASSERT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(page(0).size_x, 300);
  EXPECT_EQ(page(0).size_y, 200);
  EXPECT_TRUE(page(0).owner_flags & IMAGE_OWNS_PIXELS);
}

TEST_F(ScreenTest, ActivePageSwitchCreatesAndResets) {
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_color(3, 1, 0, 3);
  rt_screen(0, 0, 1, 0, 0, 4);  // SCREEN , , 1
  ASSERT_EQ(pending_error.load(), 0u);
  ASSERT_EQ(page_count, 2);
  int32_t one = page_list[1];
  EXPECT_EQ(dest_index, one);
  EXPECT_EQ(source_index, one);
  EXPECT_EQ(display_index, one);
  EXPECT_EQ(active_page_no, 1);
  EXPECT_EQ(dest_image->fore_colour, 15u);  // the mode's defaults
  EXPECT_EQ(dest_image->back_colour, 0u);
  EXPECT_EQ(dest_image->palette, page(0).palette);  // pages share page 0's palette
  EXPECT_TRUE(dest_image->owner_flags & IMAGE_IS_PAGE);
  EXPECT_FALSE(dest_image->owner_flags & IMAGE_OWNS_PALETTE);
  // Active 0, visual 1: drawing goes to page 0 while page 1 is shown.
  rt_screen(0, 0, 0, 1, 0, 12);
  EXPECT_EQ(dest_index, page_list[0]);
  EXPECT_EQ(display_index, one);
}

TEST_F(ScreenTest, PageStateFollowsTheActivePage) {
  rt_screen(12, 0, 0, 0, 0, 1);
  dest_image->clip_left = 10;
  dest_image->pen_x = 123.0f;
  dest_image->coord_state = 1;
  rt_screen(0, 0, 2, 0, 0, 4);
  EXPECT_EQ(dest_image->clip_left, 10);
  EXPECT_EQ(dest_image->pen_x, 123.0f);
  EXPECT_EQ(dest_image->coord_state, 1);
}

TEST_F(ScreenTest, FailingScreenChangesNothing) {
  rt_screen(12, 0, 0, 0, 0, 1);
  struct { int mode, apage, vpage, passed; uint32_t error; } cases[] = {
      {3, 0, 0, 1, 5}, {6, 0, 0, 1, 5}, {14, 0, 0, 1, 5}, {256, 0, 0, 1, 5}, {32, 0, 0, 1, 5},
      {0, -1, 0, 4, 5}, {0, 3, -1, 12, 5}, {13, -1, 0, 5, 5},
      {-1, 0, 0, 1, 258}, {-99, 0, 0, 1, 258}, {-2147483647 - 1, 0, 0, 1, 258},
      {0, 2147483647, 0, 4, 5}, {0, 0, 65536, 12, 5},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.apage << " " << c.vpage);
    ScreenSnapshot before;
    rt_screen(c.mode, 0, c.apage, c.vpage, 0, c.passed);
    EXPECT_EQ(pending_error.load(), c.error);
    pending_error = 0;
    EXPECT_TRUE(before == ScreenSnapshot());
    EXPECT_EQ(page_count, 1);  // no page 3 was made on the way to the error
  }
}

TEST_F(ScreenTest, ScreenShowsAnImageByHandle) {
  rt_screen(12, 0, 0, 0, 0, 1);
  int32_t index = image_create(320, 200, 13);
  ASSERT_GT(index, 2);
  rt_screen(-index, 0, 0, 0, 0, 1);
  ASSERT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(page_list[0], index);
  EXPECT_EQ(display_index, index);
  EXPECT_EQ(screen_is_user_image, 1);
  rt_screen(12, 0, 0, 0, 0, 1);  // the image lives on as an ordinary image
  EXPECT_TRUE(image_table[index].in_use);
  EXPECT_FALSE(image_table[index].owner_flags & IMAGE_IS_PAGE);
  EXPECT_NE(page_list[0], index);
}

// Page 1 shares page 0's palette; shown by handle it outlives page 0 and keeps its colours.
TEST_F(ScreenTest, ScreenShowsAPageByHandleWithItsOwnPalette) {
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_screen(0, 0, 1, 0, 0, 4);  // SCREEN , , 1
  int32_t one = page_list[1];
  ASSERT_EQ(image_table[one].palette, page(0).palette);
  rt_screen(-one, 0, 0, 0, 0, 1);
  ASSERT_EQ(pending_error.load(), 0u);
  ASSERT_EQ(page_list[0], one);
  const Image &shown = image_table[one];
  EXPECT_TRUE(shown.owner_flags & IMAGE_OWNS_PALETTE);
  for (int i = 0; i < 16; i++) EXPECT_EQ(shown.palette[i], vga_colours[i]) << i;
  rt_screen(12, 0, 0, 0, 0, 1);  // an ordinary image again, still with its colours
  EXPECT_TRUE(image_table[one].in_use);
  EXPECT_EQ(image_table[one].palette[14], vga_colours[14]);
}

TEST_F(ScreenTest, PcopyCopiesPixelsOnly) {
  rt_screen(12, 0, 0, 0, 0, 1);
  print_line("SAVED");
  rt_pcopy(0, 1);
  ASSERT_EQ(pending_error.load(), 0u);
  ASSERT_EQ(page_count, 2);
  EXPECT_EQ(0, std::memcmp(page(0).pixels, page(1).pixels, 640 * 480));
  EXPECT_EQ(page(1).palette, page(0).palette);
  rt_cls(0, 0, 0);
  print_line("CHANGED");
  rt_locate(7, 9, 0, 0, 0, 3);
  rt_pcopy(1, 0);
  EXPECT_EQ(dest_text(1, 2), "SAVED\n");
  EXPECT_EQ(dest_image->cur_row, 7);  // the cursor of page 0 did not move
  EXPECT_EQ(dest_image->cur_col, 9);
  rt_pcopy(0, 0);  // the same image: nothing
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(ScreenTest, PcopyErrorsCopyNothing) {
  rt_screen(12, 0, 0, 0, 0, 1);
  print_line("ZERO");
  int32_t small = image_create(320, 200, 12);
  int32_t mono = image_create(640, 480, 11);
  std::memset(image_table[mono].pixels, 1, 640 * 480);
  struct { int32_t from, to; } cases[] = {
      {0, -small}, {-small, 0}, {0, -mono}, {0, -4000}, {-4000, 5}, {-1, 0}, {0, -1},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
    rt_pcopy(c.from, c.to);
    EXPECT_EQ(pending_error.load(), 5u);
    pending_error = 0;
  }
  EXPECT_EQ(dest_text(1, 1), "ZERO");
  EXPECT_EQ(page_count, 1);  // page 5 was not created by the failing PCOPY
  // A mono image into a 16-colour page is allowed (mask 1 <= 15).
  rt_pcopy(-mono, 0);
  EXPECT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(static_cast<uint8_t *>(dest_image->pixels)[1000], 1);
}

TEST_F(ScreenTest, TextAttributes) {
  EXPECT_EQ(text_attribute(20, 1), 0x94);
  EXPECT_EQ(text_attribute(7, 0), 0x07);
  EXPECT_EQ(text_attribute(15, 7), 0x7F);
  rt_color(20, 1, 0, 3);
  print_item("X");
  EXPECT_EQ(rt_screen_read(1, 1, 1, 1), 0x94);
}

TEST_F(ScreenTest, ImageTableReusesFreedSlots) {
  int32_t a = image_create(10, 10, 13);
  int32_t b = image_create(10, 10, 32);
  ASSERT_GT(a, 0);
  ASSERT_EQ(b, a + 1);
  EXPECT_EQ(image_table[b].fore_colour, 0xFFFFFFFFu);
  EXPECT_EQ(image_table[b].back_colour, 0xFF000000u);
  EXPECT_EQ(image_table[b].palette, nullptr);
  EXPECT_EQ(image_table[a].clear_colour, -1);
  image_release(a);
  EXPECT_FALSE(image_table[a].in_use);
  EXPECT_EQ(image_slot_free(a), 0);  // twice: ignored
  EXPECT_EQ(image_create(5, 5, 0), a);
  EXPECT_EQ(image_create(0, 5, 12), 0);
  EXPECT_EQ(image_create(5, 5, 4), 0);
  EXPECT_EQ(resolve_image(-a), a);
  EXPECT_EQ(resolve_image(-(b + 1)), -1);
  EXPECT_EQ(pending_error.load(), 258u);
}

TEST_F(ScreenTest, TableGrowsPastItsFirstBlock) {
  Image *before = image_table;
  int32_t last = 0;
  for (int i = 0; i < IMAGE_TABLE_BLOCK + 10; i++) last = image_create(1, 1, 13);
  EXPECT_EQ(last, IMAGE_TABLE_BLOCK + 10 + 9);  // 2 reserved, 8 text pages, then ours
  EXPECT_EQ(image_capacity, 2 * IMAGE_TABLE_BLOCK);
  EXPECT_EQ(dest_image, &image_table[dest_index]);  // pointers follow the moved table
  (void)before;
  print_line("STILL");
  EXPECT_EQ(dest_text(1, 1), "STILL");
}

TEST_F(ScreenTest, ModeChangeWaitsForTheComposer) {
  std::atomic<int> saw_request{0}, done{0};
  std::thread composer([&] {
    // Grants the pause the way the composer does, and stays out until it is released.
    while (!done.load()) {
      if (rt_control.display_pause.load() == 1) {
        saw_request = 1;
        rt_control.display_pause.store(2);
      }
      std::this_thread::yield();
    }
  });
  mainloop_running = 1;
  rt_screen(12, 0, 0, 0, 0, 1);
  mainloop_running = 0;
  done = 1;
  composer.join();
  EXPECT_EQ(saw_request.load(), 1);
  EXPECT_EQ(rt_control.display_pause.load(), 0);
  EXPECT_EQ(prev_frame_valid.load(), 0);
  // Without a composer nothing waits.
  rt_screen(0, 0, 0, 0, 0, 1);
  EXPECT_EQ(rt_control.display_pause.load(), 0);
  // In manual display mode the program thread composes itself: no pause either.
  mainloop_running = 1;
  rt_control.autodisplay = 0;
  rt_screen(12, 0, 0, 0, 0, 1);
  EXPECT_EQ(rt_control.display_pause.load(), 0);
  // A switch to manual display acknowledged while SCREEN waits ends the wait.
  rt_control.autodisplay = -1;
  std::thread acknowledger([] {
    while (rt_control.display_pause.load() != 1) std::this_thread::yield();
    rt_control.autodisplay = 0;
  });
  rt_screen(0, 0, 0, 0, 0, 1);
  acknowledger.join();
  EXPECT_EQ(rt_control.display_pause.load(), 0);
  EXPECT_EQ(page(0).mode, 0);
  mainloop_running = 0;
  rt_control.autodisplay = 1;
}

TEST_F(ScreenTest, TableGrowthPausesTheComposer) {
  std::atomic<int> grants{0}, done{0};
  std::thread composer([&] {
    while (!done.load()) {
      int expected = 1;
      if (rt_control.display_pause.compare_exchange_strong(expected, 2)) grants++;
      std::this_thread::yield();
    }
  });
  mainloop_running = 1;
  for (int i = 0; i < IMAGE_TABLE_BLOCK; i++) image_create(1, 1, 13);
  mainloop_running = 0;
  done = 1;
  composer.join();
  EXPECT_EQ(grants.load(), 1);  // one growth of the table, one pause
  EXPECT_EQ(rt_control.display_pause.load(), 0);
  EXPECT_EQ(display_image, &image_table[display_index]);
}

TEST(BuiltinData, GlyphRows) {
  screen_test_startup();
  auto rows_of = [](const uint8_t *pixels, int rows) {
    std::vector<int> out;
    for (int r = 0; r < rows; r++) {
      int v = 0;
      for (int c = 0; c < 8; c++) {
        uint8_t p = pixels[r * 8 + c];
        EXPECT_TRUE(p == 0 || p == 0xFF);
        v = v << 1 | (p ? 1 : 0);
      }
      out.push_back(v);
    }
    return out;
  };
  EXPECT_EQ(rows_of(glyphs_8x16 + '0' * 128, 16),
            (std::vector<int>{0x00, 0x00, 0x7C, 0xC6, 0xC6, 0xCE, 0xDE, 0xF6, 0xE6, 0xC6, 0xC6,
                              0x7C, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(rows_of(glyphs_8x8 + 'A' * 64, 8),
            (std::vector<int>{0x30, 0x78, 0xCC, 0xCC, 0xFC, 0xCC, 0xCC, 0x00}));
  EXPECT_EQ(rows_of(glyphs_8x16 + 0xDB * 128, 16), std::vector<int>(16, 0xFF));  // full block
  EXPECT_EQ(rows_of(glyphs_8x8 + ' ' * 64, 8), std::vector<int>(8, 0));
  EXPECT_EQ(rows_of(glyphs_8x16 + 0xC4 * 128, 16)[7], 0xFF);  // horizontal line
  // Font 14 is rows 1 to 14 of the 8x16 glyph.
  EXPECT_EQ(builtin_glyph_row(14, '0', 0), glyphs_8x16 + '0' * 128 + 8);
  EXPECT_EQ(font_height[14], 14);
  EXPECT_EQ(font_width[17], 16);
  EXPECT_EQ(font_flags[8], FONT_MONOSPACE);
  EXPECT_EQ(last_font_id, 48);
}

TEST(BuiltinData, Palettes) {
  screen_test_startup();
  struct { int index; uint32_t colour; } vga[] = {
      {0, 0xFF000000}, {6, 0xFFAA5500}, {15, 0xFFFFFFFF}, {16, 0xFF000000}, {17, 0xFF141414},
      {23, 0xFF616161}, {31, 0xFFFFFFFF}, {32, 0xFF0000FF}, {36, 0xFFFF00FF}, {40, 0xFFFF0000},
      {44, 0xFFFFFF00}, {48, 0xFF00FF00}, {52, 0xFF00FFFF}, {55, 0xFF0041FF}, {56, 0xFF7D7DFF},
      {104, 0xFF000071}, {176, 0xFF000041}, {224, 0xFF2D2D41}, {247, 0xFF2D3141},
      {248, 0xFF000000}, {255, 0xFF000000},
  };
  for (auto &c : vga) EXPECT_EQ(vga_colours[c.index], c.colour) << c.index;
  EXPECT_EQ(ega_colours[0], 0xFF000000u);
  EXPECT_EQ(ega_colours[20], 0xFFAA5500u);
  EXPECT_EQ(ega_colours[63], 0xFFFFFFFFu);
  EXPECT_EQ(ega_colours[56], 0xFF555555u);
  EXPECT_EQ(ega_colours[7], 0xFFAAAAAAu);
}

}  // namespace

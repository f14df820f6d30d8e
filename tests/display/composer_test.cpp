// The composer in-process: frame_compose runs on the test thread over real screen pages
// made by SCREEN and the image functions; no window and no other thread is involved.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "runtime/frame/display_internal.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"

namespace {

int64_t fake_now_ms = 0;
int64_t fake_elapsed() { return fake_now_ms; }
int64_t fake_calendar() { return 1000000; }

class Composer : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_startup();
    screen_load_builtin_data();
    display_startup();
    screen_enter_start_mode();
    rt_control.autodisplay = 0;
    rt_control.display_pause = 0;
    rt_control.screen_hidden = 0;
    rt_control.frame_counter = 0;
    prev_frame_valid = 0;
  }
  void TearDown() override { platform_set_clock_source(nullptr, nullptr); }

  // Composes once; returns the new slot, or 0 when no frame was produced.
  static int compose() {
    int before = frame_ring.ring_newest.load();
    int oldest_before = frame_ring.ring_oldest.load();
    frame_compose();
    EXPECT_EQ(frame_done.load(), 1);
    int after = frame_ring.ring_newest.load();
    if (after == before && !(oldest_before == 0 && frame_ring.ring_oldest.load() != 0))
      return 0;
    return after;
  }
  // What the presenter does after drawing: every frame before the newest is superseded.
  static void present() {
    int s = frame_ring.ring_oldest.load();
    if (s == 0) return;
    while (s != frame_ring.ring_newest.load()) {
      frame_ring.slot[s].displayed = 1;
      s = ring_next(s);
    }
    frame_ring.slot[s].shown = 1;
  }
  static const FrameSlot &newest() { return frame_ring.slot[frame_ring.ring_newest.load()]; }
  static uint32_t pixel(int x, int y) {
    const FrameSlot &f = newest();
    return f.pixels.load()[static_cast<size_t>(y) * f.width.load() + x];
  }
  static void put_cell(int col, int row, uint8_t c, uint8_t a) {  // 0-based
    uint8_t *cells = static_cast<uint8_t *>(display_image->pixels);
    size_t i = (static_cast<size_t>(row) * display_image->size_x + col) * 2;
    cells[i] = c;
    cells[i + 1] = a;
  }
  // Pixel (x, y) of glyph c in the 8x16 font is set.
  static bool glyph16_bit(uint8_t c, int x, int y) { return glyphs_8x16[c * 128 + y * 8 + x] != 0; }
};

TEST_F(Composer, StartUpTextScreenIs640x400AndBlank) {
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(newest().width.load(), 640);
  EXPECT_EQ(newest().height.load(), 400);
  for (int y = 0; y < 400; y += 7)
    for (int x = 0; x < 640; x += 5) ASSERT_EQ(pixel(x, y) & 0xFFFFFF, 0u);
}

TEST_F(Composer, UnchangedTextPageProducesNoFrame) {
  ASSERT_NE(compose(), 0);
  present();
  for (int i = 0; i < 5; i++) EXPECT_EQ(compose(), 0) << "pass " << i;
  put_cell(3, 2, 'A', 0x1E);  // yellow on blue
  int s = compose();
  ASSERT_NE(s, 0);
  // The changed cell is drawn, the rest is carried over from the previous frame.
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 8; x++) {
      uint32_t want = glyph16_bit('A', x, y) ? vga_colours[14] : vga_colours[1];
      ASSERT_EQ(pixel(3 * 8 + x, 2 * 16 + y), want) << x << "," << y;
    }
  EXPECT_EQ(pixel(0, 0), vga_colours[0]);
  EXPECT_EQ(compose(), 0);
}

TEST_F(Composer, PaletteChangeRedrawsTheWholeTextPage) {
  put_cell(0, 0, 0xDB, 0x07);  // full block in grey
  ASSERT_NE(compose(), 0);
  present();
  EXPECT_EQ(pixel(0, 0), vga_colours[7]);
  display_image->palette[7] = 0xFF123456;
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(pixel(0, 0), 0xFF123456u);
}

TEST_F(Composer, BlinkingCellAlternatesEvery8Passes) {
  // 'H' white on blue with the blink bit: shown in blue during the off phase.
  put_cell(10, 5, 'H', 0x9F);
  int fx = -1, fy = -1;  // a foreground pixel of the glyph
  for (int y = 0; y < 16 && fx < 0; y++)
    for (int x = 0; x < 8; x++)
      if (glyph16_bit('H', x, y)) { fx = x; fy = y; break; }
  ASSERT_GE(fx, 0);
  int frames = 0;
  for (int pass = 0; pass < 40; pass++) {
    rt_control.frame_counter = pass;
    int s = compose();
    present();
    if (s != 0) frames++;
    bool off = (pass / 8) % 2 == 1;
    ASSERT_EQ(pixel(10 * 8 + fx, 5 * 16 + fy), off ? vga_colours[1] : vga_colours[15])
        << "pass " << pass;
    ASSERT_EQ(s != 0, pass % 8 == 0) << "pass " << pass;
  }
  EXPECT_EQ(frames, 5);
}

TEST_F(Composer, PhaseFlipWithoutBlinkOrCursorProducesNoFrame) {
  ASSERT_NE(compose(), 0);
  present();
  for (int pass = 1; pass < 40; pass++) {
    rt_control.frame_counter = pass;
    ASSERT_EQ(compose(), 0) << "pass " << pass;
  }
}

struct CursorCase {
  int font, start, stop, first, last;  // expected rows first..last, first -1 = none
};

class CursorShape : public Composer, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(CursorShape, DrawsTheRowsOfTheShapeRule) {
  const CursorCase &k = GetParam();
  image_set_font(k.font, display_index);
  Image *page = display_image;
  page->cursor_visible = 1;
  page->cursor_start = static_cast<uint8_t>(k.start);
  page->cursor_stop = static_cast<uint8_t>(k.stop);
  page->cur_col = 5;  // cell (4, 2), a blank cell with attribute 07h
  page->cur_row = 3;
  page->wrap_pending = 0;
  rt_control.frame_counter = 8;  // cursor phase 1
  ASSERT_NE(compose(), 0);
  const int h = font_height[k.font], w = 8;
  ASSERT_EQ(newest().height.load(), page->size_y * h);
  for (int y = 0; y < h; y++) {
    bool lit = k.first >= 0 && y >= k.first && y <= k.last;
    for (int x = 0; x < w; x++)
      ASSERT_EQ(pixel(4 * w + x, 2 * h + y), lit ? vga_colours[7] : vga_colours[0])
          << "row " << y;
  }
  // In the other phase the cell is blank again.
  present();
  rt_control.frame_counter = 16;
  ASSERT_NE(compose(), 0);
  for (int y = 0; y < h; y++) ASSERT_EQ(pixel(4 * w, 2 * h + y), vga_colours[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CursorShape,
    ::testing::Values(CursorCase{16, 0, 7, 0, 15},   // start 0 stop 7: to the bottom
                      CursorCase{16, 6, 7, 13, 14},  // two rows upwards from row 14
                      CursorCase{16, 4, 4, 14, 14},  // the default: one row
                      CursorCase{14, 4, 4, 13, 13}, CursorCase{8, 4, 4, 7, 7},
                      CursorCase{16, 5, 0, -1, -1},  // stop 0, start not 0: hidden
                      CursorCase{16, 0, 0, 0, 0}, CursorCase{16, 2, 2, 2, 2},
                      CursorCase{16, 7, 3, 3, 15},   // stop below start: to the bottom
                      CursorCase{16, 0, 3, 0, 3}, CursorCase{16, 2, 3, 2, 3},
                      CursorCase{16, 2, 4, 12, 14}, CursorCase{16, 2, 9, 2, 15},
                      CursorCase{16, 5, 7, 12, 14},
                      CursorCase{16, 3, 12, 8, 15},  // half the cell, no row-14 rule
                      CursorCase{8, 3, 12, 4, 7}, CursorCase{8, 10, 12, 5, 7},
                      CursorCase{8, 12, 10, -1, -1}));  // starts below the cell

TEST_F(Composer, CursorKeepsTheForegroundOfABlinkingCellAndFollowsItsCell) {
  put_cell(0, 0, ' ', 0x9C);  // blinking light red on blue
  Image *page = display_image;
  page->cursor_visible = 1;
  page->cursor_start = 0;
  page->cursor_stop = 15;
  page->cur_col = 1;
  page->cur_row = 1;
  rt_control.frame_counter = 8;  // blink off and cursor on
  ASSERT_NE(compose(), 0);
  present();
  EXPECT_EQ(pixel(3, 3), vga_colours[12]);
  // Moving the cursor redraws its old cell without it.
  page->cur_col = 2;
  ASSERT_NE(compose(), 0);
  present();
  EXPECT_EQ(pixel(3, 3), vga_colours[1]);
  EXPECT_EQ(pixel(8 + 3, 3), vga_colours[7]);
  // A cursor held after the last column shows at the start of the next row.
  page->cur_col = 80;
  page->cur_row = 1;
  page->wrap_pending = 2;
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(pixel(8 + 3, 3), vga_colours[0]);
  EXPECT_EQ(pixel(3, 16 + 3), vga_colours[7]);
  EXPECT_EQ(pixel(79 * 8 + 3, 3), vga_colours[0]);
}

TEST_F(Composer, WideFontsShowEveryGlyphColumnTwice) {
  struct { int font, rows, first_row; bool tall; } fonts[] = {{17, 16, 0, true},
                                                            {15, 14, 1, true},
                                                            {9, 8, 0, false}};
  for (auto &k : fonts) {
    prev_frame_valid = 0;
    image_set_font(k.font, display_index);
    put_cell(1, 0, 'W', 0x0F);
    ASSERT_NE(compose(), 0) << k.font;
    ASSERT_EQ(newest().width.load(), 80 * 16) << k.font;
    ASSERT_EQ(newest().height.load(), 25 * k.rows) << k.font;
    for (int y = 0; y < k.rows; y++)
      for (int x = 0; x < 8; x++) {
        bool bit = k.tall ? glyphs_8x16['W' * 128 + (y + k.first_row) * 8 + x] != 0
                          : glyphs_8x8['W' * 64 + y * 8 + x] != 0;
        uint32_t want = bit ? vga_colours[15] : vga_colours[0];
        ASSERT_EQ(pixel(16 + 2 * x, y), want) << k.font << " " << x << "," << y;
        ASSERT_EQ(pixel(16 + 2 * x + 1, y), want) << k.font << " " << x << "," << y;
      }
    present();
  }
}

TEST_F(Composer, ShowingAnotherImageWithoutAPageReplacementIsDrawnWhole) {
  // A 640 x 400 palette image and the text page make frames of the same size; switching
  // between them must never patch one's frame with the other's cells or pixels.
  put_cell(0, 0, 0xDB, 0x0E);
  ASSERT_NE(compose(), 0);
  present();
  const int32_t text_index = display_index;
  int32_t picture = image_create(640, 400, 13);
  ASSERT_GT(picture, 0);
  std::memset(image_table[picture].pixels, 4, 640 * 400);
  display_index = picture;  // shown as it is, with prev_frame_valid still set
  image_pointers_refresh();
  ASSERT_NE(compose(), 0);
  present();
  EXPECT_EQ(pixel(3, 3), image_table[picture].palette[4]);
  EXPECT_EQ(pixel(600, 300), image_table[picture].palette[4]);
  display_index = text_index;
  image_pointers_refresh();
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(pixel(3, 3), vga_colours[14]);
  EXPECT_EQ(pixel(600, 300), vga_colours[0]);
  present();
  display_index = picture;  // the unchanged picture again: its pixels equal the shadow
  image_pointers_refresh();
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(pixel(3, 3), image_table[picture].palette[4]);
}

TEST_F(Composer, UnchangedPalettePageProducesNoFrame) {
  rt_screen(12, 0, 0, 0, 0, 1);
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(newest().width.load(), 640);
  EXPECT_EQ(newest().height.load(), 480);
  present();
  for (int i = 0; i < 5; i++) EXPECT_EQ(compose(), 0);
  image_pixel_put(display_image, 639, 479, 9);
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(pixel(639, 479), vga_colours[9]);
  present();
  EXPECT_EQ(compose(), 0);
  display_image->palette[9] = 0xFF00FF00;  // a used palette entry changes the picture
  ASSERT_NE(compose(), 0);
  EXPECT_EQ(pixel(639, 479), 0xFF00FF00u);
  present();
  display_image->palette[200] = 0xFFABCDEF;  // an entry a 16-colour page cannot use
  EXPECT_EQ(compose(), 0);
  prev_frame_valid = 0;  // a page replacement forces the next frame
  EXPECT_NE(compose(), 0);
}

TEST_F(Composer, FramesAfterRowChangesEqualAWholeRedrawInRecycledBuffers) {
  rt_screen(12, 0, 0, 0, 0, 1);
  Image *page = display_image;
  const int w = page->size_x, h = page->size_y;
  uint8_t *px = static_cast<uint8_t *>(page->pixels);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) px[y * w + x] = static_cast<uint8_t>((x / 8 + y) & 15);
  ASSERT_NE(compose(), 0);
  present();
  // Each round changes a few rows (first, last, one in between); recycled buffers hold
  // older pictures, so every unchanged row must still come out right.
  for (int round = 0; round < 12; round++) {
    const int rows[] = {0, h - 1, (round * 37) % h};
    for (int y : rows) {
      uint8_t &p = px[y * w + (round * 13) % w];
      p = static_cast<uint8_t>((p + 1) & 15);
    }
    if (round == 6) page->palette[3] = 0xFF123456;  // a palette change redraws everything
    ASSERT_NE(compose(), 0) << round;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        ASSERT_EQ(pixel(x, y), page->palette[px[y * w + x]]) << round << ": " << x << "," << y;
    present();
  }
}

struct PaletteCase {
  int mode;
  int width, height;
  uint32_t value;  // pixel written
};
class PalettePath : public Composer, public ::testing::WithParamInterface<PaletteCase> {};

TEST_P(PalettePath, EveryPixelIsItsPaletteEntry) {
  const PaletteCase &k = GetParam();
  rt_screen(k.mode, 0, 0, 0, 0, 1);
  Image *page = display_image;
  ASSERT_EQ(page->size_x, k.width);
  ASSERT_EQ(page->size_y, k.height);
  uint8_t *px = static_cast<uint8_t *>(page->pixels);
  const uint32_t mask = page->colour_mask;
  for (int y = 0; y < k.height; y++)
    for (int x = 0; x < k.width; x++) px[y * k.width + x] = static_cast<uint8_t>((x + y) & mask);
  px[0] = static_cast<uint8_t>(k.value);
  ASSERT_NE(compose(), 0);
  ASSERT_EQ(newest().width.load(), k.width);
  for (int y = 0; y < k.height; y += 3)
    for (int x = 0; x < k.width; x += 3)
      ASSERT_EQ(pixel(x, y), page->palette[px[y * k.width + x]]) << x << "," << y;
  EXPECT_EQ(pixel(0, 0), page->palette[k.value]);
}

INSTANTIATE_TEST_SUITE_P(Modes, PalettePath,
                         ::testing::Values(PaletteCase{12, 640, 480, 14},
                                           PaletteCase{13, 320, 200, 200},
                                           PaletteCase{1, 320, 200, 3},
                                           PaletteCase{2, 640, 200, 1},
                                           PaletteCase{9, 640, 350, 6}));

TEST_F(Composer, Screen10PseudoColoursFlipEvery512ms) {
  platform_set_clock_source(fake_elapsed, fake_calendar);
  rt_screen(10, 0, 0, 0, 0, 1);
  Image *page = display_image;
  page->palette[5] = 5;  // attribute 1 shows pseudo-colour 5: grey, then white
  uint8_t *px = static_cast<uint8_t *>(page->pixels);
  px[0] = 1;
  px[1] = 2;  // attribute 2: pseudo-colour 6 by default, white then black
  px[2] = 3;  // attribute 3: pseudo-colour 8, white in both phases
  const uint32_t grey = 0x808080, white = 0xFFFFFF, black = 0;
  struct { int64_t ms; uint32_t a1, a2; } steps[] = {
      {0, grey, white}, {511, grey, white}, {512, white, black}, {1023, white, black},
      {1024, grey, white}, {1536, white, black}};
  for (auto &step : steps) {
    fake_now_ms = step.ms;
    compose();
    present();
    EXPECT_EQ(pixel(0, 0) & 0xFFFFFF, step.a1) << step.ms;
    EXPECT_EQ(pixel(1, 0) & 0xFFFFFF, step.a2) << step.ms;
    EXPECT_EQ(pixel(2, 0) & 0xFFFFFF, white) << step.ms;
    EXPECT_EQ(pixel(3, 0) & 0xFFFFFF, black) << step.ms;
  }
  // Within one phase nothing changes, so no new frame.
  fake_now_ms = 1600;
  EXPECT_EQ(compose(), 0);
}

TEST_F(Composer, ThirtyTwoBitPageIsCopiedIntoEveryFrame) {
  int32_t index = image_create(50, 30, 32);
  ASSERT_GT(index, 0);
  uint32_t *px = static_cast<uint32_t *>(image_table[index].pixels);
  for (int i = 0; i < 50 * 30; i++) px[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
  rt_screen(-index, 0, 0, 0, 0, 1);
  ASSERT_EQ(display_index, index);
  ASSERT_NE(compose(), 0);
  present();
  px = static_cast<uint32_t *>(display_image->pixels);
  ASSERT_EQ(std::memcmp(newest().pixels.load(), px, 50 * 30 * 4), 0);
  EXPECT_NE(compose(), 0);  // no change test for 32-bit pages
}

TEST_F(Composer, RingMaintenanceNeverFreesOneOfTheFourNewestFrames) {
  for (int pass = 0; pass < 10; pass++) {
    put_cell(pass, 0, 'a', 0x07);
    ASSERT_NE(compose(), 0);
  }
  present();  // frames 1..9 are now displayed, 10 is shown
  ring_maintain();
  const int newest = frame_ring.ring_newest.load();
  EXPECT_EQ(newest, 10);
  EXPECT_EQ(frame_ring.ring_oldest.load(), 7);
  for (int s = 1; s <= FRAME_RING_SLOTS; s++)
    EXPECT_EQ(frame_ring.slot[s].pixels.load() != nullptr, s >= 7 && s <= 10) << "slot " << s;
  // Around the wrap from 64 to 1 as well.
  display_startup();
  prev_frame_valid = 0;
  for (int pass = 0; pass < 66; pass++) {
    put_cell(pass % 80, 2, static_cast<uint8_t>('a' + pass % 26), 0x07);
    ASSERT_NE(compose(), 0) << pass;
    if (pass == 60) present();
  }
  present();
  ring_maintain();
  EXPECT_EQ(frame_ring.ring_newest.load(), 2);
  EXPECT_EQ(frame_ring.ring_oldest.load(), 63);
  for (int s : {63, 64, 1, 2}) EXPECT_NE(frame_ring.slot[s].pixels.load(), nullptr) << s;
  for (int s = 3; s <= 62; s++) EXPECT_EQ(frame_ring.slot[s].pixels.load(), nullptr) << s;
}

TEST_F(Composer, FramesNotYetDisplayedAreNeverFreedOrReused) {
  for (int pass = 0; pass < 300; pass++) {
    put_cell(pass % 80, 0, static_cast<uint8_t>('A' + pass % 26), 0x07);
    // Every frame the presenter has not superseded yet, with its buffer and contents.
    std::vector<std::tuple<int, uint32_t *, std::vector<uint32_t>>> waiting;
    for (int s = 1; s <= FRAME_RING_SLOTS; s++) {
      const FrameSlot &f = frame_ring.slot[s];
      if (f.pixels.load() != nullptr && f.displayed.load() == 0)
        waiting.emplace_back(s, f.pixels.load(),
                             std::vector<uint32_t>(f.pixels.load(), f.pixels.load() + 640 * 400));
    }
    ASSERT_NE(compose(), 0);
    for (auto &[slot, buffer, contents] : waiting) {
      const FrameSlot &f = frame_ring.slot[slot];
      ASSERT_EQ(f.pixels.load(), buffer) << "pass " << pass << " slot " << slot;
      ASSERT_EQ(std::memcmp(buffer, contents.data(), 640 * 400 * 4), 0)
          << "pass " << pass << " slot " << slot;
    }
    // The presenter falls behind by a varying number of frames.
    if (pass % 7 == 0 || pass % 3 == 0) present();
  }
  // Steady state keeps only the few newest frames: buffers are recycled, not piled up.
  present();
  int held = 0;
  for (int s = 1; s <= FRAME_RING_SLOTS; s++) held += frame_ring.slot[s].pixels.load() != nullptr;
  EXPECT_GE(held, 4);
  EXPECT_LE(held, 8);
}

TEST_F(Composer, FullRingDropsFramesUntilThePresenterCatchesUp) {
  for (int pass = 0; pass < FRAME_RING_SLOTS; pass++) {
    put_cell(pass, 1, 'x', 0x07);
    ASSERT_NE(compose(), 0) << "pass " << pass;
  }
  put_cell(70, 1, 'y', 0x07);
  rt_control.autodisplay = -1;  // a switch to manual frames is acknowledged even so
  EXPECT_EQ(compose(), 0);       // every slot holds an unpresented frame: dropped
  EXPECT_EQ(rt_control.autodisplay.load(), 0);
  present();
  int s = compose();
  ASSERT_NE(s, 0);  // the change is still there and goes into the next frame
  EXPECT_EQ(pixel(70 * 8 + 3, 16 + 7), glyph16_bit('y', 3, 7) ? vga_colours[7] : vga_colours[0]);
}

TEST_F(Composer, SlotThatShouldBeEmptyEndsTheProcessWith9090) {
  ASSERT_NE(compose(), 0);
  int next = ring_next(frame_ring.ring_newest.load());
  frame_ring.slot[next].pixels = new uint32_t[4];
  put_cell(0, 0, 'Z', 0x07);
  // The host keeps the low 8 bits of an exit code: 9090 arrives as 130.
  EXPECT_EXIT(frame_compose(), ::testing::ExitedWithCode(9090 & 0xFF), "");
  delete[] frame_ring.slot[next].pixels.exchange(nullptr);
}

TEST_F(Composer, PauseIsGrantedAndTheComposerStaysOut) {
  rt_control.display_pause = 1;
  EXPECT_EQ(compose(), 0);
  EXPECT_EQ(rt_control.display_pause.load(), 2);
  EXPECT_EQ(compose(), 0);  // stays out while the change is being made
  EXPECT_EQ(rt_control.display_pause.load(), 2);
  rt_control.display_pause = 0;
  EXPECT_NE(compose(), 0);
}

TEST_F(Composer, HiddenScreenComposesNothingButAcknowledgesManualMode) {
  rt_control.screen_hidden = 1;
  rt_control.autodisplay = -1;
  frame_done = 0;
  EXPECT_EQ(compose(), 0);
  EXPECT_EQ(frame_done.load(), 1);
  EXPECT_EQ(rt_control.autodisplay.load(), 0);
  rt_control.screen_hidden = 0;
  EXPECT_NE(compose(), 0);
}

TEST_F(Composer, ManualModeComposesOnTheCallingThread) {
  rt_control.autodisplay = 0;
  put_cell(0, 0, 'M', 0x0F);
  rt_display_now();
  ASSERT_NE(frame_ring.ring_oldest.load(), 0);
  int s = frame_ring.ring_newest.load();
  put_cell(1, 0, 'N', 0x0F);
  display_wait_frame();
  EXPECT_NE(frame_ring.ring_newest.load(), s);
  rt_autodisplay();
  EXPECT_EQ(rt_control.autodisplay.load(), 1);
  // With automatic frames on, the composer acknowledges a switch request.
  rt_control.autodisplay = -1;
  frame_compose();
  EXPECT_EQ(rt_control.autodisplay.load(), 0);
}

TEST_F(Composer, RetraceStatusIsLatched) {
  rt_control.retrace_latch = 1;
  rt_control.in_retrace = 0;
  EXPECT_EQ(retrace_status(), 8);
  EXPECT_EQ(retrace_status(), 0);
  rt_control.in_retrace = 1;
  EXPECT_EQ(retrace_status(), 8);
  EXPECT_EQ(retrace_status(), 8);
  rt_control.in_retrace = 0;
  EXPECT_EQ(retrace_status(), 0);
}

}  // namespace

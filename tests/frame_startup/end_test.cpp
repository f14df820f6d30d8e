// END seen from outside: the prompt on the bottom row of the start-up text screen, keys
// typed before it do not count, a key after it ends the process, and so does the close
// button.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "runtime/screen/screen.h"
#include "tests/support/support.h"

namespace {

const std::string program = FRAME_PROGRAM;
const char *const PROMPT = "Press any key to continue";

// The 640 x 400 picture of the start-up screen with text only on row 25: light grey
// glyphs of the 8 x 16 font on black.
std::vector<uint8_t> expected_screen(const std::string &bottom_row) {
  const int w = 640, h = 400;
  std::vector<uint8_t> rgb(size_t(w) * h * 3, 0);
  for (size_t col = 0; col < bottom_row.size(); ++col) {
    uint8_t c = uint8_t(bottom_row[col]);
    for (int r = 0; r < 16; ++r)
      for (int x = 0; x < 8; ++x)
        if (VGA_GLYPHS_8X16[c * 128 + r * 8 + x]) {
          uint8_t *p = rgb.data() + (size_t(384 + r) * w + col * 8 + size_t(x)) * 3;
          p[0] = p[1] = p[2] = 0xAA;
        }
  }
  return rgb;
}

// Waits until the window shows exactly the expected picture.
bool wait_for_picture(unsigned long window, const std::vector<uint8_t> &expected, int timeout_ms,
                      std::string *why) {
  int64_t end = monotonic_us() + int64_t(timeout_ms) * 1000;
  std::vector<uint8_t> rgb;
  int w = 0, h = 0, left = 0, top = 0;
  do {
    if (x_capture_rgb(window, &rgb, &w, &h, &left, &top) && w == 640 && h == 400) {
      // Pixels that could not be read (outside the screen) count as they should be.
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (x < left || y < top)
            for (int k = 0; k < 3; ++k)
              rgb[(size_t(y) * 640 + size_t(x)) * 3 + k] = expected[(size_t(y) * 640 + size_t(x)) * 3 + k];
      if (rgb == expected) return true;
    }
    usleep(20000);
  } while (monotonic_us() < end);
  *why = "window " + std::to_string(w) + "x" + std::to_string(h);
  if (rgb.size() == expected.size()) {
    size_t differ = 0;
    std::string where;
    for (size_t i = 0; i < rgb.size(); ++i)
      if (rgb[i] != expected[i] && differ++ < 8)
        where += " (" + std::to_string(i / 3 % 640) + "," + std::to_string(i / 3 / 640) + ")=" +
                 std::to_string(rgb[i]);
    *why += ", " + std::to_string(differ) + " channel values differ:" + where;
  }
  return false;
}

class EndPrompt : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display: set DISPLAY to run window tests";
  }
  void TearDown() override {
    child_kill(&child);
    // A sanitizer build reports its findings on the program's stderr.
    EXPECT_EQ(child.err.find("Sanitizer"), std::string::npos) << child.err;
  }
  void start(const std::string &mode) {
    ProcessOptions options;
    options.args = {mode};
    ASSERT_TRUE(child_start(&child, program, options));
    window = x_find_window_of_pid(child.pid, 10000);
    ASSERT_NE(window, 0ul) << child.err;
    ASSERT_TRUE(x_wait_mapped(window, 10000));
  }
  Child child;
  unsigned long window = 0;
};

TEST_F(EndPrompt, AProgramOfOnlyEndShowsThePromptAndEndsOnAKey) {
  ASSERT_NO_FATAL_FAILURE(start("end"));
  std::string why;
  ASSERT_TRUE(wait_for_picture(window, expected_screen(PROMPT), 10000, &why)) << why;
  usleep(200000);
  EXPECT_TRUE(child_running(&child));  // it waits for the key
  ASSERT_TRUE(x_send_keys(window, {"space"}));
  ProcessResult result = child_wait(&child, 10000);
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.err, "");
}

TEST_F(EndPrompt, KeysTypedBeforeThePromptAreDiscarded) {
  ASSERT_NO_FATAL_FAILURE(start("lateend"));
  ASSERT_TRUE(child_wait_stdout(&child, "waiting\n", 10000));
  ASSERT_TRUE(x_send_keys(window, {"a", "b", "Return"}));
  ASSERT_TRUE(child_wait_stdout(&child, "end\n", 10000));
  std::string why;
  ASSERT_TRUE(wait_for_picture(window, expected_screen(PROMPT), 10000, &why)) << why;
  usleep(300000);
  EXPECT_TRUE(child_running(&child)) << "a key typed before the prompt ended the program";
  ASSERT_TRUE(x_send_keys(window, {"x"}));
  ProcessResult result = child_wait(&child, 10000);
  EXPECT_EQ(result.exit_code, 0);
}

TEST_F(EndPrompt, TheCloseButtonEndsTheWait) {
  ASSERT_NO_FATAL_FAILURE(start("end"));
  std::string why;
  ASSERT_TRUE(wait_for_picture(window, expected_screen(PROMPT), 10000, &why)) << why;
  ASSERT_TRUE(x_send_delete_window(window));
  ProcessResult result = child_wait(&child, 10000);
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exit_code, 0);
}

}  // namespace

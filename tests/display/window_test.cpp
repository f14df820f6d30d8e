// The display pipeline seen from outside under the X display: a real program on the runtime
// (display_program) composes frames; the window's size and its captured pixels (XGetImage)
// must match the frames the program reports, pixel for pixel.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

const std::string program = DISPLAY_PROGRAM;

struct Frame {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

bool read_frame(const std::string &path, Frame *frame) {
  std::ifstream in(path, std::ios::binary);
  if (!in.read(reinterpret_cast<char *>(&frame->width), 4) ||
      !in.read(reinterpret_cast<char *>(&frame->height), 4))
    return false;
  frame->pixels.resize(static_cast<size_t>(frame->width) * frame->height);
  return static_cast<bool>(
      in.read(reinterpret_cast<char *>(frame->pixels.data()), frame->pixels.size() * 4));
}

// Pixels of the capture that differ from the frame (RGB; alpha is not shown).
long mismatches(const Frame &frame, const std::vector<uint8_t> &rgb, int w, int h) {
  if (w != frame.width || h != frame.height) return -1;
  long bad = 0;
  for (size_t i = 0; i < frame.pixels.size(); i++) {
    uint32_t p = frame.pixels[i];
    if (rgb[i * 3] != ((p >> 16) & 255) || rgb[i * 3 + 1] != ((p >> 8) & 255) ||
        rgb[i * 3 + 2] != (p & 255))
      bad++;
  }
  return bad;
}

class DisplayWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display: set DISPLAY to run window tests";
    char pattern[] = "/tmp/display_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    // A sanitizer report from the program fails the test even when the pictures matched.
    if (child.pid > 0) {
      child_poll(&child);
      for (const char *report : {"ThreadSanitizer", "AddressSanitizer", "runtime error:"})
        EXPECT_EQ(child.err.find(report), std::string::npos) << child.err;
    }
    child_kill(&child);
    if (!folder.empty()) std::system(("rm -rf " + folder).c_str());
  }

  void start(const std::string &mode) {
    ProcessOptions options;
    options.args = {mode, folder};
    ASSERT_TRUE(child_start(&child, program, options));
    window = x_find_window_of_pid(child.pid, 10000);
    ASSERT_NE(window, 0ul) << "no window; stderr: " << child.err;
    ASSERT_TRUE(x_wait_mapped(window, 10000));
    // Without a window manager the window sits at (-1, -1), one pixel off the screen, and
    // X refuses to read a window that is not wholly on it: move it as a manager would.
    char command[96];
    std::snprintf(command, sizeof command, "xdotool windowmove %lu 0 0", window);
    ASSERT_EQ(std::system(command), 0);
  }
  void go(int n) {
    std::ofstream(folder + "/go" + std::to_string(n)) << "go\n";
  }
  // Waits for the program's next "frame W H" report and reads that frame.
  Frame next_frame() {
    Frame frame;
    std::string line = "frame ";
    size_t from = child.out.size();
    for (int waited = 0; waited < 10000; waited += 10) {
      child_poll(&child);
      size_t at = child.out.find("frame ", from);
      if (at != std::string::npos && child.out.find('\n', at) != std::string::npos) {
        EXPECT_TRUE(read_frame(folder + "/frame.bin", &frame));
        return frame;
      }
      usleep(10000);
    }
    ADD_FAILURE() << "no frame report; stdout: " << child.out << " stderr: " << child.err;
    return frame;
  }
  // Captures the window until it shows the frame exactly (the presenter runs every 8 ms);
  // returns the mismatching pixel count of the last capture (-1: the size differs).
  long capture_until_equal(const Frame &frame, int timeout_ms = 5000) {
    long bad = -2;
    for (int waited = 0; waited <= timeout_ms; waited += 50) {
      std::vector<uint8_t> rgb;
      int w = 0, h = 0;
      if (x_capture_rgb(window, &rgb, &w, &h)) {
        bad = mismatches(frame, rgb, w, h);
        if (bad == 0) return 0;
      }
      usleep(50000);
    }
    return bad;
  }
  long capture_now(const Frame &frame) {
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    if (!x_capture_rgb(window, &rgb, &w, &h)) return -2;
    return mismatches(frame, rgb, w, h);
  }
  bool wait_size(int want_w, int want_h, int timeout_ms = 5000) {
    int w = 0, h = 0;
    for (int waited = 0; waited <= timeout_ms; waited += 20) {
      if (x_window_size(window, &w, &h) && w == want_w && h == want_h) return true;
      usleep(20000);
    }
    ADD_FAILURE() << "window is " << w << "x" << h << ", expected " << want_w << "x" << want_h;
    return false;
  }

  Child child;
  unsigned long window = 0;
  std::string folder;
};

TEST_F(DisplayWindow, CreatedAt1024x552AndSizedToTheFirstFrame) {
  start("held");
  ASSERT_TRUE(child_wait_stdout(&child, "ready\n", 10000)) << child.out;
  // No frame composed yet: the window keeps the size it was created with.
  usleep(300000);
  int w = 0, h = 0;
  ASSERT_TRUE(x_window_size(window, &w, &h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 552);
  go(1);
  Frame frame = next_frame();
  EXPECT_EQ(frame.width, 640);
  EXPECT_EQ(frame.height, 400);
  EXPECT_TRUE(wait_size(640, 400));
  EXPECT_EQ(capture_until_equal(frame), 0);
}

TEST_F(DisplayWindow, TextScreenIs640x400AndShowsTheComposedFrame) {
  start("text");
  Frame frame = next_frame();
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 400);
  EXPECT_TRUE(wait_size(640, 400));
  EXPECT_EQ(capture_until_equal(frame), 0);
  // The text really is there: the yellow-on-blue cells hold yellow and blue pixels.
  int yellow = 0, blue = 0;
  for (int y = 24 * 16; y < 25 * 16; y++)
    for (int x = 20 * 8; x < 34 * 8; x++) {
      uint32_t p = frame.pixels[static_cast<size_t>(y) * 640 + x] & 0xFFFFFF;
      yellow += p == 0xFFFF55;
      blue += p == 0x0000AA;
    }
  EXPECT_GT(yellow, 50);
  EXPECT_GT(blue, 50);
}

TEST_F(DisplayWindow, Screen12Makes640x480AndTheCaptureEqualsTheFrame) {
  start("screen12");
  Frame frame = next_frame();
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 480);
  EXPECT_TRUE(wait_size(640, 480));
  EXPECT_EQ(capture_until_equal(frame), 0);
}

TEST_F(DisplayWindow, ManualFramesChangeOnlyAtDisplayNow) {
  start("manual");
  Frame first = next_frame();  // composed by the switch to manual frames
  ASSERT_EQ(first.width, 640);
  EXPECT_EQ(capture_until_equal(first), 0);
  // The program has drawn another picture since, but no frame shows it.
  usleep(400000);
  EXPECT_EQ(capture_now(first), 0);
  go(1);
  Frame second = next_frame();  // rt_display_now composed the new picture
  EXPECT_GT(mismatches(second, std::vector<uint8_t>(640 * 480 * 3), 640, 480), 0);
  EXPECT_EQ(capture_until_equal(second), 0);
  EXPECT_NE(capture_now(first), 0);
  go(2);
  Frame third = next_frame();  // automatic frames again
  EXPECT_EQ(capture_until_equal(third), 0);
  EXPECT_NE(capture_now(second), 0);
}

TEST_F(DisplayWindow, TitleIsSetOnTheWindow) {
  start("title");
  ASSERT_TRUE(child_wait_stdout(&child, "titled\n", 10000));
  std::string title;
  for (int waited = 0; waited < 3000; waited += 20) {
    title = x_window_title(window);
    if (title == "Hallway Breakout") break;
    usleep(20000);
  }
  EXPECT_EQ(title, "Hallway Breakout");
}

TEST_F(DisplayWindow, StretchedWindowKeepsTheFramesAspect) {
  start("stretch");
  Frame frame = next_frame();
  ASSERT_TRUE(wait_size(640, 480));
  ASSERT_EQ(capture_until_equal(frame), 0);
  // The user makes the window wider only: the height follows at the frame's aspect.
  char command[128];
  std::snprintf(command, sizeof command, "xdotool windowsize %lu 960 480", window);
  ASSERT_EQ(std::system(command), 0);
  EXPECT_TRUE(wait_size(960, 720));
  ASSERT_TRUE(child_wait_stdout(&child, "resized 960 720\n", 5000)) << child.out;
  // The frame is drawn scaled by 1.5 in both directions (nearest pixel).
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  long bad = -1;
  for (int tries = 0; tries < 40 && bad != 0; tries++) {
    usleep(50000);
    ASSERT_TRUE(x_capture_rgb(window, &rgb, &w, &h));
    if (w != 960 || h != 720) continue;
    bad = 0;
    // Window pixel x samples texel floor((x + 0.5) * 2 / 3); pixels 3k + 1 sit exactly on
    // a texel edge, where rounding may go either way, so they are left out.
    for (int y = 0; y < 720; y++)
      for (int x = 0; x < 960; x++) {
        if (x % 3 == 1 || y % 3 == 1) continue;
        uint32_t p = frame.pixels[static_cast<size_t>((2 * y + 1) / 3) * 640 + (2 * x + 1) / 3];
        const uint8_t *c = &rgb[(static_cast<size_t>(y) * 960 + x) * 3];
        bad += c[0] != ((p >> 16) & 255) || c[1] != ((p >> 8) & 255) || c[2] != (p & 255);
      }
  }
  EXPECT_EQ(bad, 0);
  // Now only the height changes: the width follows.
  std::snprintf(command, sizeof command, "xdotool windowsize %lu 960 300", window);
  ASSERT_EQ(std::system(command), 0);
  EXPECT_TRUE(wait_size(400, 300));
  // Both change, the height by more: the width is derived from it.
  std::snprintf(command, sizeof command, "xdotool windowsize %lu 420 600", window);
  ASSERT_EQ(std::system(command), 0);
  EXPECT_TRUE(wait_size(800, 600));
}

TEST_F(DisplayWindow, FullScreenRequestIsServedOrTheWindowStays) {
  start("fullscreen");
  Frame frame = next_frame();
  ASSERT_TRUE(wait_size(640, 480));
  ASSERT_TRUE(child_wait_stdout(&child, "fullscreen ", 10000)) << child.out;
  child_poll(&child);
  size_t at = child.out.find("fullscreen ");
  int mode = std::atoi(child.out.c_str() + at + 11);
  if (mode == 0) {
    // No full-screen mode here: the window is unchanged and still shows the frame.
    int w = 0, h = 0;
    ASSERT_TRUE(x_window_size(window, &w, &h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(capture_now(frame), 0);
  } else {
    EXPECT_EQ(mode, 2);  // square pixels, as asked
  }
  go(1);
  for (int waited = 0; waited < 10000; waited += 10) {
    child_poll(&child);
    if (child.out.find("fullscreen ", at + 1) != std::string::npos &&
        child.out.back() == '\n')
      break;
    usleep(10000);
  }
  size_t again = child.out.find("fullscreen ", at + 1);
  ASSERT_NE(again, std::string::npos) << child.out;
  EXPECT_EQ(std::atoi(child.out.c_str() + again + 11), 0);
}

TEST_F(DisplayWindow, HiddenWindowComesBackWithItsPicture) {
  start("hide");
  Frame frame = next_frame();
  ASSERT_TRUE(wait_size(640, 480));
  ASSERT_TRUE(child_wait_stdout(&child, "hidden\n", 10000));
  bool hidden = false;
  for (int waited = 0; waited < 3000 && !hidden; waited += 20) {
    hidden = !x_window_viewable(window);
    usleep(20000);
  }
  EXPECT_TRUE(hidden);
  go(1);
  ASSERT_TRUE(child_wait_stdout(&child, "shown\n", 10000));
  ASSERT_TRUE(x_wait_mapped(window, 5000));
  // Nothing new was composed: the presenter draws the shown frame again on its own.
  EXPECT_EQ(capture_until_equal(frame), 0);
}

TEST_F(DisplayWindow, WindowHiddenWhileBeingCreatedDoesNotStayOnTheScreen) {
  ProcessOptions options;
  options.args = {"hidestart", folder};
  ASSERT_TRUE(child_start(&child, program, options));
  ASSERT_TRUE(child_wait_stdout(&child, "hidden", 10000)) << child.err;
  window = x_find_window_of_pid(child.pid, 10000);
  ASSERT_NE(window, 0ul) << child.err;
  // Once the window system runs, the window is (or soon becomes) hidden and stays so.
  bool hidden = false;
  for (int waited = 0; waited < 3000 && !hidden; waited += 20) {
    hidden = !x_window_viewable(window);
    usleep(20000);
  }
  usleep(300000);
  EXPECT_TRUE(hidden && !x_window_viewable(window)) << child.out;
  go(1);
  ASSERT_TRUE(child_wait_stdout(&child, "shown\n", 10000));
  EXPECT_TRUE(x_wait_mapped(window, 5000));
}

TEST_F(DisplayWindow, PauseKeyFreezesTheWindowUntilTheNextKey) {
  start("anim12");
  Frame frame = next_frame();
  ASSERT_TRUE(wait_size(640, 480));
  auto capture = [&] {
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    EXPECT_TRUE(x_capture_rgb(window, &rgb, &w, &h));
    return rgb;
  };
  // Moving: two captures 100 ms apart differ.
  std::vector<uint8_t> a = capture();
  usleep(100000);
  EXPECT_NE(capture(), a);
  ASSERT_TRUE(x_send_keys(window, {"Pause"}));
  usleep(300000);
  std::vector<uint8_t> frozen = capture();
  usleep(300000);
  EXPECT_EQ(capture(), frozen) << "the window kept changing while paused";
  ASSERT_TRUE(x_send_keys(window, {"space"}));
  usleep(200000);
  std::vector<uint8_t> b = capture();
  usleep(100000);
  EXPECT_NE(capture(), b) << "the window stayed frozen after the next key";
  child_poll(&child);
  EXPECT_TRUE(child_running(&child)) << child.err;
}

}  // namespace

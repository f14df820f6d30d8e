// The real message box on the X display: it maps with its title, takes the keyboard focus
// and answers to Y, N, Enter, Esc, Tab and mouse clicks driven through xdotool.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "runtime/platform/platform.h"
#include "tests/support/support.h"

namespace {

std::string command_output(const std::string &command) {
  std::string out;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

Geometry window_geometry(const std::string &id) {
  Geometry g;
  std::string out = command_output("xdotool getwindowgeometry --shell " + id);
  std::sscanf(out.c_str(), "WINDOW=%*d\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &g.x, &g.y, &g.width,
              &g.height);
  return g;
}

// One box shown on a thread of its own while the test plays the user.
class LiveBox {
 public:
  LiveBox(const std::string &text, int buttons) {
    static int serial = 0;
    title_ = "Box test " + std::to_string(getpid()) + "-" + std::to_string(++serial);
    thread_ = std::thread([this, text, buttons] {
      answer_.store(platform_message_box(text.c_str(), title_.c_str(), buttons, true));
      done_.store(true);
    });
  }
  ~LiveBox() {
    // Never leave a box waiting: a failed test closes it with Esc.
    for (int i = 0; i < 50 && !done_.load(); ++i) {
      if (!id_.empty()) command_output("xdotool key --window " + id_ + " Escape");
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (thread_.joinable()) thread_.join();
  }

  // Waits until the box is mapped and has the keyboard focus.
  bool wait_mapped_and_focused() {
    for (int i = 0; i < 100; ++i) {
      std::string found = command_output("xdotool search --name '^" + title_ + "$' 2>/dev/null");
      if (!found.empty()) {
        id_ = found.substr(0, found.find('\n'));
        if (command_output("xdotool getwindowfocus 2>/dev/null") == id_) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  // Waits for the answer; 0 when the box is still open after five seconds.
  int answer() {
    for (int i = 0; i < 500 && !done_.load(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done_.load() ? answer_.load() : 0;
  }

  bool still_open() {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return !done_.load();
  }

  const std::string &id() const { return id_; }
  const std::string &title() const { return title_; }

  void click(int x, int y) {
    Geometry g = window_geometry(id_);
    command_output("xdotool mousemove " + std::to_string(g.x + x) + " " +
                   std::to_string(g.y + y) + " click 1");
  }

 private:
  std::string title_;
  std::string id_;
  std::thread thread_;
  std::atomic<int> answer_{0};
  std::atomic<bool> done_{false};
};

class MessageBoxOnDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display (DISPLAY unset or unreachable)";
    if (command_output("command -v xdotool").empty()) GTEST_SKIP() << "xdotool not installed";
    platform_set_message_box_handler(nullptr);
  }
};

TEST_F(MessageBoxOnDisplay, MapsWithItsTitleAndFocus) {
  LiveBox box("Line:57\nSubscript out of range\nContinue?", MESSAGE_BOX_YES_NO);
  ASSERT_TRUE(box.wait_mapped_and_focused());
  EXPECT_EQ(x_window_title(std::stoul(box.id())), box.title());
  // Three lines of the 6 x 13 core font and a row of buttons.
  Geometry g = window_geometry(box.id());
  EXPECT_GE(g.width, int(std::string("Subscript out of range").size()) * 6);
  EXPECT_GE(g.height, 3 * 13 + 20);
  command_output("xdotool key Return");
  EXPECT_EQ(box.answer(), MESSAGE_BOX_ANSWER_YES);
}

TEST_F(MessageBoxOnDisplay, AnswersToKeys) {
  struct {
    int buttons;
    const char *keys;
    int answer;
  } cases[] = {
      {MESSAGE_BOX_YES_NO, "y", MESSAGE_BOX_ANSWER_YES},
      {MESSAGE_BOX_YES_NO, "shift+n", MESSAGE_BOX_ANSWER_NO},
      {MESSAGE_BOX_YES_NO, "n", MESSAGE_BOX_ANSWER_NO},
      {MESSAGE_BOX_YES_NO, "Return", MESSAGE_BOX_ANSWER_YES},
      {MESSAGE_BOX_YES_NO, "KP_Enter", MESSAGE_BOX_ANSWER_YES},
      {MESSAGE_BOX_YES_NO, "Escape", MESSAGE_BOX_ANSWER_NO},
      {MESSAGE_BOX_YES_NO, "Tab Return", MESSAGE_BOX_ANSWER_NO},
      {MESSAGE_BOX_YES_NO, "Right space", MESSAGE_BOX_ANSWER_NO},
      {MESSAGE_BOX_OK, "Return", MESSAGE_BOX_ANSWER_OK},
      {MESSAGE_BOX_OK, "Escape", MESSAGE_BOX_ANSWER_OK},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.keys);
    LiveBox box("Division by zero", c.buttons);
    ASSERT_TRUE(box.wait_mapped_and_focused());
    command_output(std::string("xdotool key ") + c.keys);
    EXPECT_EQ(box.answer(), c.answer);
  }
}

TEST_F(MessageBoxOnDisplay, OkBoxIgnoresYesAndNoKeys) {
  LiveBox box("Out of memory", MESSAGE_BOX_OK);
  ASSERT_TRUE(box.wait_mapped_and_focused());
  command_output("xdotool key y n a");
  EXPECT_TRUE(box.still_open());
  command_output("xdotool key Return");
  EXPECT_EQ(box.answer(), MESSAGE_BOX_ANSWER_OK);
}

// The buttons sit centred on the bottom row: 75 pixels wide, 10 apart, 25 high (the 13-pixel
// font plus padding), 16 pixels above the bottom edge.
TEST_F(MessageBoxOnDisplay, AnswersToClicks) {
  {
    LiveBox box("Line:1\nOverflow\nContinue?", MESSAGE_BOX_YES_NO);
    ASSERT_TRUE(box.wait_mapped_and_focused());
    Geometry g = window_geometry(box.id());
    // A click beside the buttons answers nothing.
    box.click(4, 4);
    EXPECT_TRUE(box.still_open());
    box.click(g.width / 2 + 42, g.height - 28);  // No
    EXPECT_EQ(box.answer(), MESSAGE_BOX_ANSWER_NO);
  }
  {
    LiveBox box("Line:1\nOverflow\nContinue?", MESSAGE_BOX_YES_NO);
    ASSERT_TRUE(box.wait_mapped_and_focused());
    Geometry g = window_geometry(box.id());
    box.click(g.width / 2 - 42, g.height - 28);  // Yes
    EXPECT_EQ(box.answer(), MESSAGE_BOX_ANSWER_YES);
  }
  {
    LiveBox box("Out of stack space", MESSAGE_BOX_OK);
    ASSERT_TRUE(box.wait_mapped_and_focused());
    Geometry g = window_geometry(box.id());
    box.click(g.width / 2, g.height - 28);
    EXPECT_EQ(box.answer(), MESSAGE_BOX_ANSWER_OK);
  }
}

}  // namespace

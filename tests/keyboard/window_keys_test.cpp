// Real keys typed into the runtime's window with xdotool under the X display arrive as the
// runtime's key codes (key-hit queue) and PC keystrokes (INKEY$).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

const std::string program = KEYBOARD_PROGRAM;

// The rest of every output line that starts with prefix, in order.
std::vector<std::string> lines_with(const std::string &out, const std::string &prefix) {
  std::vector<std::string> found;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
  return found;
}

class WindowKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display: set DISPLAY to run window tests";
    ProcessOptions options;
    ASSERT_TRUE(child_start(&child, program, options));
    window = x_find_window_of_pid(child.pid, 10000);
    ASSERT_NE(window, 0ul) << "no window; stderr: " << child.err;
    ASSERT_TRUE(x_wait_mapped(window, 10000));
    ASSERT_TRUE(child_wait_stdout(&child, "ready\n", 10000)) << child.out;
  }
  void TearDown() override { child_kill(&child); }

  Child child;
  unsigned long window = 0;
};

TEST_F(WindowKeys, TypedKeysArriveAsTheRuntimesCodes) {
  ASSERT_TRUE(x_send_keys(window, {"a", "shift+a", "ctrl+a", "BackSpace", "Return", "Up",
                                   "Down", "Left", "Right", "F1", "z"}));
  // The last key's keystroke marks the end of the output.
  ASSERT_TRUE(child_wait_stdout(&child, "inkey 122\n", 10000)) << child.out;
  child_wait_stdout(&child, "hit -122\n", 2000);

  const std::vector<std::string> inkey = lines_with(child.out, "inkey ");
  EXPECT_EQ(inkey, (std::vector<std::string>{"97", "65", "1", "8", "13", "0,72", "0,80",
                                             "0,75", "0,77", "0,59", "122"}));

  std::vector<int> presses, releases;
  for (const std::string &hit : lines_with(child.out, "hit ")) {
    const int k = std::stoi(hit);
    (k > 0 ? presses : releases).push_back(k > 0 ? k : -k);
  }
  EXPECT_EQ(presses, (std::vector<int>{97, 100304, 65, 100306, 97, 8, 13, 0x4800, 0x5000,
                                       0x4B00, 0x4D00, 0x3B00, 122}));
  // Every press is released, by its own code, whatever order the modifiers went up in.
  std::sort(presses.begin(), presses.end());
  std::sort(releases.begin(), releases.end());
  EXPECT_EQ(releases, presses);
}

}  // namespace

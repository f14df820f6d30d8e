// Real keys typed into the runtime's window with xdotool under the X display arrive as the
// runtime's key codes (key-hit queue) and PC keystrokes (INKEY$).
#include <gtest/gtest.h>
#include <unistd.h>

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
    ASSERT_TRUE(child_wait_stdout(&child, "caps ", 10000)) << child.out;
    caps_was_on = child.out.find("caps on\n") != std::string::npos;
  }
  void TearDown() override { child_kill(&child); }

  Child child;
  unsigned long window = 0;
  bool caps_was_on = false;  // the display keeps its lock state between clients
};

TEST_F(WindowKeys, TypedKeysArriveAsTheRuntimesCodes) {
  if (caps_was_on) {  // letters in lower case need Caps Lock off
    ASSERT_TRUE(x_send_keys(window, {"Caps_Lock"}));
    ASSERT_TRUE(child_wait_stdout(&child, "hit -100301\n", 5000)) << child.out;
  }
  const size_t start = child.out.size();
  ASSERT_TRUE(x_send_keys(window, {"a", "shift+a", "ctrl+a", "BackSpace", "Return", "Up",
                                   "Down", "Left", "Right", "F1", "z"}));
  // The last key's keystroke marks the end of the output.
  ASSERT_TRUE(child_wait_stdout(&child, "inkey 122\n", 10000)) << child.out;
  child_wait_stdout(&child, "hit -122\n", 2000);

  const std::string typed = child.out.substr(start);
  if (caps_was_on) x_send_keys(window, {"Caps_Lock"});  // back as it was
  const std::vector<std::string> inkey = lines_with(typed, "inkey ");
  EXPECT_EQ(inkey, (std::vector<std::string>{"97", "65", "1", "8", "13", "0,72", "0,80",
                                             "0,75", "0,77", "0,59", "122"}));

  std::vector<int> presses, releases;
  for (const std::string &hit : lines_with(typed, "hit ")) {
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

// Caps Lock and Num Lock reach the runtime through the lock-key synchronisation, which
// follows the host's lock lights: turning a lock on is a press of its code, off a release.
TEST_F(WindowKeys, LockKeysFollowTheHostsLockLights) {
  for (auto [keysym, code] : {std::pair{"Caps_Lock", 100301}, std::pair{"Num_Lock", 100300}}) {
    SCOPED_TRACE(keysym);
    const std::string on = "hit " + std::to_string(code) + "\n";
    const std::string off = "hit -" + std::to_string(code) + "\n";
    // The lock may be on already (the display keeps its state between clients): then the
    // first toggle turns it off.
    const size_t seen = child.out.size();
    ASSERT_TRUE(x_send_keys(window, {keysym}));
    bool turned_on = false, turned_off = false;
    for (int i = 0; i < 250 && !turned_on && !turned_off; ++i) {
      child_poll(&child);
      turned_on = child.out.find(on, seen) != std::string::npos;
      turned_off = child.out.find(off, seen) != std::string::npos;
      if (!turned_on && !turned_off) usleep(20000);
    }
    ASSERT_TRUE(turned_on || turned_off) << child.out;
    const bool was_on = turned_off;
    ASSERT_TRUE(x_send_keys(window, {keysym}));  // back as it was
    ASSERT_TRUE(child_wait_stdout(&child, was_on ? on : off, 5000)) << child.out;
  }
}

// A held key repeats its press (each repeat a keystroke) and is released once.
TEST_F(WindowKeys, HoldingAKeyRepeatsItsPressAndReleasesItOnce) {
  if (caps_was_on) GTEST_SKIP() << "Caps Lock is on on this display";
  const size_t start = child.out.size();
  ASSERT_TRUE(x_send_keys(window, {"b"}));  // the first key switches repeats to presses only
  ASSERT_TRUE(child_wait_stdout(&child, "hit -98\n", 5000)) << child.out;
  ProcessOptions hold;
  hold.args = {"keydown", "x", "sleep", "1.2", "keyup", "x"};
  ASSERT_EQ(run_process("/usr/bin/xdotool", hold).exit_code, 0);
  ASSERT_TRUE(child_wait_stdout(&child, "hit -120\n", 5000)) << child.out;
  usleep(100000);
  child_poll(&child);
  const std::string held = child.out.substr(start);
  const std::vector<std::string> hits = lines_with(held, "hit ");
  const long presses = std::count(hits.begin(), hits.end(), "120");
  const long releases = std::count(hits.begin(), hits.end(), "-120");
  EXPECT_GE(presses, 3) << held;
  EXPECT_EQ(releases, 1) << held;
  const std::vector<std::string> keys = lines_with(held, "inkey ");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "120"), presses);
}

}  // namespace

// The host keyboard service against the X server: held modifiers and lock toggles as
// xdotool sets them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "runtime/platform/platform.h"
#include "tests/support/support.h"

namespace {

bool xdotool(const std::vector<std::string> &args) {
  ProcessOptions options;
  options.args = args;
  options.timeout_ms = 10000;
  return run_process("/usr/bin/xdotool", options).exit_code == 0;
}

class HostKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display: set DISPLAY to run window tests";
  }
};

TEST_F(HostKeys, HeldModifiersAreSeenWhileDown) {
  struct Case {
    const char *keysym;
    HostKey key;
  } cases[] = {{"Shift_L", HOST_KEY_LEFT_SHIFT},  {"Control_L", HOST_KEY_LEFT_CTRL},
               {"Alt_L", HOST_KEY_LEFT_ALT},      {"Shift_R", HOST_KEY_RIGHT_SHIFT},
               {"Control_R", HOST_KEY_RIGHT_CTRL}, {"Alt_R", HOST_KEY_RIGHT_ALT}};
  for (const Case &c : cases) {
    ASSERT_TRUE(xdotool({"keydown", c.keysym}));
    EXPECT_TRUE(platform_host_key_state(c.key) & HOST_KEY_HELD) << c.keysym;
    EXPECT_FALSE(platform_host_key_state(c.key) & HOST_KEY_TOGGLED) << c.keysym;
    // xdotool holds the left key of a modifier as well when it presses the right one, so
    // only a left key shows that the other keys are told apart.
    if (c.keysym[strlen(c.keysym) - 1] == 'L')
      for (const Case &other : cases)
        if (other.key != c.key)
          EXPECT_FALSE(platform_host_key_state(other.key) & HOST_KEY_HELD)
              << other.keysym << " while " << c.keysym << " is down";
    ASSERT_TRUE(xdotool({"keyup", c.keysym}));
    EXPECT_FALSE(platform_host_key_state(c.key) & HOST_KEY_HELD) << c.keysym;
  }
}

TEST_F(HostKeys, LockTogglesFollowTheIndicators) {
  for (auto [keysym, key] : {std::pair{"Caps_Lock", HOST_KEY_CAPS_LOCK},
                             std::pair{"Num_Lock", HOST_KEY_NUM_LOCK}}) {
    int before = platform_host_key_state(key) & HOST_KEY_TOGGLED;
    ASSERT_TRUE(xdotool({"key", keysym}));
    EXPECT_NE(platform_host_key_state(key) & HOST_KEY_TOGGLED, before) << keysym;
    ASSERT_TRUE(xdotool({"key", keysym}));  // back as it was
    EXPECT_EQ(platform_host_key_state(key) & HOST_KEY_TOGGLED, before) << keysym;
  }
}

TEST(HostKeysRange, KeysOutsideTheTableAreNotDown) {
  EXPECT_EQ(platform_host_key_state(static_cast<HostKey>(-1)), 0);
  EXPECT_EQ(platform_host_key_state(static_cast<HostKey>(99)), 0);
}

}  // namespace

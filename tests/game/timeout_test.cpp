// The time limit seen from outside, without waiting ten real minutes: the game runs under
// libfaketime with its clock twenty times as fast (LD_PRELOAD), so the ten minutes pass
// in about thirty seconds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/game/game_expect.h"

namespace {

const char *const FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1";
constexpr int SPEED = 20;

class GameTimeout : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display: set DISPLAY to run window tests";
    if (access(FAKETIME_LIBRARY, R_OK) != 0)
      GTEST_SKIP() << "libfaketime is not installed (Debian package faketime)";
  }
  void TearDown() override {
    child_poll(&run.child);
    EXPECT_EQ(run.child.err.find("Sanitizer"), std::string::npos) << run.child.err;
    EXPECT_EQ(run.child.err.find("runtime error:"), std::string::npos) << run.child.err;
  }
  // Starts the game with the fake clock starting at `start` ("+0" = now) at 20 times the
  // real speed, and leaves the intro.
  void start(const std::string &start) {
    ASSERT_TRUE(run.start({std::string("LD_PRELOAD=") + FAKETIME_LIBRARY,
                           "FAKETIME=" + start + " x" + std::to_string(SPEED),
                           "FAKETIME_NO_CACHE=1",
                           // A sanitizer runtime has to come first; the preloaded clock is
                           // harmless to it.
                           "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"}))
        << run.child.err;
    ScreenCapture s;
    ASSERT_TRUE(run.wait_for([](const ScreenCapture &c) { return is_page(c, INTRO_LINES); },
                             20000, &s))
        << screen_dump(s);
    ASSERT_TRUE(run.keys({"space"}));
    ASSERT_TRUE(run.wait_for([](const ScreenCapture &c) { return is_turn_screen(c, 1); }, 20000, &s))
        << screen_dump(s);
    left_at_start = 600;
    ASSERT_TRUE(clock_reading(s, &left_at_start));
  }
  bool is_timeout_ending(const ScreenCapture &c) {
    std::vector<std::string> rows = TIMEOUT_ENDING;
    rows.resize(29);
    rows.push_back(END_PROMPT);
    return c.rows == rows;
  }
  // The ending, then exit code 0 after one key.
  void finish() {
    ScreenCapture s;
    ASSERT_TRUE(run.capture(&s));
    for (size_t i = 0; i < TIMEOUT_ENDING.size(); ++i) EXPECT_EQ(s.colour[i], LIGHT_GREY);
    usleep(300000);
    EXPECT_TRUE(run.running());
    ASSERT_TRUE(run.keys({"space"}));
    EXPECT_EQ(run.wait_exit(10000), 0);
  }

  GameRun run;
  double left_at_start = 0;
};

// The limit passes while the help screen is up: the first pass of the next prompt shows
// the time-out ending without any key being pressed.
TEST_F(GameTimeout, TheLimitPassingOnTheHelpScreenEndsTheGameAtTheNextPrompt) {
  ASSERT_NO_FATAL_FAILURE(start("+0"));
  ASSERT_TRUE(run.type("help"));
  ScreenCapture s;
  ASSERT_TRUE(run.wait_for([](const ScreenCapture &c) { return is_page(c, HELP_LINES); }, 10000, &s))
      << screen_dump(s);
  // No clock runs on the help screen: wait until ten fake minutes are surely over.
  const int64_t started = monotonic_us();
  while (monotonic_us() - started < int64_t(left_at_start / SPEED * 1e6) + 3000000) {
    usleep(500000);
    ASSERT_TRUE(run.capture(&s));
    ASSERT_TRUE(is_page(s, HELP_LINES)) << "no time-out outside the prompt\n" << screen_dump(s);
  }
  ASSERT_TRUE(run.keys({"space", "space"}, 300));
  ASSERT_TRUE(run.wait_for([&](const ScreenCapture &c) { return is_timeout_ending(c); }, 10000, &s))
      << screen_dump(s);
  ASSERT_NO_FATAL_FAILURE(finish());
}

// A game that runs across midnight: TIMER starts again from 0 while the deadline does not.
// The countdown must go on counting down through midnight and the ending must come at the
// ten-minute mark, not a day later.
TEST_F(GameTimeout, TheCountdownRunsOnAcrossMidnightAndTimesOutOnTime) {
  ASSERT_NO_FATAL_FAILURE(start("@2026-12-11 23:58:00"));
  const int64_t started = monotonic_us();
  // The intro took some fake seconds: the game started at 23:58:00 plus those, so midnight
  // falls at this reading of the countdown.
  const double at_midnight = left_at_start - (120.0 - (600.0 - left_at_start));
  double previous = left_at_start, lowest = left_at_start;
  ScreenCapture s;
  // Type a letter now and then, as a player would, while watching the clock.
  const char *letters[] = {"a", "b", "c", "d"};
  int typed = 0;
  for (;;) {
    ASSERT_TRUE(run.capture(&s));
    if (is_timeout_ending(s)) break;
    double left;
    if (clock_reading(s, &left)) {
      ASSERT_LE(left, 600.0) << "the countdown jumped\n" << screen_dump(s);
      ASSERT_LE(left, previous + 0.5) << "the countdown went up\n" << screen_dump(s);
      previous = left;
      if (left < lowest) lowest = left;
    } else {
      ADD_FAILURE() << "row 2 holds no countdown (" << s.rows[1] << ")\n" << screen_dump(s);
      break;
    }
    const double real_s = double(monotonic_us() - started) / 1e6;
    ASSERT_LT(real_s, left_at_start / SPEED + 15)
        << "no time-out at the ten-minute mark\n" << screen_dump(s);
    if (typed < 4 && real_s > 2.0 * (typed + 1)) ASSERT_TRUE(run.keys({letters[typed++]}));
    usleep(200000);
  }
  const double real_s = double(monotonic_us() - started) / 1e6;
  EXPECT_LT(lowest, at_midnight - 60) << "the clock was not watched past midnight";
  EXPECT_LT(lowest, 60.0);
  EXPECT_GT(real_s, left_at_start / SPEED * 0.6) << "the time-out came early";
  ASSERT_NO_FATAL_FAILURE(finish());
}

}  // namespace

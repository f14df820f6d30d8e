// In-process checks of the start-up rules that need no window: the working-directory cut,
// the COMMAND$ join, the close-request query and the window hook's dispatch.
#include <gtest/gtest.h>

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

namespace {

struct FolderCase {
  const char *path;
  const char *folder;
};

TEST(ExecutableFolder, CutsAtTheLastSeparatorOrAfterTheDriveColon) {
  const FolderCase cases[] = {
      {"/work/main/build/hallway", "/work/main/build"},
      {"C:\\GAMES\\HALLWAY.EXE", "C:\\GAMES"},
      {"C:HALLWAY.EXE", "C:"},            // only the drive colon: it stays
      {"C:\\HALLWAY.EXE", "C:"},          // the backslash goes, the colon stays
      {"hallway", "hallway"},             // no separator: the whole path
      {"", ""},
      {"/hallway", ""},                   // the separator itself is removed
      {"a/b\\c", "a/b"},                  // both kinds of separator count
      {"a\\b/c", "a\\b"},
      {"dir:x/y", "dir:x"},               // the last separator wins over an earlier colon
      {"x/dir:y", "x/dir:"},              // a colon after the last slash is met first
      {"/a//b", "/a/"},
  };
  for (const FolderCase &c : cases) EXPECT_EQ(executable_folder(c.path), c.folder) << c.path;
}

TEST(CommandLine, JoinsTheArgumentsWithSingleBlanks) {
  char prog[] = "prog", a[] = "one", b[] = "two words", c[] = "", d[] = "x";
  char *none[] = {prog, nullptr};
  EXPECT_EQ(join_command_line(1, none), "");
  char *one[] = {prog, a, nullptr};
  EXPECT_EQ(join_command_line(2, one), "one");
  // A quoted argument comes back without quotes; an empty one still takes its blank.
  char *many[] = {prog, a, b, c, d, nullptr};
  EXPECT_EQ(join_command_line(5, many), "one two words  x");
}

class ExitQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    rt_control.exit_request = 0;
    rt_control.exit_polled = 0;
  }
  void TearDown() override { SetUp(); }
};

TEST_F(ExitQuery, ReturnsTheRequestBitsAndClearsThem) {
  EXPECT_EQ(rt_exit_query(), 0);
  EXPECT_EQ(rt_control.exit_polled.load(), 1);
  EXPECT_EQ(window_hook(1, 0, 0), 0);  // the close button
  EXPECT_EQ(rt_control.exit_request.load(), 1);
  EXPECT_EQ(window_hook(1, 0, 0), 0);  // a second click changes nothing more
  EXPECT_EQ(rt_exit_query(), 1);
  EXPECT_EQ(rt_exit_query(), 0);
  rt_control.exit_request.fetch_or(2);  // Break while polled
  EXPECT_EQ(rt_exit_query(), 2);
  window_hook(1, 0, 0);
  rt_control.exit_request.fetch_or(2);
  EXPECT_EQ(rt_exit_query(), 3);
  EXPECT_EQ(rt_exit_query(), 0);
}

int observed[3];
void remember(int kind, int a, int b) {
  observed[0] = kind;
  observed[1] = a;
  observed[2] = b;
}

TEST_F(ExitQuery, WindowHookHandlesOnlyItsKindsAndKeys) {
  window_hook_set_observer(remember);
  EXPECT_EQ(window_hook(2, KEY_PAUSE, 1), 0);
  EXPECT_EQ(observed[0], 2);
  EXPECT_EQ(observed[1], KEY_PAUSE);
  EXPECT_EQ(window_hook(2, KEY_PAUSE, 0), 0);
  EXPECT_EQ(window_hook(2, KEY_BREAK, 1), 0);
  EXPECT_EQ(window_hook(2, KEY_BREAK, -1), 0);
  EXPECT_EQ(window_hook(2, 'a', 1), -1);  // only Pause and Break come this way
  EXPECT_EQ(window_hook(3, 4, -2), 0);
  EXPECT_EQ(observed[0], 3);
  EXPECT_EQ(observed[1], 4);
  EXPECT_EQ(observed[2], -2);
  EXPECT_EQ(window_hook(0, 0, 0), -1);
  // The composer's wake-up: handled (no window here, so nothing is presented).
  EXPECT_EQ(window_hook(4, 0, 0), 0);
  EXPECT_EQ(observed[0], 4);
  EXPECT_EQ(window_hook(5, 0, 0), -1);
  window_hook_set_observer(nullptr);
  EXPECT_EQ(rt_control.exit_request.load(), 0);  // none of these is a close request
}

TEST(ClockMs, CountsMillisecondsFromTheElapsedClock) {
  int64_t a = clock_ms();
  platform_sleep_ms(30);
  int64_t b = clock_ms();
  EXPECT_GE(b - a, 25);
  EXPECT_GE(a, 0);
}

}  // namespace

// The runtime's process seen from outside under the X display: the window opens, the
// close button ends the process (or only raises the request once the program polls it),
// COMMAND$ and the working directory, Pause and Break through the window hook, and a
// clear message without a display.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "tests/support/support.h"

namespace {

const std::string program = FRAME_PROGRAM;

std::string folder_of(const std::string &path) { return path.substr(0, path.rfind('/')); }

int count_lines(const std::string &text, const std::string &line) {
  int n = 0;
  for (size_t at = text.find(line + "\n"); at != std::string::npos;
       at = text.find(line + "\n", at + 1))
    if (at == 0 || text[at - 1] == '\n') ++n;
  return n;
}

class FrameWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display: set DISPLAY to run window tests";
  }
  void TearDown() override {
    child_kill(&child);
    // A sanitizer build reports its findings on the program's stderr.
    EXPECT_EQ(child.err.find("Sanitizer"), std::string::npos) << child.err;
  }

  // Starts the program and waits for its window to be mapped.
  void start(const std::vector<std::string> &args, const std::string &dir = "") {
    ProcessOptions options;
    options.args = args;
    options.working_dir = dir;
    ASSERT_TRUE(child_start(&child, program, options));
    window = x_find_window_of_pid(child.pid, 10000);
    ASSERT_NE(window, 0ul) << "no window; stderr: " << child.err;
    ASSERT_TRUE(x_wait_mapped(window, 10000));
    ASSERT_TRUE(child_wait_stdout(&child, "ready\n", 10000)) << child.out;
  }

  Child child;
  unsigned long window = 0;
};

TEST_F(FrameWindow, OpensUntitledAndEndsWithCodeZeroOnTheCloseButton) {
  ASSERT_NO_FATAL_FAILURE(start({"run"}));
  EXPECT_EQ(x_window_title(window), "Untitled");
  int64_t sent = monotonic_us();
  ASSERT_TRUE(x_send_delete_window(window));
  ProcessResult result = child_wait(&child, 10000);
  double ms = double(monotonic_us() - sent) / 1000.0;
  EXPECT_FALSE(result.timed_out);
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exit_code, 0);
  // The program thread parked at its statement check: the exit path waited for it.
  EXPECT_EQ(count_lines(result.out, "parking"), 1) << result.out;
  EXPECT_EQ(result.err, "");
  RecordProperty("close_to_exit_ms", std::to_string(ms));
  printf("close button to process end: %.1f ms\n", ms);
}

TEST_F(FrameWindow, ClosesOnlyRaiseTheRequestOnceTheProgramPolls) {
  ASSERT_NO_FATAL_FAILURE(start({"poll"}));
  ASSERT_TRUE(x_send_delete_window(window));
  ASSERT_TRUE(child_wait_stdout(&child, "exit_request 1\n", 5000)) << child.out;
  // The window stays and the process goes on.
  usleep(300000);
  EXPECT_TRUE(child_running(&child));
  EXPECT_TRUE(x_window_viewable(window));
  child_poll(&child);
  EXPECT_EQ(count_lines(child.out, "exit_request 1"), 1);
  // The second request makes the program end by itself.
  ASSERT_TRUE(x_send_delete_window(window));
  ProcessResult result = child_wait(&child, 10000);
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(count_lines(result.out, "exit_request 1"), 2) << result.out;
}

TEST_F(FrameWindow, EveryCloseOfAFloodReachesTheHookAndTheWindowSurvives) {
  ASSERT_NO_FATAL_FAILURE(start({"hookpoll"}));
  // Keys typed meanwhile make the close messages compete with other events.
  const int closes = 500;
  Child typing;
  ProcessOptions keys;
  keys.args = {"windowfocus", std::to_string(window), "type", "--delay", "1",
               std::string(300, 'x')};
  ASSERT_TRUE(child_start(&typing, "/usr/bin/xdotool", keys));
  for (int i = 0; i < closes; ++i) ASSERT_TRUE(x_send_delete_window(window));
  child_wait(&typing, 30000);
  int64_t end = monotonic_us() + 10000000;
  while (count_lines(child.out, "hook 1 0 0") < closes && monotonic_us() < end) {
    child_wait_stdout(&child, "never printed", 50);
  }
  EXPECT_EQ(count_lines(child.out, "hook 1 0 0"), closes);
  EXPECT_TRUE(child_running(&child));
  EXPECT_TRUE(x_window_viewable(window));
}

TEST_F(FrameWindow, PauseAndBreakPressesAndReleasesReachTheHook) {
  ASSERT_NO_FATAL_FAILURE(start({"hookpoll"}));
  ASSERT_TRUE(x_send_keys(window, {"Pause"}));
  ASSERT_TRUE(child_wait_stdout(&child, "hook 2 100019 0\n", 5000)) << child.out;
  EXPECT_EQ(count_lines(child.out, "hook 2 100019 1"), 1) << child.out;
  ASSERT_TRUE(x_send_keys(window, {"ctrl+Pause"}));
  ASSERT_TRUE(child_wait_stdout(&child, "hook 2 100318 0\n", 5000)) << child.out;
  EXPECT_EQ(count_lines(child.out, "hook 2 100318 1"), 1) << child.out;
  EXPECT_EQ(count_lines(child.out, "hook 2 100019 1"), 1) << child.out;
  // Ordinary keys do not come this way.
  ASSERT_TRUE(x_send_keys(window, {"a", "F1"}));
  usleep(200000);
  child_poll(&child);
  EXPECT_EQ(child.out.find("hook 2 " + std::to_string(int('a'))), std::string::npos);
  // The program polls the close request, so Break did not end it.
  EXPECT_TRUE(child_running(&child));
}

TEST_F(FrameWindow, EachNewFrameWakesTheWindowThreadThroughTheHook) {
  ASSERT_NO_FATAL_FAILURE(start({"hookframes"}));
  // The program changes the screen every 50 ms; every new frame sends the composer's
  // wake-up to the window thread.
  int64_t end = monotonic_us() + 10000000;
  while (count_lines(child.out, "hook 4 0 0") < 3 && monotonic_us() < end)
    child_wait_stdout(&child, "never printed", 50);
  EXPECT_GE(count_lines(child.out, "hook 4 0 0"), 3) << child.out;
  EXPECT_TRUE(child_running(&child));
  EXPECT_TRUE(x_window_viewable(window));
}

TEST_F(FrameWindow, RawMouseMotionReachesTheHook) {
  ASSERT_NO_FATAL_FAILURE(start({"hook"}));
  ProcessOptions move;
  move.args = {"mousemove", "--window", std::to_string(window), "100", "100", "mousemove_relative",
               "--", "7", "-5"};
  ASSERT_EQ(run_process("/usr/bin/xdotool", move).exit_code, 0);
  ASSERT_TRUE(child_wait_stdout(&child, "hook 3 ", 5000)) << child.out;
  ASSERT_TRUE(x_send_delete_window(window));
  EXPECT_EQ(child_wait(&child, 10000).exit_code, 0);
}

TEST_F(FrameWindow, CommandLineAndWorkingDirectory) {
  // Started from another folder, the program runs in the folder of its executable.
  ASSERT_NO_FATAL_FAILURE(start({"command", "a", "two words", "", "x"}, "/tmp"));
  ProcessResult result = child_wait(&child, 10000);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("COMMAND[command a two words  x]\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("cwd[" + folder_of(program) + "]\n"), std::string::npos)
      << result.out;
}

TEST_F(FrameWindow, WithoutArgumentsCommandIsEmpty) {
  ASSERT_NO_FATAL_FAILURE(start({}));
  ProcessResult result = child_wait(&child, 10000);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("COMMAND[]\n"), std::string::npos) << result.out;
}

TEST_F(FrameWindow, MainLoopSuspendAndDisplayHoldHandshakes) {
  ASSERT_NO_FATAL_FAILURE(start({"mainloop"}));
  ProcessResult result = child_wait(&child, 20000);
  ASSERT_EQ(result.exit_code, 0) << result.out;
  int granted = -9, during = -9, after = -9, state = -9, held = -9, resumed = -9, latch = -9;
  ASSERT_EQ(sscanf(result.out.c_str() + result.out.find("suspend "), "suspend %d %d %d", &granted,
                   &during, &after), 3)
      << result.out;
  EXPECT_EQ(granted, 2);
  EXPECT_EQ(during, 0);  // suspended: no compositions
  EXPECT_GT(after, 0);   // released: the cadence is back
  ASSERT_EQ(sscanf(result.out.c_str() + result.out.find("hold "), "hold %d %d %d", &state, &held,
                   &resumed), 3)
      << result.out;
  EXPECT_EQ(state, -1);
  EXPECT_EQ(held, 0);
  EXPECT_GT(resumed, 0);
  ASSERT_EQ(sscanf(result.out.c_str() + result.out.find("retrace "), "retrace %d", &latch), 1);
  EXPECT_EQ(latch, 1);
  int passes = 0, ms = 0;
  ASSERT_EQ(sscanf(result.out.c_str() + result.out.find("cadence "), "cadence %d %d", &passes, &ms),
            2);
  EXPECT_GT(passes, 0);
  printf("main loop: %d composition passes in %d ms\n", passes, ms);
}

TEST_F(FrameWindow, TheTimeBaseStartsOnAWholeSecondOfTheLocalTime) {
  time_t before = time(nullptr);
  ASSERT_NO_FATAL_FAILURE(start({"timebase"}));
  ProcessResult result = child_wait(&child, 10000);
  ASSERT_EQ(result.exit_code, 0);
  long long day_start = -1, offset = -1;
  ASSERT_EQ(sscanf(result.out.c_str(), "timebase %lld\noffset %lld", &day_start, &offset), 2)
      << result.out;
  struct tm local;
  localtime_r(&before, &local);
  long long expected = (local.tm_hour * 3600LL + local.tm_min * 60 + local.tm_sec) * 1000;
  EXPECT_EQ(day_start % 1000, 0);
  // Start-up waits for the next calendar second (the child may start a moment later).
  EXPECT_GT(day_start, expected - 1000);
  EXPECT_LE(day_start, expected + 3000);
  // A calendar second later the runtime clock has counted (nearly) whole seconds.
  long long off = offset > 500 ? 1000 - offset : offset;
  EXPECT_LE(off, 100) << "offset " << offset;
}

// A calendar clock that stands still (a frozen test clock) must not hold start-up.
TEST_F(FrameWindow, AFrozenCalendarClockDoesNotHoldStartUp) {
  const char *faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
  if (access(faketime, R_OK) != 0) GTEST_SKIP() << "libfaketime is not installed";
  ProcessOptions options;
  options.args = {"run"};
  options.env_set = {std::string("LD_PRELOAD=") + faketime, "FAKETIME=2020-12-24 20:30:00",
                     "FAKETIME_DONT_FAKE_MONOTONIC=1"};
  // An AddressSanitizer build wants to be the first library; the preloaded clock is
  // harmless to it.
  const char *asan = getenv("ASAN_OPTIONS");
  options.env_set.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                            (asan && *asan ? ":" : "") + "verify_asan_link_order=0");
  ASSERT_TRUE(child_start(&child, program, options));
  ASSERT_TRUE(child_wait_stdout(&child, "ready\n", 15000)) << child.out << child.err;
  window = x_find_window_of_pid(child.pid, 10000);
  ASSERT_NE(window, 0ul);
  ASSERT_TRUE(x_send_delete_window(window));
  EXPECT_EQ(child_wait(&child, 10000).exit_code, 0);
}

// No display at all, or one that cannot be opened: one clear sentence and a non-zero exit,
// quickly, without hanging or a stack dump.
TEST(FrameNoDisplay, SaysSoAndExitsNonZero) {
  struct Case {
    std::vector<std::string> unset, set;
  } cases[] = {{{"DISPLAY"}, {}}, {{}, {"DISPLAY=:997"}}, {{}, {"DISPLAY="}}};
  for (const Case &c : cases) {
    ProcessOptions options;
    options.args = {"run"};
    options.env_unset = c.unset;
    options.env_set = c.set;
    options.timeout_ms = 10000;
    ProcessResult result = run_process(program, options);
    EXPECT_FALSE(result.timed_out);
    EXPECT_TRUE(result.exited);
    EXPECT_NE(result.exit_code, 0);
    EXPECT_NE(result.err.find("display"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("DISPLAY="), std::string::npos) << result.err;
    EXPECT_EQ(count_lines(result.err, result.err.substr(0, result.err.find('\n'))), 1);
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    EXPECT_EQ(result.out, "");
  }
}

// A display without OpenGL: the same kind of message instead of the window library's own
// failure in the middle of start-up. The test starts its own X server without GLX.
TEST(FrameNoDisplay, ADisplayWithoutOpenGLIsReportedTheSameWay) {
  if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
  int number = 700 + int(getpid() % 200);
  while (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0 ||
         access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0)
    ++number;
  std::string name = ":" + std::to_string(number);
  Child server;
  ProcessOptions server_options;
  server_options.args = {name, "-extension", "GLX", "-nolisten", "tcp", "-screen", "0",
                         "640x480x24"};
  ASSERT_TRUE(child_start(&server, "/usr/bin/Xvfb", server_options));
  std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
  for (int i = 0; i < 100 && access(socket.c_str(), F_OK) != 0; ++i) usleep(50000);
  ASSERT_EQ(access(socket.c_str(), F_OK), 0) << "Xvfb did not start";
  usleep(200000);
  ProcessOptions options;
  options.args = {"run"};
  options.env_set = {"DISPLAY=" + name};
  options.timeout_ms = 10000;
  ProcessResult result = run_process(program, options);
  child_kill(&server);
  EXPECT_FALSE(result.timed_out);
  EXPECT_TRUE(result.exited);
  EXPECT_NE(result.exit_code, 0);
  EXPECT_NE(result.err.find("OpenGL"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
}

}  // namespace

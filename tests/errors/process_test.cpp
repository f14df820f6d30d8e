// Errors that end or continue a whole program: the test program (errors_program) runs as a
// child process, either on its first thread without a window (its boxes then go to
// standard error) or under the runtime's start-up on the X display, where the test answers
// the real boxes with keys.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

const std::string PROGRAM = ERRORS_PROGRAM_PATH;

ProcessResult run_without_display(const std::vector<std::string> &args) {
  ProcessOptions options;
  options.args = args;
  options.env_unset = {"DISPLAY"};
  options.timeout_ms = 20000;
  return run_process(PROGRAM, options);
}

struct Case {
  std::vector<std::string> args;
  int exit_code;
  const char *err;  // exact standard error
  const char *out;  // exact standard output
};

TEST(ErrorsWithoutDisplay, CriticalBoxesGoToStandardErrorAndExitZero) {
  const Case cases[] = {
      {{"direct-critical", "11"}, 0, "Critical Error\nDivision by zero\n", ""},
      {{"direct-critical", "256"}, 0, "Critical Error\nOut of stack space\n", ""},
      {{"direct-critical", "257"}, 0, "Critical Error #1\nOut of memory\n", ""},
      {{"direct-critical", "259"}, 0, "Critical Error\nCannot find dynamic library file\n", ""},
      {{"direct-critical", "261"}, 0,
       "Critical Error\nSub/Function does not exist in dynamic library\n", ""},
      {{"direct-critical", "263"}, 0, "Critical Error\nPaths/Filename illegal in ARBOR\n", ""},
      {{"direct-critical", "270"}, 0,
       "Critical Error\n_GL command called outside of SUB _GL's scope\n", ""},
      {{"direct-critical", "271"}, 0, "Critical Error\nEND/SYSTEM called within SUB _GL's scope\n",
       ""},
      {{"direct-critical", "502"}, 0, "Critical Error #2\nOut of memory\n", ""},
      {{"direct-critical", "507"}, 0, "Critical Error #7\nOut of memory\n", ""},
      {{"direct-critical", "518"}, 0, "Critical Error #18\nOut of memory\n", ""},
      // Critical even while another error is pending.
      {{"direct-pending-critical"}, 0, "Critical Error\nDivision by zero\n", ""},
      // An integer division by zero in the program.
      {{"direct-divide"}, 0, "Critical Error\nDivision by zero\n", ""},
      // Memory-block errors end the program from the error dialog with an OK box.
      {{"direct-memory", "300"}, 0, "Critical Error #300\nLine:12\nMemory region out of range\n",
       ""},
      {{"direct-memory", "313"}, 0,
       "Critical Error #313\nLine:12\nSource and destination memory have been freed\n", ""},
      // ON ERROR without a handler in the main routine.
      {{"direct-untrapped"}, 99, "", ""},
      // ON ERROR with one: the handler runs with ERR set.
      {{"direct-trapped"}, 0, "", "handler ERR=54\n"},
      // The main routine's prologue leaves the x87 unit at 64-bit precision, all masked.
      {{"direct-precision"}, 0, "", "cw=037f\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    ProcessResult r = run_without_display(c.args);
    ASSERT_TRUE(r.exited) << "signal " << r.signal << (r.timed_out ? " (timed out)" : "");
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, c.out);
  }
}

// ---- under the runtime, on the X display ---------------------------------------------------

// The box with this title shown by process pid; 0 when none appears in time.
unsigned long find_box(pid_t pid, const std::string &title, int timeout_ms) {
  int64_t end = monotonic_us() + int64_t(timeout_ms) * 1000;
  do {
    ProcessOptions search;
    search.args = {"search", "--all", "--onlyvisible", "--pid", std::to_string(pid), "--name",
                   "^" + title + "$"};
    search.timeout_ms = 10000;
    ProcessResult r = run_process("/usr/bin/xdotool", search);
    if (r.exit_code == 0 && !r.out.empty()) return std::stoul(r.out);
    usleep(50000);
  } while (monotonic_us() < end);
  return 0;
}

class ErrorsOnDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display (DISPLAY unset or unreachable)";
  }
  void TearDown() override { child_kill(&child); }

  void start(const std::vector<std::string> &args) {
    ProcessOptions options;
    options.args = args;
    ASSERT_TRUE(child_start(&child, PROGRAM, options));
  }
  // Finds the box by its title and answers it with the keys.
  void answer_box(const std::string &title, const std::vector<std::string> &keys) {
    unsigned long box = find_box(child.pid, title, 15000);
    ASSERT_NE(box, 0u) << "no box titled \"" << title << "\"; stderr: " << child.err;
    EXPECT_EQ(x_window_title(box), title);
    ASSERT_TRUE(x_send_keys(box, keys));
  }

  Child child;
};

TEST_F(ErrorsOnDisplay, CriticalErrorShowsItsBoxThenExitsZero) {
  start({"critical", "257"});
  answer_box("Critical Error #1", {"Return"});
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.find("not reached"), std::string::npos);
}

TEST_F(ErrorsOnDisplay, DivisionByZeroOnTheProgramThread) {
  start({"divide"});
  answer_box("Critical Error", {"Return"});
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited) << "signal " << r.signal;
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
}

TEST_F(ErrorsOnDisplay, MemoryBlockErrorEndsFromTheDialog) {
  start({"memory", "305"});
  answer_box("Critical Error #305", {"Return"});
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
}

TEST_F(ErrorsOnDisplay, AnswerNoShutsTheProgramDown) {
  start({"dialog"});
  ASSERT_TRUE(child_wait_stdout(&child, "before\n", 15000));
  answer_box("Unhandled Error #9", {"n"});
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "before\n");
}

TEST_F(ErrorsOnDisplay, AnswerYesRunsTheNextStatement) {
  start({"dialog"});
  ASSERT_TRUE(child_wait_stdout(&child, "before\n", 15000));
  answer_box("Unhandled Error #9", {"y"});
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "before\nafter\n");
}

TEST_F(ErrorsOnDisplay, TheCloseButtonWhileTheDialogIsOpenEndsTheProgram) {
  start({"dialog"});
  ASSERT_TRUE(child_wait_stdout(&child, "before\n", 15000));
  ASSERT_NE(find_box(child.pid, "Unhandled Error #9", 15000), 0u);
  unsigned long window = find_box(child.pid, "Untitled", 15000);
  ASSERT_NE(window, 0u) << "the program's own window was not found";
  ASSERT_TRUE(x_send_delete_window(window));
  ProcessResult r = child_wait(&child, 10000);
  ASSERT_TRUE(r.exited) << (r.timed_out ? "still waiting in the dialog" : "killed");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "before\n");  // the statement after the failed one never ran
}

TEST_F(ErrorsOnDisplay, UntrappedErrorReentersTheMainRoutineAndExits99) {
  start({"untrapped"});
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 99);
  EXPECT_EQ(r.out, "");
}

int tick_lines(const std::string &out) {
  int n = 0;
  for (size_t at = out.find("tick "); at != std::string::npos; at = out.find("tick ", at + 1))
    ++n;
  return n;
}

TEST_F(ErrorsOnDisplay, PauseKeyHoldsTheProgramAndCloseParksIt) {
  start({"ticks"});
  ASSERT_TRUE(child_wait_stdout(&child, "tick 5\n", 15000));
  unsigned long window = x_find_window_of_pid(child.pid, 10000);
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(x_wait_mapped(window, 10000));
  ASSERT_TRUE(x_send_keys(window, {"Pause"}));
  // The program stops before its next statement (the key may take a while to arrive on a
  // busy machine: wait until the count stands still) and stays stopped.
  int held = -1;
  for (int i = 0; i < 50; ++i) {
    usleep(200000);
    child_poll(&child);
    int now = tick_lines(child.out);
    if (now == held) break;
    held = now;
  }
  usleep(600000);
  child_poll(&child);
  EXPECT_EQ(tick_lines(child.out), held);
  // Another key lets it go on.
  ASSERT_TRUE(x_send_keys(window, {"a"}));
  EXPECT_TRUE(child_wait_stdout(&child, "tick " + std::to_string(held + 5) + "\n", 15000));
  // The close button shuts down: the event check parks the program thread.
  ASSERT_TRUE(x_send_delete_window(window));
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 0);
}

TEST_F(ErrorsOnDisplay, ProgramThreadRunsWithExtendedPrecision) {
  start({"precision"});
  ProcessResult r = child_wait(&child, 15000);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "cw=037f\n");
}

}  // namespace

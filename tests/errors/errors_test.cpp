// Raising errors, the error table and the error dialog, with a scripted message box.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/errors/errors_support.h"

namespace {

using ErrorTest = ErrorStateTest;

TEST_F(ErrorTest, FirstErrorOfAStatementWins) {
  EXPECT_EQ(rt_error(ERR_ILLEGAL_FUNCTION_CALL), 5);
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  EXPECT_EQ(rt_error(ERR_OVERFLOW), 5);
  EXPECT_EQ(pending_error.load(), 5u);
  rt_event_check(20);
  ASSERT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(shown_boxes[0].title, "Unhandled Error #5");
  EXPECT_EQ(shown_boxes[0].text, "Line:20\nIllegal function call\nContinue?");
}

TEST_F(ErrorTest, NonPositiveNumbersRecordIllegalFunctionCall) {
  for (int32_t n : {0, -3, -1, INT_MIN}) {
    pending_error.store(0);
    EXPECT_EQ(rt_error(n), 5) << n;
    EXPECT_EQ(pending_error.load(), 5u) << n;
  }
}

TEST_F(ErrorTest, DialogForSubscriptErrorAtLine57) {
  rt_error(ERR_SUBSCRIPT_OUT_OF_RANGE);
  rt_event_check(57);
  ASSERT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(shown_boxes[0].title, "Unhandled Error #9");
  EXPECT_EQ(shown_boxes[0].text, "Line:57\nSubscript out of range\nContinue?");
  EXPECT_EQ(shown_boxes[0].buttons, MESSAGE_BOX_YES_NO);
  EXPECT_TRUE(shown_boxes[0].system_modal);
  EXPECT_EQ(rt_error_line(), 57);
}

TEST_F(ErrorTest, NumbersOutsideTheTableAreUnprintable) {
  rt_error(15);
  rt_event_check(3);
  ASSERT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(shown_boxes[0].title, "Unhandled Error #15");
  EXPECT_EQ(shown_boxes[0].text, "Line:3\nUnprintable error\nContinue?");
}

TEST_F(ErrorTest, LineIsShownUnsigned) {
  rt_error(ERR_TYPE_MISMATCH);
  rt_event_check(-1);
  ASSERT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(shown_boxes[0].text, "Line:4294967295\nType mismatch\nContinue?");
}

TEST(ErrorMessages, TableTexts) {
  struct {
    int32_t n;
    const char *message;
  } cases[] = {
      {1, "NEXT without FOR"},
      {3, "RETURN without GOSUB"},
      {7, "Out of memory"},
      {20, "RESUME without error"},
      {37, "Argument-count mismatch"},
      {40, "Variable required"},
      {57, "Device I/O error"},
      {62, "Input past end of file"},
      {69, "Communication-buffer overflow"},
      {75, "Path/File access error"},
      {76, "Path not found"},
      {258, "Invalid handle"},
      {262, "Function unavailable in ARBOR"},
      {300, "Memory region out of range"},
      {304, "Source and destination memory regions out of range"},
      {313, "Source and destination memory have been freed"},
      // Gaps in the table and numbers beyond it.
      {11, "Unprintable error"},
      {15, "Unprintable error"},
      {60, "Unprintable error"},
      {77, "Unprintable error"},
      {314, "Unprintable error"},
      {0, "Unprintable error"},
      {-5, "Unprintable error"},
  };
  for (const auto &c : cases) EXPECT_STREQ(error_message(c.n), c.message) << c.n;
}

TEST(ErrorMessages, CriticalNumbers) {
  for (int32_t n : {11, 256, 257, 259, 260, 261, 263, 270, 271, 502, 505, 510, 518})
    EXPECT_TRUE(error_is_critical(n)) << n;
  for (int32_t n : {0, 5, 9, 10, 12, 258, 262, 264, 300, 313, 501, 519})
    EXPECT_FALSE(error_is_critical(n)) << n;
}

TEST_F(ErrorTest, YesClearsTheErrorAndGoesOn) {
  rt_error(ERR_BAD_FILE_MODE);
  rt_event_check(8);
  EXPECT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(repeat_statement, 0);
  EXPECT_EQ(rt_control.exit_now.load(), 0);
  // Events that came due meanwhile get one more check after the next statement; it finds
  // nothing to serve.
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  rt_event_check(9);
  EXPECT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(rt_control.event_pending.load(), 0);
  // A later error is reported on its own.
  EXPECT_EQ(rt_error(ERR_FILE_NOT_FOUND), 53);
  rt_event_check(10);
  ASSERT_EQ(shown_boxes.size(), 2u);
  EXPECT_EQ(shown_boxes[1].text, "Line:10\nFile not found\nContinue?");
}

TEST_F(ErrorTest, ResumeRequestRepeatsTheStatement) {
  rt_error(ERR_DEVICE_TIMEOUT);
  repeat_request = 1;
  rt_event_check(4);
  EXPECT_EQ(repeat_statement, 1);
  EXPECT_EQ(repeat_request, 0);
  // The request is one-shot.
  rt_control.event_pending.store(1);
  rt_event_check(5);
  EXPECT_EQ(repeat_statement, 0);
}

// A main routine with an error handler, entered again by the trap path.
int main_entries = 0;
int handler_entries = 0;
uint32_t pending_in_handler = 1;
void main_with_handler() {
  ++main_entries;
  if (rt_main_prologue(1)) {
    ++handler_entries;
    pending_in_handler = pending_error.load();
  }
}

TEST_F(ErrorTest, TrapEntersTheMainRoutineAtItsHandler) {
  main_entries = handler_entries = 0;
  pending_in_handler = 1;
  void (*saved)() = program_main_module;
  program_main_module = main_with_handler;
  handler_set = 1;
  current_erl = 120;
  rt_error(ERR_BAD_RECORD_NUMBER);
  rt_event_check(30);
  program_main_module = saved;
  EXPECT_TRUE(shown_boxes.empty());
  EXPECT_EQ(main_entries, 1);
  EXPECT_EQ(handler_entries, 1);
  EXPECT_EQ(pending_in_handler, 0u);
  EXPECT_EQ(rt_err(), 63);
  EXPECT_EQ(double(rt_erl()), 120.0);
  EXPECT_EQ(error_jump, 0);
  EXPECT_EQ(rt_error_line(), 30);
}

TEST_F(ErrorTest, ErrorInsideTheHandlerReachesTheDialog) {
  main_entries = 0;
  void (*saved)() = program_main_module;
  program_main_module = main_with_handler;
  handler_set = 1;
  in_handler = 1;
  rt_error(ERR_DISK_FULL);
  rt_event_check(31);
  program_main_module = saved;
  EXPECT_EQ(main_entries, 0);
  ASSERT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(shown_boxes[0].title, "Unhandled Error #61");
  EXPECT_EQ(error_jump, 0);
  EXPECT_EQ(rt_err(), 0);
}

TEST_F(ErrorTest, OrdinaryEntryOfTheMainRoutine) {
  EXPECT_EQ(rt_main_prologue(1), 0);
  EXPECT_EQ(rt_main_prologue(0), 0);
}

TEST(FloatUnit, ExtendedPrecisionKeepsExceptionsMasked) {
  uint16_t saved = platform_x87_control_word();
  uint16_t double_precision = 0x027F;  // 53-bit mantissa
  __asm__ volatile("fldcw %0" : : "m"(double_precision));
  ASSERT_EQ(platform_x87_control_word() & 0x0300, 0x0200);
  platform_set_extended_precision();
  uint16_t cw = platform_x87_control_word();
  EXPECT_EQ(cw & 0x0300, 0x0300);  // 64-bit mantissa
  EXPECT_EQ(cw & 0x0C00, 0x0000);  // round to nearest
  EXPECT_EQ(cw & 0x003F, 0x003F);  // every exception masked
  // 1 + 2^-60 survives only with a 64-bit mantissa.
  volatile long double one = 1.0L, tiny = 0x1p-60L;
  long double sum = one + tiny;
  EXPECT_NE(sum, one);
  __asm__ volatile("fldcw %0" : : "m"(saved));
}

}  // namespace

namespace {

TEST(MessageBoxWithoutDisplay, WritesToStandardErrorAndAnswersNo) {
  platform_set_message_box_handler(nullptr);
  const char *display = std::getenv("DISPLAY");
  std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  testing::internal::CaptureStderr();
  int yes_no = platform_message_box("Line:5\nOverflow\nContinue?", "Unhandled Error #6",
                                    MESSAGE_BOX_YES_NO, true);
  int ok = platform_message_box("Division by zero", "Critical Error", MESSAGE_BOX_OK, true);
  std::string err = testing::internal::GetCapturedStderr();
  if (display) setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_EQ(yes_no, MESSAGE_BOX_ANSWER_NO);
  EXPECT_EQ(ok, MESSAGE_BOX_ANSWER_OK);
  EXPECT_EQ(err, "Unhandled Error #6\nLine:5\nOverflow\nContinue?\nCritical Error\nDivision by zero\n");
}

}  // namespace

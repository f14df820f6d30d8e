// PRINT USING through the runtime strings and onto the screen: the entry points append to
// the caller's output string, errors stop the statement, and the statement sequence prints
// what was built (without ending the line when a value failed).
#include <gtest/gtest.h>

#include <string>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"
#include "tests/support/screen_text.h"

namespace {

std::string text(const BasicString *s) {
  return std::string(reinterpret_cast<const char *>(s->data), static_cast<size_t>(s->length));
}

BasicString *literal(const char *t) { return bstr_from_cstr(t); }

class PrintUsingStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_test_startup();
    pending_error.store(0);
    rt_control.event_pending.store(0);
    mark = bstr_temp_mark();
    output = bstr_new(0, 0);
    format = bstr_new(0, 0);
  }
  void TearDown() override {
    bstr_free_temporaries(mark, 0);
    EXPECT_EQ(bstr_temp_mark(), mark);
    bstr_free(output);
    bstr_free(format);
    pending_error.store(0);
    rt_control.event_pending.store(0);
  }
  void set_format(const char *t) { bstr_set(format, literal(t)); }
  uint32_t mark = 0;
  BasicString *output = nullptr;
  BasicString *format = nullptr;
};

TEST_F(PrintUsingStrings, CountdownThroughTheEntryPoints) {
  set_format(" ###:##.###");
  int32_t p = rt_print_using_single(format, 2.0f, 0, output);
  EXPECT_EQ(p, 5);
  EXPECT_EQ(text(output), "   2:");
  p = rt_print_using_single(format, 5.25f, p, output);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(text(output), "   2: 5.250");
  EXPECT_EQ(output->temporary, 0);  // still the caller's permanent string
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(PrintUsingStrings, EveryNumericTypeAndStrings) {
  set_format("[#####.##] ");
  int32_t p = rt_print_using_double(format, -12.345, 0, output);
  p = rt_print_using_float(format, 0.125L, p, output);
  p = rt_print_using_int64(format, -42, p, output);
  p = rt_print_using_uint64(format, 7, p, output);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(text(output), "[  -12.35] [    0.13] [  -42.00] [    7.00] ");
  bstr_set(format, literal("<\\   \\|!>"));
  bstr_set(output, literal(""));
  p = rt_print_using(format, 0, output, literal("abcdef"));
  EXPECT_EQ(p, 7);
  p = rt_print_using(format, p, output, literal("xyz"));
  EXPECT_EQ(p, 0);
  EXPECT_EQ(text(output), "<abcde|x>");
  // No value: the literal text up to the first field.
  bstr_set(output, literal(""));
  EXPECT_EQ(rt_print_using(format, 0, output, nullptr), 1);
  EXPECT_EQ(text(output), "<");
}

TEST_F(PrintUsingStrings, ErrorsLeaveWhatWasBuilt) {
  set_format("ab ##");
  EXPECT_EQ(rt_print_using(format, 0, output, literal("x")), 0);
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_TYPE_MISMATCH));
  EXPECT_EQ(text(output), "ab ");
  // Further values do nothing while the error is pending.
  EXPECT_EQ(rt_print_using_single(format, 1.0f, 0, output), 0);
  EXPECT_EQ(text(output), "ab ");
  pending_error.store(0);
  EXPECT_EQ(rt_print_using_single(format, __builtin_inff(), 0, output), 0);
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  EXPECT_EQ(text(output), "ab ");
  pending_error.store(0);
  set_format("no field");
  EXPECT_EQ(rt_print_using_int64(format, 1, 0, output), 0);
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  EXPECT_EQ(text(output), "ab no field");
}

// The statement as the translated program runs it, printing on the start-up text screen.
TEST_F(PrintUsingStrings, StatementPrintsTheLine) {
  PrintUsingStatement u;
  rt_print_using_begin(&u, literal(" ###:##.###"));
  if (!pending_error.load()) u.position = rt_print_using_single(u.format, 2.0f, u.position, u.output);
  if (!pending_error.load()) u.position = rt_print_using_single(u.format, 5.25f, u.position, u.output);
  rt_print_using_end(&u, 1);
  bstr_free_temporaries(mark, 0);
  EXPECT_EQ(dest_text(1, 1), "   2: 5.250");
  EXPECT_EQ(rt_csrlin(), 2);
  EXPECT_EQ(rt_pos(), 1);

  rt_print_using_begin(&u, literal("##"));
  if (!pending_error.load()) u.position = rt_print_using_single(u.format, 7.0f, u.position, u.output);
  rt_print_using_end(&u, 0);  // PRINT USING ...; leaves the cursor after the text
  EXPECT_EQ(dest_text(2, 2), " 7");
  EXPECT_EQ(rt_csrlin(), 2);
  EXPECT_EQ(rt_pos(), 3);
}

TEST_F(PrintUsingStrings, FailedStatementPrintsWithoutEndingTheLine) {
  PrintUsingStatement u;
  rt_print_using_begin(&u, literal("x=## "));
  if (!pending_error.load()) u.position = rt_print_using_single(u.format, 5.0f, u.position, u.output);
  if (!pending_error.load())
    u.position = rt_print_using(u.format, u.position, u.output, literal("oops"));
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_TYPE_MISMATCH));
  rt_print_using_end(&u, 1);
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_TYPE_MISMATCH));  // still for the event check
  pending_error.store(0);  // the screen is read like a program would after the error
  EXPECT_EQ(dest_text(1, 1), "x= 5 x=");
  EXPECT_EQ(rt_csrlin(), 1);
  EXPECT_EQ(rt_pos(), 8);
}

}  // namespace

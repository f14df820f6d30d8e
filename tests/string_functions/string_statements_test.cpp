// LSET, RSET and the MID$ statement: they write into their target, never change its
// length, never free their source and do nothing while an error is pending.
#include <vector>

#include "tests/string_functions/string_test_fixture.h"

namespace {

using StringStatements = StringStatementTest;

struct MidSetCase {
  int32_t start, n, n_passed;
  std::string source, expected;
};

TEST_F(StringStatements, MidStatementOnSixByteTarget) {
  const MidSetCase cases[] = {
      {3, 0, 0, "xy", "ABxyEF"},      {5, 9, 1, "vwxyz", "ABCDvw"},   {0, 0, 0, "xyz", "yzCDEF"},
      {1, 0, 0, "", "ABCDEF"},        {7, 0, 0, "x", "ABCDEF"},       {6, 0, 0, "xyz", "ABCDEx"},
      {2, 2, 1, "xyz", "AxyDEF"},     {2, 0, 1, "xyz", "ABCDEF"},     {-1, 0, 0, "xyz", "zBCDEF"},
      {-5, 0, 0, "xyz", "ABCDEF"},    {1, -1, 1, "xyz", "ABCDEF"},    {1, 0, 0, "uvwxyz12", "uvwxyz"},
      {0, 5, 1, "xyz", "yzCDEF"},     {-2, 4, 1, "wxyz", "zBCDEF"},   {INT32_MIN, 0, 0, "xyz", "ABCDEF"},
      {INT32_MAX, 0, 0, "xyz", "ABCDEF"}, {2, INT32_MAX, 1, "xyz", "AxyzEF"},
  };
  for (const MidSetCase &c : cases) {
    BasicString *t = variable("ABCDEF");
    BasicString *source = temporary(c.source);
    rt_mid_set(t, c.start, c.n, source, c.n_passed);
    EXPECT_EQ(text_of(t), c.expected) << "MID$(t, " << c.start << (c.n_passed ? ", " + std::to_string(c.n) : "")
                                      << ") = \"" << c.source << '"';
    EXPECT_EQ(text_of(source), c.source) << "the source is not consumed";
    EXPECT_TRUE(source->temporary);
    end_statement();
  }
}

TEST_F(StringStatements, MidStatementWithItselfAsSource) {
  BasicString *t = variable("ABCDEF");
  rt_mid_set(t, 2, 0, t, 0);
  EXPECT_EQ(text_of(t), "AABCDE");
  rt_mid_set(t, 1, 0, t, 0);
  EXPECT_EQ(text_of(t), "AABCDE");
  // A slice of the same bytes, overlapping the other way.
  BasicString *u = variable("ABCDEF");
  BasicString *tail = bstr_new_fixed(u->data + 2, 4, 1);
  rt_mid_set(u, 1, 0, tail, 0);
  EXPECT_EQ(text_of(u), "CDEFEF");
}

TEST_F(StringStatements, MidStatementLeavesSharedEmptyStringAlone) {
  ASSERT_NE(blank_string, nullptr);
  rt_mid_set(blank_string, 1, 0, literal("xyz"), 0);
  EXPECT_EQ(blank_string->length, 0);
}

TEST_F(StringStatements, LsetAndRsetIntoFixedString) {
  struct Case {
    std::string source, lset, rset;
  };
  const Case cases[] = {{"AB", "AB  ", "  AB"},
                        {"ABCDEF", "ABCD", "ABCD"},
                        {"WXYZ", "WXYZ", "WXYZ"},
                        {"", "    ", "    "}};
  for (const Case &c : cases) {
    uint8_t record[6] = {'#', '.', '.', '.', '.', '#'};
    BasicString *field = bstr_new_fixed(record + 1, 4, 0);
    BasicString *source = temporary(c.source);
    rt_lset(field, source);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(record), 6), "#" + c.lset + "#") << "LSET " << c.source;
    rt_rset(field, source);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(record), 6), "#" + c.rset + "#") << "RSET " << c.source;
    EXPECT_EQ(field->length, 4);
    EXPECT_EQ(text_of(source), c.source);
    end_statement();
    bstr_free(field);
  }
}

TEST_F(StringStatements, LsetAndRsetKeepAVariableLength) {
  BasicString *v = variable("12345");
  rt_lset(v, literal("ab"));
  EXPECT_EQ(text_of(v), "ab   ");
  rt_rset(v, literal("xy"));
  EXPECT_EQ(text_of(v), "   xy");
  rt_rset(v, v);  // same length: unchanged
  EXPECT_EQ(text_of(v), "   xy");
}

TEST_F(StringStatements, StatementsDoNothingWhileAnErrorIsPending) {
  BasicString *v = variable("ABCD");
  rt_chr(-1);
  ASSERT_EQ(pending_error.load(), 5u);
  rt_lset(v, literal("x"));
  rt_rset(v, literal("x"));
  rt_mid_set(v, 1, 0, literal("xyz"), 0);
  EXPECT_EQ(text_of(v), "ABCD");
}

TEST_F(StringStatements, ReadOnlyTargetsAreNeverWritten) {
  static const char program_text[] = "LITERAL";
  BasicString *lit = bstr_from_text(program_text, 7);
  rt_lset(lit, literal("x"));
  rt_mid_set(lit, 1, 0, literal("x"), 0);
  EXPECT_STREQ(program_text, "LITERAL");
}

}  // namespace

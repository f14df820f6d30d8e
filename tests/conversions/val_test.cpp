// VAL: decimal texts with blanks, signs, points and exponents, and based numbers with
// their overflow rule.
#include <cmath>

#include "tests/conversions/conversions_fixture.h"

namespace {

using Val = ConversionTest;

struct ValCase {
  const char *text;
  long double value;
};

TEST_F(Val, DecimalTexts) {
  const ValCase cases[] = {
      {"  -12.5e2xyz", -1250.0L},
      {"1.2.3", 1.2L},
      {"1 2", 12.0L},
      {"-\t 5", -5.0L},
      {"12E", 12.0L},
      {"", 0.0L},
      {"abc", 0.0L},
      {"+7", 7.0L},
      {"--5", 0.0L},
      {"5-3", 5.0L},
      {".5", 0.5L},
      {"-.25", -0.25L},
      {"0.00123", 0.00123L},
      {"00042", 42.0L},
      {"1D3", 1000.0L},
      {"2.5d-1", 0.25L},
      {"1E+2.5", 100.0L},
      {"1e0000000000000000000000005", 100000.0L},
      {"123&H10", 123.0L},
      {"-&H10", 0.0L},
      {"9223372036854775807", 9223372036854775807.0L},
      {"123456789012345678", 123456789012345678.0L},
      {"18446744073709551615", 18446744073709551615.0L},
      {"1000000000000000000000000000000", 1e30L},
  };
  for (const ValCase &c : cases) {
    EXPECT_EQ(rt_val(literal(c.text)), c.value) << '"' << c.text << '"';
    EXPECT_EQ(error(), 0u) << c.text;
  }
  // The extended reading: 0.1 is the nearest 80-bit value, not the DOUBLE one.
  EXPECT_EQ(rt_val(literal("0.1")), 0.1L);
  EXPECT_EQ(rt_val(literal("-1.5E-4000")), -1.5E-4000L);
}

TEST_F(Val, LongDigitStringsKeepTheirRounding) {
  // 300 significant digits: far more than kept; the tail still decides the rounding.
  std::string digits = "1." + std::string(298, '0') + "1";
  EXPECT_EQ(rt_val(literal(digits)), 1.0L);
  std::string third = "0." + std::string(300, '3');
  EXPECT_EQ(rt_val(literal(third)), 1.0L / 3.0L);
}

TEST_F(Val, BasedNumbers) {
  const ValCase cases[] = {
      {"&H10", 16.0L},
      {"&h1f", 31.0L},
      {"&", 0.0L},
      {"&H", 0.0L},
      {"&O17", 15.0L},
      {"&o777", 511.0L},
      {"&B101", 0.0L},  // only H and O name a base
      {"&X12", 0.0L},
      {" & H 1 0", 16.0L},
      {"&HFFFFFFFFFFFFFFFF", -1.0L},
      {"&H0000000000000000001", 1.0L},  // leading zeros do not count
      {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0L},
      {"&O1777777777777777777777", -1.0L},  // 22 digits starting with 1: 64 bits
      {"&HFG", 15.0L},
      {"&O78", 7.0L},
  };
  for (const ValCase &c : cases) {
    EXPECT_EQ(rt_val(literal(c.text)), c.value) << '"' << c.text << '"';
    EXPECT_EQ(error(), 0u) << c.text;
  }
}

TEST_F(Val, BasedOverflowRaisesErrorSix) {
  const char *overflowing[] = {"&H10000000000000000", "&O2000000000000000000000",
                               "&O17777777777777777777777"};
  for (const char *t : overflowing) {
    clear_error();
    EXPECT_EQ(rt_val(literal(t)), 0.0L) << t;
    EXPECT_EQ(error(), uint32_t(ERR_OVERFLOW)) << t;
  }
}

TEST_F(Val, PendingErrorGivesZeroAndArgumentIsKept) {
  BasicString *s = literal("42");
  EXPECT_EQ(rt_val(s), 42.0L);
  EXPECT_EQ(text(s), "42");  // not consumed
  rt_error(ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(rt_val(s), 0.0L);
}

}  // namespace

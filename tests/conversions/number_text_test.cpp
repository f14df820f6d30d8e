// STR$ of every numeric type: fixed tables of the documented texts, and a few hundred
// random SINGLE and DOUBLE values checked against the exact decimal model of
// decimal_reference.h.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "tests/conversions/conversions_fixture.h"
#include "tests/conversions/decimal_reference.h"

namespace {

using StrText = ConversionTest;

struct SingleCase {
  float value;
  const char *text;
};

TEST_F(StrText, SingleValuesTable) {
  const SingleCase cases[] = {
      {0.0f, " 0"},          {-0.0f, " 0"},           {0.5f, " .5"},
      {-0.25f, "-.25"},      {123.4f, " 123.4"},      {1234567.0f, " 1234567"},
      {0.0000001f, " .0000001"}, {1e10f, " 1E+10"},   {1.5e-10f, " 1.5E-10"},
      {16777216.0f, " 1.677722E+07"}, {1e-8f, " 1E-08"}, {100000.0f, " 100000"},
      {1e7f, " 1E+07"},      {-1.5f, "-1.5"},         {0.1f, " .1"},
      {1.0f / 3.0f, " .3333333"}, {2.0f / 3.0f, " .6666667"}, {-123456.7f, "-123456.7"},
      {9999999.0f, " 9999999"}, {FLT_MAX, " 3.402823E+38"}, {FLT_TRUE_MIN, " 1.401298E-45"},
      {12345675.0f, " 1.234568E+07"}, {12345665.0f, " 1.234566E+07"},
  };
  for (const SingleCase &c : cases) {
    EXPECT_EQ(text(rt_str_single(c.value)), c.text) << "value " << c.value;
  }
}

struct DoubleCase {
  double value;
  const char *text;
};

TEST_F(StrText, DoubleValuesTable) {
  const DoubleCase cases[] = {
      {0.0, " 0"},
      {-0.0, " 0"},
      {0.1, " .1"},
      {1.0 / 3.0, " .3333333333333333"},
      {1e20, " 1D+20"},
      {1.5e-30, " 1.5D-30"},
      {1e16, " 1D+16"},
      {123456789012345.0, " 123456789012345"},
      {std::nextafter(1e21, 0.0), " 1D+21"},
      {-2.5, "-2.5"},
      {1e15, " 1000000000000000"},
      {0.1 + 0.2, " .3"},  // sixteenth digit 4: .3000000000000000 trims to .3
      {1e-300, " 1D-300"},
      {DBL_MAX, " 1.797693134862316D+308"},
      {-1e100, "-1D+100"},
  };
  for (const DoubleCase &c : cases) {
    EXPECT_EQ(text(rt_str_double(c.value)), c.text) << "value " << c.value;
  }
  EXPECT_EQ(text(rt_str_float(0.1L)), " .1");  // extended goes through DOUBLE
}

TEST_F(StrText, IntegerTypesNarrowAndSign) {
  EXPECT_EQ(text(rt_str_integer(-32768)), "-32768");
  EXPECT_EQ(text(rt_str_integer(32767)), " 32767");
  EXPECT_EQ(text(rt_str_ubyte(255)), " 255");
  EXPECT_EQ(text(rt_str_byte(-128)), "-128");
  EXPECT_EQ(text(rt_str_byte(0)), " 0");
  EXPECT_EQ(text(rt_str_long(INT32_MIN)), "-2147483648");
  EXPECT_EQ(text(rt_str_ulong(UINT32_MAX)), " 4294967295");
  EXPECT_EQ(text(rt_str_uinteger(65535)), " 65535");
  EXPECT_EQ(text(rt_str_int64(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(text(rt_str_uint64(UINT64_MAX)), " 18446744073709551615");
  EXPECT_EQ(text(rt_str_uint64(0)), " 0");
}

TEST_F(StrText, ResultsAreTemporaries) {
  BasicString *s = rt_str_single(1.5f);
  EXPECT_EQ(s->temporary, 1);
  EXPECT_EQ(bstr_temp_mark(), mark + 1);
  bstr_free_temporaries(mark, 0);
  EXPECT_EQ(bstr_temp_mark(), mark);
}

TEST_F(StrText, PendingErrorGivesEmptyText) {
  rt_error(ERR_OVERFLOW);
  EXPECT_EQ(text(rt_str_single(1.5f)), "");
  EXPECT_EQ(text(rt_str_long(7)), "");
}

// Random bit patterns over a range of exponents, plus short decimal fractions, whose
// texts go through both the fixed and the scientific layouts.
TEST_F(StrText, RandomSinglesMatchExactDecimalModel) {
  std::mt19937_64 rng(20261211);
  for (int i = 0; i < 400; ++i) {
    float f;
    if (i % 2 == 0) {
      uint32_t exponent = 100 + static_cast<uint32_t>(rng() % 80);  // about 1e-8 .. 1e16
      uint32_t bits = (static_cast<uint32_t>(rng() & 1) << 31) | (exponent << 23) |
                      static_cast<uint32_t>(rng() & 0x7FFFFF);
      std::memcpy(&f, &bits, 4);
    } else {
      f = static_cast<float>(static_cast<double>(static_cast<int64_t>(rng() % 20000000) - 10000000) /
                             std::pow(10.0, static_cast<int>(rng() % 9)));
    }
    char out[STR_TEXT_MAX];
    std::string got(out, static_cast<size_t>(str_single_text(f, out)));
    ASSERT_EQ(got, reference_str_single(f)) << "bits of " << f;
  }
}

TEST_F(StrText, RandomDoublesMatchExactDecimalModel) {
  std::mt19937_64 rng(4242);
  for (int i = 0; i < 400; ++i) {
    double v;
    if (i % 2 == 0) {
      uint64_t exponent = 900 + rng() % 230;  // about 1e-37 .. 1e31
      uint64_t bits = ((rng() & 1) << 63) | (exponent << 52) | (rng() & ((uint64_t{1} << 52) - 1));
      std::memcpy(&v, &bits, 8);
    } else {
      v = static_cast<double>(static_cast<int64_t>(rng() % 2000000000000ULL) - 1000000000000LL) /
          std::pow(10.0, static_cast<int>(rng() % 19));
    }
    char out[STR_TEXT_MAX];
    std::string got(out, static_cast<size_t>(str_double_text(v, out)));
    ASSERT_EQ(got, reference_str_double(v)) << "value " << v;
  }
}

// The model itself, on values whose digits are known by hand.
TEST(DecimalReference, ExactDigitsAndTies) {
  ExactDecimal x = exact_decimal(0.125);
  EXPECT_EQ(x.digits, "125");
  EXPECT_EQ(x.exponent, -1);
  x = exact_decimal(0.1f);
  EXPECT_EQ(x.digits, "100000001490116119384765625");
  EXPECT_EQ(round_significant(exact_decimal(2.5), 1).digits, "2");
  EXPECT_EQ(round_significant(exact_decimal(3.5), 1).digits, "4");
  EXPECT_EQ(round_significant(exact_decimal(9.96), 2).exponent, 1);
}

}  // namespace

// Byte images of numbers (MKI$/CVI and relatives) and the MBF conversions.
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

#include "tests/string_functions/string_test_fixture.h"

namespace {

using ByteImages = StringStatementTest;
using MbfConversions = StringStatementTest;

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(static_cast<char>(b));
  return s;
}

TEST_F(ByteImages, EachTypeWritesItsLittleEndianBytesAndReadsThemBack) {
  EXPECT_EQ(text_of(rt_mk_byte(0xFE)), bytes({0xFE}));
  EXPECT_EQ(rt_cv_byte(rt_mk_byte(0xFE)), 0xFE);
  EXPECT_EQ(text_of(rt_mk_integer(static_cast<uint16_t>(int16_t{-2}))), bytes({0xFE, 0xFF}));
  EXPECT_EQ(static_cast<int16_t>(rt_cv_integer(rt_mk_integer(static_cast<uint16_t>(-2)))), -2);
  EXPECT_EQ(text_of(rt_mk_integer(0x1234)), bytes({0x34, 0x12}));
  EXPECT_EQ(text_of(rt_mk_long(0x12345678)), bytes({0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(static_cast<int32_t>(rt_cv_long(rt_mk_long(static_cast<uint32_t>(INT32_MIN)))), INT32_MIN);
  EXPECT_EQ(text_of(rt_mk_integer64(0x0102030405060708ull)), bytes({8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(rt_cv_integer64(rt_mk_integer64(0xFEDCBA9876543210ull)), 0xFEDCBA9876543210ull);
  EXPECT_EQ(text_of(rt_mk_single(1.0f)), bytes({0, 0, 0x80, 0x3F}));
  EXPECT_EQ(rt_cv_single(rt_mk_single(-3.25f)), -3.25f);
  EXPECT_EQ(text_of(rt_mk_double(1.0)), bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  EXPECT_EQ(rt_cv_double(rt_mk_double(0.1)), 0.1);
  // The first bytes of a longer string are read.
  EXPECT_EQ(rt_cv_integer(literal("\x01\x02\x03")), 0x0201);
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(ByteImages, ExtendedValueTakesTenOfThirtyTwoBytes) {
  BasicString *one = rt_mk_float(1.0L);
  std::string expected = bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F});
  expected.append(22, '\0');
  EXPECT_EQ(text_of(one), expected);
  const long double values[] = {1.0L / 3.0L, -0.0L, LDBL_MAX, LDBL_TRUE_MIN, -LDBL_MIN,
                                std::numeric_limits<long double>::infinity()};
  for (long double v : values) {
    const long double back = rt_cv_float(rt_mk_float(v));
    EXPECT_EQ(std::memcmp(&back, &v, 10), 0) << static_cast<double>(v);
  }
  // Fewer than 32 bytes are refused even though the value needs only 10.
  std::string short_image = text_of(one).substr(0, 31);
  EXPECT_EQ(rt_cv_float(temporary(short_image)), 0.0L);
  EXPECT_EQ(pending_error.load(), 5u);
}

TEST_F(ByteImages, TooShortStringsGiveErrorFiveAndZero) {
  struct Case {
    const char *name;
    std::string s;
    double (*read)(BasicString *);
  };
  const Case cases[] = {
      {"CVI", "\x05", [](BasicString *s) { return double(rt_cv_integer(s)); }},
      {"CVL", "\x05\x05\x05", [](BasicString *s) { return double(rt_cv_long(s)); }},
      {"CVS", "\x05\x05\x05", [](BasicString *s) { return double(rt_cv_single(s)); }},
      {"CVD", "\x05\x05\x05\x05\x05\x05\x05", [](BasicString *s) { return rt_cv_double(s); }},
      {"byte", "", [](BasicString *s) { return double(rt_cv_byte(s)); }},
      {"integer64", "\x05\x05\x05\x05\x05\x05\x05", [](BasicString *s) { return double(rt_cv_integer64(s)); }},
      {"bit 9", "\x05", [](BasicString *s) { return double(rt_cv_bit(s, 9)); }},
      {"unsigned bit 17", "\x05\x05", [](BasicString *s) { return double(rt_cv_ubit(s, 17)); }},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(c.read(temporary(c.s)), 0.0) << c.name;
    EXPECT_EQ(pending_error.load(), 5u) << c.name;
    end_statement();
    clear_error();
  }
}

TEST_F(ByteImages, BitFieldsMaskAndSignExtend) {
  struct Case {
    uint64_t value;
    int32_t bits;
    std::string image;
    int64_t signed_value;
    uint64_t unsigned_value;
  };
  const Case cases[] = {
      {0x1FF, 9, bytes({0xFF, 0x01}), -1, 511},
      {0xFF, 9, bytes({0xFF, 0x00}), 255, 255},
      {0x100, 9, bytes({0x00, 0x01}), -256, 256},
      {0xFFFFFE00, 9, bytes({0x00, 0x00}), 0, 0},
      {5, 1, bytes({0x01}), -1, 1},
      {2, 1, bytes({0x00}), 0, 0},
      {7, 3, bytes({0x07}), -1, 7},
      {0xABCD, 16, bytes({0xCD, 0xAB}), int16_t(0xABCD), 0xABCD},
      {~0ull, 63, bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), -1, (1ull << 63) - 1},
      {1ull << 62, 63, bytes({0, 0, 0, 0, 0, 0, 0, 0x40}), -(int64_t{1} << 62), 1ull << 62},
      {0x3FFFFFFFFFFFFFFFull, 63, bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F}),
       0x3FFFFFFFFFFFFFFFll, 0x3FFFFFFFFFFFFFFFull},
  };
  for (const Case &c : cases) {
    BasicString *image = rt_mk_bit(c.value, c.bits);
    EXPECT_EQ(text_of(image), c.image) << c.value << " as " << c.bits << " bits";
    EXPECT_EQ(rt_cv_bit(image, c.bits), c.signed_value) << c.value << " as " << c.bits << " bits";
    EXPECT_EQ(rt_cv_ubit(image, c.bits), c.unsigned_value) << c.value << " as " << c.bits << " bits";
    end_statement();
  }
  // Bits above the field in the image are ignored.
  EXPECT_EQ(rt_cv_ubit(literal("\xFF"), 3), 7u);
  EXPECT_EQ(rt_cv_bit(literal("\xFB"), 3), 3);
  EXPECT_EQ(pending_error.load(), 0u);
  for (int32_t bits : {0, 64, -1}) {
    EXPECT_EQ(rt_mk_bit(1, bits)->length, 0) << bits;
    EXPECT_EQ(pending_error.load(), 5u);
    clear_error();
    EXPECT_EQ(rt_cv_bit(literal("\x01\x01\x01\x01\x01\x01\x01\x01"), bits), 0) << bits;
    EXPECT_EQ(pending_error.load(), 5u);
    clear_error();
  }
}

// ---- MBF ------------------------------------------------------------------------------------

struct MbfSingleCase {
  float value;
  std::string image;  // empty: refused with error 5
};

TEST_F(MbfConversions, SingleImages) {
  const MbfSingleCase cases[] = {
      {1.0f, bytes({0, 0, 0, 0x81})},
      {0.5f, bytes({0, 0, 0, 0x80})},
      {-1.0f, bytes({0, 0, 0x80, 0x81})},
      {10.0f, bytes({0, 0, 0x20, 0x84})},
      {0.1f, bytes({0xCD, 0xCC, 0x4C, 0x7D})},
      {0.0f, bytes({0, 0, 0, 0})},
      {-0.0f, bytes({0, 0, 0, 0})},
      {std::ldexp(1.0f, 126), bytes({0, 0, 0, 0xFF})},
      {FLT_MIN, bytes({0, 0, 0, 0x03})},             // IEEE exponent field 1, plus 2
      {std::ldexp(1.0f, -128), bytes({0, 0, 0, 0x01})},   // an IEEE denormal
      {std::ldexp(1.0f, -129), bytes({0, 0, 0, 0})},      // below every MBF single
      {std::ldexp(1.0f, 127), ""},                        // IEEE exponent field 254
      {FLT_MAX, ""},
      {std::numeric_limits<float>::infinity(), ""},
      {std::numeric_limits<float>::quiet_NaN(), ""},
  };
  for (const MbfSingleCase &c : cases) {
    BasicString *image = rt_mksmbf(c.value);
    EXPECT_EQ(text_of(image), c.image) << "MKSMBF$(" << c.value << ")";
    EXPECT_EQ(pending_error.load(), c.image.empty() ? 5u : 0u) << "MKSMBF$(" << c.value << ")";
    if (!c.image.empty() && c.value != 0 && std::fabs(c.value) >= std::ldexp(1.0f, -128)) {
      EXPECT_EQ(rt_cvsmbf(image), c.value) << "CVSMBF(MKSMBF$(" << c.value << "))";
    }
    end_statement();
    clear_error();
  }
}

TEST_F(MbfConversions, SingleReadsEveryExponent) {
  EXPECT_EQ(rt_cvsmbf(temporary(bytes({0, 0, 0, 0x81}))), 1.0f);
  EXPECT_EQ(rt_cvsmbf(temporary(bytes({0x12, 0x34, 0xD6, 0}))), 0.0f) << "exponent 0 is zero";
  EXPECT_EQ(rt_cvsmbf(temporary(bytes({0, 0, 0, 1}))), std::ldexp(1.0f, -128));
  EXPECT_EQ(rt_cvsmbf(temporary(bytes({0xFF, 0xFF, 0xFF, 0xFF}))), -std::ldexp(float((1 << 24) - 1), 127 - 24));
  EXPECT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(rt_cvsmbf(temporary(bytes({0, 0, 0x81}))), 0.0f);
  EXPECT_EQ(pending_error.load(), 5u);
}

struct MbfDoubleCase {
  double value;
  std::string image;  // empty: refused with error 5
};

TEST_F(MbfConversions, DoubleImages) {
  const MbfDoubleCase cases[] = {
      {1.0, bytes({0, 0, 0, 0, 0, 0, 0, 0x81})},
      {-1.0, bytes({0, 0, 0, 0, 0, 0, 0x80, 0x81})},
      {10.0, bytes({0, 0, 0, 0, 0, 0, 0x20, 0x84})},
      {0.1, bytes({0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0x4C, 0x7D})},
      {0.0, bytes({0, 0, 0, 0, 0, 0, 0, 0})},
      {std::ldexp(1.0, 126), bytes({0, 0, 0, 0, 0, 0, 0, 0xFF})},
      {std::ldexp(1.0, -128), bytes({0, 0, 0, 0, 0, 0, 0, 0x01})},
      {std::ldexp(1.0, 127), ""},
      {std::ldexp(1.0, -129), ""},
      {1e300, ""},
      {-1e-300, ""},
      {std::numeric_limits<double>::infinity(), ""},
      {std::numeric_limits<double>::quiet_NaN(), ""},
  };
  for (const MbfDoubleCase &c : cases) {
    BasicString *image = rt_mkdmbf(c.value);
    EXPECT_EQ(text_of(image), c.image) << "MKDMBF$(" << c.value << ")";
    EXPECT_EQ(pending_error.load(), c.image.empty() ? 5u : 0u) << "MKDMBF$(" << c.value << ")";
    if (!c.image.empty()) {
      EXPECT_EQ(rt_cvdmbf(image), c.value) << "CVDMBF(MKDMBF$(" << c.value << "))";
    }
    end_statement();
    clear_error();
  }
}

TEST_F(MbfConversions, DoubleRoundTripIsExactOverTheMbfRange) {
  std::mt19937_64 random(12345);
  std::uniform_int_distribution<int> exponent(-127, 126);
  std::uniform_real_distribution<double> mantissa(1.0, 2.0);
  for (int i = 0; i < 2000; i++) {
    double v = std::ldexp(mantissa(random), exponent(random));
    if (i % 2) v = -v;
    EXPECT_EQ(rt_cvdmbf(rt_mkdmbf(v)), v);
    end_statement();
  }
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(MbfConversions, DoubleReadRoundsTheExtraBitsToNearestEven) {
  struct Case {
    int low_fraction;  // the low byte of the 55-bit fraction
    double expected;
  };
  const Case cases[] = {
      {0x04, 1.0},                            // exactly half way: stays even
      {0x05, 1.0 + std::ldexp(1.0, -52)},     // above half way
      {0x0C, 1.0 + std::ldexp(1.0, -51)},     // half way from an odd neighbour: up to even
      {0x03, 1.0},                            // below half way
  };
  for (const Case &c : cases) {
    EXPECT_EQ(rt_cvdmbf(temporary(bytes({c.low_fraction, 0, 0, 0, 0, 0, 0, 0x81}))), c.expected) << c.low_fraction;
    end_statement();
  }
  EXPECT_EQ(rt_cvdmbf(temporary(bytes({1, 2, 3, 4, 5, 6, 0x80, 0}))), 0.0);
  EXPECT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(rt_cvdmbf(temporary(bytes({0, 0, 0, 0, 0, 0, 0x81}))), 0.0);
  EXPECT_EQ(pending_error.load(), 5u);
}

}  // namespace

// HEX$ and OCT$ of positive and negative values for each type width, and of floating
// arguments.
#include "tests/conversions/conversions_fixture.h"

namespace {

using HexOct = ConversionTest;

struct BasedCase {
  int64_t value;
  int32_t width;
  const char *text;
};

TEST_F(HexOct, HexTable) {
  const BasedCase cases[] = {
      {0, 4, "0"},
      {255, 4, "FF"},
      {4096, 4, "1000"},
      {-1, 2, "FF"},            // 8-bit
      {-128, 2, "80"},
      {-1, 4, "FFFF"},          // INTEGER
      {-32768, 4, "8000"},
      {-1, 8, "FFFFFFFF"},      // LONG
      {-1, 16, "FFFFFFFFFFFFFFFF"},
      {-200, 2, "FF38"},        // needs more than the width: 4 digits
      {-70000, 4, "FFFEEE90"},  // 8 digits
      {-5000000000LL, 8, "FFFFFFFED5FA0E00"},
      {INT64_MIN, 16, "8000000000000000"},
      {INT64_MAX, 16, "7FFFFFFFFFFFFFFF"},
  };
  for (const BasedCase &c : cases) {
    EXPECT_EQ(text(rt_hex(c.value, c.width)), c.text) << c.value << " width " << c.width;
  }
}

TEST_F(HexOct, OctTable) {
  const BasedCase cases[] = {
      {0, 16, "0"},
      {8, 16, "10"},
      {511, 16, "777"},
      {-1, 8, "377"},
      {-1, 16, "177777"},
      {-1, 32, "37777777777"},  // a 3 and ten 7s
      {-1, 64, "1777777777777777777777"},
      {-32768, 16, "100000"},
      {-200, 8, "177470"},      // needs 16 bits
      {-70000, 16, "37777567220"},
  };
  for (const BasedCase &c : cases) {
    EXPECT_EQ(text(rt_oct(c.value, c.width)), c.text) << c.value << " width " << c.width;
  }
}

TEST_F(HexOct, FloatingArguments) {
  EXPECT_EQ(text(rt_hex_float(255.4L)), "FF");
  EXPECT_EQ(text(rt_hex_float(2.5L)), "2");  // ties to even
  EXPECT_EQ(text(rt_hex_float(-1.0L)), "FFFFFFFF");
  EXPECT_EQ(text(rt_oct_float(-1.0L)), "37777777777");
  EXPECT_EQ(text(rt_hex_float(-3e9L)), "FFFFFFFF4D2FA200");
  EXPECT_EQ(error(), 0u);
  const long double huge[] = {9223372036854775808.0L, -9223372036854775808.0L, 1e30L,
                              9223372036854775807.5L, __builtin_nanl("")};
  for (long double v : huge) {
    clear_error();
    EXPECT_EQ(text(rt_hex_float(v)), "");
    EXPECT_EQ(error(), uint32_t(ERR_OVERFLOW));
    clear_error();
    EXPECT_EQ(text(rt_oct_float(v)), "");
    EXPECT_EQ(error(), uint32_t(ERR_OVERFLOW));
  }
}

}  // namespace

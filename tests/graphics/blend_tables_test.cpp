// The blend tables against their definitions: every mix entry is the nearest integer of
// x*s + (1-x)*d with x = a/255 (within single-precision rounding), every alpha-over entry
// the nearest integer of (1 - (1-a/255)(1-b/255)) * 255, and the table is symmetric.
#include <cmath>

#include "tests/graphics/graphics_fixture.h"

namespace {

using BlendTableTest = GraphicsTest;

TEST_F(BlendTableTest, TablesAreBuiltWithTheFirst32BitImage) {
  image(1, 1, 32);
  ASSERT_NE(blend_mix, nullptr);
  ASSERT_NE(alpha_over, nullptr);
  const uint8_t *mix_before = blend_mix;
  image(2, 2, 32);  // built once
  EXPECT_EQ(blend_mix, mix_before);
}

TEST_F(BlendTableTest, MixEntriesAreTheNearestIntegerOfTheWeightedSum) {
  image(1, 1, 32);
  int64_t off_by_more = 0, exact_ties_checked = 0;
  for (int a = 0; a < 256; a++)
    for (int s = 0; s < 256; s++)
      for (int d = 0; d < 256; d++) {
        double exact = (a * s + (255.0 - a) * d) / 255.0;
        int got = blend_mix[(a << 16) | (s << 8) | d];
        // Single precision may tip a value lying within a hair of .5 either way.
        if (std::fabs(got - exact) > 0.5 + 1e-4) off_by_more++;
        if (a == 0) exact_ties_checked += got == d;
        if (a == 255) exact_ties_checked += got == s;
      }
  EXPECT_EQ(off_by_more, 0);
  EXPECT_EQ(exact_ties_checked, 2 * 65536);  // a = 0 keeps d, a = 255 gives s
}

TEST_F(BlendTableTest, AlphaOverEntries) {
  image(1, 1, 32);
  for (int a = 0; a < 256; a++)
    for (int b = 0; b < 256; b++) {
      double exact = (1.0 - (1.0 - a / 255.0) * (1.0 - b / 255.0)) * 255.0;
      int got = alpha_over[a * 256 + b];
      ASSERT_LE(std::fabs(got - exact), 0.5 + 1e-4) << a << "," << b;
      ASSERT_EQ(got, alpha_over[b * 256 + a]) << a << "," << b;
    }
  EXPECT_EQ(alpha_over[0 * 256 + 77], 77);
  EXPECT_EQ(alpha_over[255 * 256 + 3], 255);
}

}  // namespace

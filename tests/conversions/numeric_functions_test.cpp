// Rounding to integers, FIX, LOG, EXP, RND and RANDOMIZE.
#include <cmath>

#include "tests/conversions/conversions_fixture.h"

namespace {

using NumericFunctions = ConversionTest;

TEST_F(NumericFunctions, RoundingTiesGoToEven) {
  struct Case {
    double value;
    int32_t rounded;
  };
  const Case cases[] = {{2.5, 2},   {3.5, 4},   {-2.5, -2}, {0.5, 0},  {-0.5, 0},
                        {1.5, 2},   {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {-3.7, -4},
                        {32767.5, 32768}, {0.0, 0}};
  for (const Case &c : cases) {
    EXPECT_EQ(rt_round_double(c.value), c.rounded) << c.value;
    EXPECT_EQ(rt_round_single(static_cast<float>(c.value)), c.rounded) << c.value;
    EXPECT_EQ(rt_round_float(c.value), c.rounded) << c.value;
  }
  EXPECT_EQ(rt_round_float(4503599627370497.5L), 4503599627370498LL);
  EXPECT_EQ(rt_round_float(-9007199254740993.5L), -9007199254740994LL);
}

TEST_F(NumericFunctions, OutOfRangeGivesIntegerIndefinite) {
  EXPECT_EQ(rt_round_double(3e9), INT32_MIN);
  EXPECT_EQ(rt_round_single(-1e10f), INT32_MIN);
  EXPECT_EQ(rt_round_double(std::nan("")), INT32_MIN);
  EXPECT_EQ(rt_round_float(1e19L), INT64_MIN);
  EXPECT_EQ(rt_round_double(2147483647.4), INT32_MAX);
}

TEST_F(NumericFunctions, FixTruncatesTowardsZero) {
  EXPECT_EQ(rt_fix_double(2.7), 2.0L);
  EXPECT_EQ(rt_fix_double(-2.7), -2.0L);
  EXPECT_EQ(rt_fix_double(-0.5), 0.0L);
  EXPECT_EQ(rt_fix_float(123456789012.999L), 123456789012.0L);
  EXPECT_EQ(rt_fix_float(-1e30L), -1e30L);
}

TEST_F(NumericFunctions, LogAndItsDomain) {
  EXPECT_EQ(rt_log(1.0), 0.0L);
  EXPECT_NEAR(static_cast<double>(rt_log(std::exp(2.0))), 2.0, 1e-15);
  EXPECT_EQ(error(), 0u);
  for (double bad : {0.0, -1.0, -0.0}) {
    clear_error();
    EXPECT_EQ(rt_log(bad), 0.0L);
    EXPECT_EQ(error(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL)) << bad;
  }
}

TEST_F(NumericFunctions, ExpLimitsPerType) {
  EXPECT_EQ(rt_exp_single(89.0), 0.0L);
  EXPECT_EQ(error(), uint32_t(ERR_OVERFLOW));
  clear_error();
  EXPECT_NEAR(static_cast<double>(rt_exp_double(89.0L) / std::exp(89.0L)), 1.0, 1e-15);
  EXPECT_EQ(error(), 0u);
  EXPECT_GT(rt_exp_single(88.02969), 1e38L);
  EXPECT_EQ(error(), 0u);
  EXPECT_EQ(rt_exp_double(709.8L), 0.0L);
  EXPECT_EQ(error(), uint32_t(ERR_OVERFLOW));
  clear_error();
  EXPECT_GT(rt_exp_double(709.78L), 1e308L);
  EXPECT_EQ(rt_exp_double(-100000.0L), 0.0L);
  EXPECT_EQ(error(), 0u);
}

class Random : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    rnd_state = RND_INITIAL_STATE;  // as after start-up
  }
};

TEST_F(Random, FirstThreeValuesAndStates) {
  struct Step {
    float value;
    uint32_t state;
  };
  const Step steps[] = {{0.7055475f, 11837123}, {0.533424f, 8949370}, {0.5795186f, 9722709}};
  for (const Step &s : steps) {
    float v = rt_rnd(0, 0);
    EXPECT_EQ(rnd_state, s.state);
    EXPECT_EQ(v, static_cast<float>(s.state) / 16777216.0f);
    EXPECT_NEAR(v, s.value, 5e-7);
  }
}

TEST_F(Random, ZeroRepeatsAndNegativeReseeds) {
  float a = rt_rnd(1, 1);
  EXPECT_EQ(rt_rnd(0, 1), a);
  EXPECT_EQ(rt_rnd(0, 1), a);
  float b = rt_rnd(-1, 1);
  rt_rnd(1, 1);
  EXPECT_EQ(rt_rnd(-1, 1), b);
  // -1.0f is BF800000: (800000 hex) + (BF hex), then one step.
  EXPECT_EQ(rnd_state, ((0x800000u + 0xBFu) * 16598013u + 12820163u) & 0xFFFFFFu);
}

TEST_F(Random, RandomizeSeedsAndUsingRestarts) {
  rt_rnd(0, 0);  // state moves away from the power-on value
  uint32_t low = rnd_state & 255;
  rt_randomize(5.0, RANDOMIZE_SEED);
  // 5.0 is 40140000 00000000 hex: h = 40140000, s = 4014 XOR 0000... folded.
  uint32_t h = 0x40140000u;
  uint32_t s = (h ^ (h >> 16)) & 0xFFFF;
  EXPECT_EQ(rnd_state, s * 256 + low);

  rt_randomize(5.0, RANDOMIZE_USING);
  EXPECT_EQ(rnd_state, s * 256 + (RND_INITIAL_STATE & 255));
  float using_first = rt_rnd(0, 0);
  rnd_state = RND_INITIAL_STATE;
  rt_randomize(5.0, RANDOMIZE_SEED);
  EXPECT_EQ(rt_rnd(0, 0), using_first);  // USING restarts what a fresh seed would give
}

TEST_F(Random, PendingErrorStopsBoth) {
  rt_error(ERR_OVERFLOW);
  EXPECT_EQ(rt_rnd(1, 1), 0.0f);
  rt_randomize(5.0, RANDOMIZE_SEED);
  EXPECT_EQ(rnd_state, RND_INITIAL_STATE);
}

TEST_F(Random, AskingForASeedIsUnavailable) {
  rt_randomize(0, RANDOMIZE_ASK);
  EXPECT_EQ(error(), uint32_t(ERR_FEATURE_UNAVAILABLE));
  EXPECT_EQ(rnd_state, RND_INITIAL_STATE);
}

}  // namespace

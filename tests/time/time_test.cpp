// TIMER, the BIOS tick count, DATE$ and TIME$, SLEEP, the delay statement and the
// frame-rate limiter, on a fake clock.
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "tests/time/time_fixture.h"

namespace {

using TimeTest = FakeClockTest;

std::string text_of(BasicString *s) {
  return std::string(reinterpret_cast<const char *>(s->data), size_t(s->length));
}

TEST_F(TimeTest, TimerWrapsAtMidnight) {
  struct Case {
    int64_t day_start, elapsed;
    double accuracy;  // 0 = TIMER without argument
    double expected;
  };
  const double tick = 1.0 / 18.2;
  const Case cases[] = {
      {86399000, 0, 0.001, 86399.0},
      {86399000, 999, 0.001, 86399.999},
      {86399000, 1000, 0.001, 0.0},  // midnight
      {86399000, 1500, 0.001, 0.5},
      {86399000, 1000 + 86400000, 0.001, 0.0},  // a day later, midnight again
      // Just before the wrap the rounded value reaches 86400.
      {86399990, 0, 0, double(float(std::nearbyint(86399.99 * 18.2) / 18.2))},
      {86399990, 0, 1.0, 86400.0},
      {0, 1000, 0, double(float(18 * tick))},  // 1 s: 18.2 ticks, rounded to 18
      {0, 1000, 0.5, 1.0},
      {0, 1250, 0.5, 1.0},   // ties go to even: 2.5 halves -> 2
      {0, 1750, 0.5, 2.0},   // 3.5 halves -> 4
      {0, 1234, 0.01, 1.23},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.day_start << " + " << c.elapsed << " @" << c.accuracy);
    set_day_ms(c.day_start);
    fake_ms += c.elapsed;
    const double t = c.accuracy > 0 ? rt_timer(c.accuracy, 1) : rt_timer(0, 0);
    EXPECT_NEAR(t, c.expected, 1e-9);
    if (c.accuracy == 0) {
      EXPECT_EQ(t, double(float(t)));  // single precision
    }
  }
}

TEST_F(TimeTest, TimerRejectsAccuracyOfZeroOrLess) {
  for (double accuracy : {0.0, -1.0, std::nan("")}) {
    EXPECT_EQ(rt_timer(accuracy, 1), 0);
    EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
    pending_error = 0;
  }
  rt_error(ERR_OVERFLOW);
  set_day_ms(5000);
  EXPECT_EQ(rt_timer(0.001, 1), 0);  // nothing while an error is pending
}

TEST_F(TimeTest, BiosTickCountIs18Point2TicksASecond) {
  const struct {
    int64_t day;
    uint32_t ticks;
  } cases[] = {{0, 0}, {1000, 18}, {3600000, 65520}, {86399999, 1572479}};
  for (const auto &c : cases) {
    set_day_ms(c.day);
    bios_tick_update();
    const uint32_t t = real_memory[0x46C] | real_memory[0x46D] << 8 | real_memory[0x46E] << 16;
    EXPECT_EQ(t, c.ticks) << c.day;
  }
}

TEST_F(TimeTest, DateAndTimeComeFromTheLocalCalendar) {
  setenv("TZ", "UTC", 1);
  tzset();
  fake_calendar = 1709251199;  // 2024-02-29 23:59:59 UTC
  EXPECT_EQ(text_of(rt_date()), "02-29-2024");
  EXPECT_EQ(text_of(rt_time()), "23:59:59");
  fake_calendar = 946684800 + 3 * 3600 + 4 * 60 + 5;  // 2000-01-01 03:04:05
  EXPECT_EQ(text_of(rt_date()), "01-01-2000");
  EXPECT_EQ(text_of(rt_time()), "03:04:05");
  // They work while an error is pending.
  rt_error(ERR_OVERFLOW);
  EXPECT_EQ(text_of(rt_time()), "03:04:05");
  pending_error = 0;
  // An unreadable calendar gives error 5 and an empty string.
  fake_calendar = -1;
  EXPECT_EQ(text_of(rt_date()), "");
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  pending_error = 0;
  EXPECT_EQ(text_of(rt_time()), "");
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  bstr_free_temporaries(0, 0);
}

TEST_F(TimeTest, DelaySleepsInStepsAndTheRestInOnePiece) {
  rt_delay(0.005);
  EXPECT_EQ(fake_sleeps, (std::vector<int>{5}));
  fake_sleeps.clear();
  const int64_t t0 = fake_ms;
  rt_delay(0.05);
  EXPECT_EQ(fake_sleeps, (std::vector<int>{9, 9, 9, 9, 9, 5}));
  EXPECT_EQ(fake_ms - t0, 50);
  fake_sleeps.clear();
  rt_delay(0);
  EXPECT_TRUE(fake_sleeps.empty());
  for (double bad : {-1.0, 2147483.648, std::nan("")}) {
    rt_delay(bad);
    EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL)) << bad;
    pending_error = 0;
  }
  EXPECT_TRUE(fake_sleeps.empty());
}

TEST_F(TimeTest, DelayKeepsTheTimeWaitedWhenTheClockGoesBack) {
  // The clock jumps back 1000 ms during the second step: the time waited before it counts.
  static int steps = 0;
  steps = 0;
  time_set_sleep_function([](int ms) {
    fake_sleep(ms);
    if (++steps == 2) fake_ms -= 1000;
  });
  rt_delay(0.05);
  int waited = 0;
  for (int ms : fake_sleeps) waited += ms;
  // Only the one step during which the clock went back is waited again.
  EXPECT_GE(waited, 50);
  EXPECT_LE(waited, 59);
}

TEST_F(TimeTest, SleepWithSecondsReturnsAfterThemOrAtAKey) {
  const int64_t t0 = fake_ms;
  rt_sleep(2, 1);
  EXPECT_EQ(fake_ms - t0, 2000);
  // A key already pressed before SLEEP does not count: SLEEP clears the wake flag first.
  rt_control.key_wake = 1;
  const int64_t t1 = fake_ms;
  rt_sleep(1, 1);
  EXPECT_EQ(fake_ms - t1, 1000);
}

TEST_F(TimeTest, SleepReturnsOnAKeyAndLeavesItReadable) {
  // Real clock and real sleeping: a key typed 50 ms into SLEEP ends it.
  platform_set_clock_source(nullptr, nullptr);
  time_set_sleep_function(nullptr);
  keyboard_reset();
  const int64_t t0 = clock_ms();
  std::thread typist([] {
    platform_sleep_ms(50);
    key_press_event('k');
    key_release_event('k');
  });
  rt_sleep(0, 0);
  const int64_t waited = clock_ms() - t0;
  typist.join();
  EXPECT_GE(waited, 40);
  EXPECT_LT(waited, 5000);
  BasicString *key = rt_inkey();
  EXPECT_EQ(text_of(key), "k");
  bstr_free_temporaries(0, 0);
  EXPECT_EQ(rt_keyhit(), 'k');
  keyboard_reset();
}

TEST_F(TimeTest, LimiterAt30GivesThirtyPassesASecondWithoutDrift) {
  // Each pass of the loop works a while, then calls the limiter: over 10 simulated seconds
  // the passes keep to a schedule of 1000/30 ms from the first one, whatever the work.
  for (int work_ms : {0, 1, 5, 20, 33}) {
    SCOPED_TRACE(work_ms);
    limit_last = 0;
    rt_limit(30);
    const double start = double(fake_ms.load());
    int passes = 0;
    double worst = 0;
    while (fake_ms.load() < start + 10000) {
      fake_ms += work_ms;
      rt_limit(30);
      ++passes;
      const double due = start + passes * (1000.0 / 30);
      worst = std::max(worst, std::fabs(double(fake_ms.load()) - due));
    }
    EXPECT_EQ(passes, 300);
    EXPECT_LE(worst, 1.0);
  }
}

TEST_F(TimeTest, LimiterRestartsAfterAStallWithoutABurst) {
  rt_limit(30);
  rt_limit(30);
  const int64_t before_stall = fake_ms;
  fake_ms += 100;  // the loop stalls for 100 ms
  const int64_t after_stall = fake_ms;
  rt_limit(30);
  EXPECT_EQ(fake_ms.load(), after_stall);  // the late pass returns at once
  rt_limit(30);
  EXPECT_NEAR(double(fake_ms - after_stall), 1000.0 / 30, 1.0);  // the next waits in full
  EXPECT_GT(after_stall - before_stall, 0);
  // A slightly late pass keeps the phase instead.
  const int64_t t = fake_ms;
  fake_ms += 40;  // 6.7 ms late
  rt_limit(30);
  EXPECT_EQ(fake_ms.load(), t + 40);
  rt_limit(30);
  EXPECT_NEAR(double(fake_ms - t), 2000.0 / 30, 1.0);
}

TEST_F(TimeTest, LimiterRejectsRatesOutOfRange) {
  for (double rate : {0.0, -30.0, 1.0 / 61, std::nan("")}) {
    rt_limit(rate);
    EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL)) << rate;
    pending_error = 0;
  }
  EXPECT_TRUE(fake_sleeps.empty());
  rt_limit(1.0 / 60);  // one pass a minute is still allowed
  EXPECT_EQ(pending_error.load(), 0u);
}

}  // namespace

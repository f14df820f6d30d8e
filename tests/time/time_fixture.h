// Shared fixture of the time tests: a fake millisecond clock and calendar that only move
// when the test (or a wait of the runtime, through the sleep seam) moves them.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/values/values.h"

inline std::atomic<int64_t> fake_ms{0};
inline std::atomic<int64_t> fake_calendar{0};
inline std::vector<int> fake_sleeps;  // every wait of the runtime, in milliseconds

inline int64_t fake_elapsed() { return fake_ms.load(); }
inline int64_t fake_seconds() { return fake_calendar.load(); }
// A wait of the runtime lets the fake time pass instead of sleeping.
inline void fake_sleep(int ms) {
  fake_sleeps.push_back(ms);
  if (ms > 0) fake_ms += ms;
}

class FakeClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    strings_startup();
    pending_error = 0;
    fake_ms = 1000000;
    fake_calendar = 0;
    fake_sleeps.clear();
    platform_set_clock_source(fake_elapsed, fake_seconds);
    time_set_sleep_function(fake_sleep);
    rt_control.clock_start_ms = 1000000;
    rt_control.day_start_ms = 0;
    limit_last = 0;
  }
  void TearDown() override {
    platform_set_clock_source(nullptr, nullptr);
    time_set_sleep_function(nullptr);
    limit_last = 0;
    pending_error = 0;
  }
  // Sets the time of day seen by TIMER to ms since midnight.
  static void set_day_ms(int64_t ms) {
    rt_control.day_start_ms = ms;
    rt_control.clock_start_ms = fake_ms.load();
  }
};

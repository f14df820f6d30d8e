// ON TIMER with the real timer thread watching a fake clock: the first event one interval
// after the thread first sees the timer on, resynchronising after a stall, STOP/ON/OFF,
// free slots and the table growing while the thread runs.
#include <functional>
#include <vector>

#include "tests/time/time_fixture.h"

namespace {

std::vector<int32_t> handled;
void record_routine(int32_t handler, int32_t) { handled.push_back(handler); }

// Polls (real time) until done() holds, up to two seconds.
bool eventually(const std::function<bool()> &done) {
  for (int i = 0; i < 400; ++i) {
    if (done()) return true;
    platform_sleep_ms(5);
  }
  return done();
}

class TimerTest : public FakeClockTest {
 protected:
  static void SetUpTestSuite() {
    timer_startup();
    rt_control.stop_all = 0;
    rt_control.threads_done = 0;
    ASSERT_TRUE(platform_thread_start(timer_thread_main));
  }
  static void TearDownTestSuite() {
    rt_control.stop_all = 1;
    eventually([] { return (rt_control.threads_done.load() & 2) != 0; });
    rt_control.stop_all = 0;
    rt_control.threads_done = 0;
  }
  void SetUp() override {
    FakeClockTest::SetUp();
    fake_ms = 5000000;
    handled.clear();
    rt_set_event_routine(record_routine);
    rt_control.event_pending = 0;
  }
  void TearDown() override {
    pending_error = 0;
    for (int32_t i = 0; i < timer_count.load(); ++i)
      if (timer_table[i].in_use.load()) rt_timer_switch(i, 2, 1);
    rt_set_event_routine(nullptr);
    FakeClockTest::TearDown();
  }
  static bool seen(int32_t slot) { return timer_table[slot].last.load() != 0; }
  static bool waiting(int32_t slot) { return timer_table[slot].pending.load() == 1; }
  // Nothing happens while the thread makes many passes at this fake time.
  static void settle() { platform_sleep_ms(30); }
};

TEST_F(TimerTest, OnTimerFiresFirstOneSecondAfterSwitchedOnThenResynchronises) {
  rt_on_timer(0, 1.0, 7, 0);
  settle();
  EXPECT_FALSE(seen(0));  // not switched on yet
  rt_timer_switch(0, 1, 0);
  ASSERT_TRUE(eventually([] { return seen(0); }));
  EXPECT_DOUBLE_EQ(timer_table[0].last.load(), 5000.0);  // the first look starts the interval

  fake_ms += 999;
  settle();
  EXPECT_FALSE(waiting(0));
  fake_ms += 2;
  ASSERT_TRUE(eventually([] { return waiting(0); }));
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  rt_control.key_wake = 0;
  timer_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{7}));
  EXPECT_EQ(timer_table[0].pending.load(), 0);
  EXPECT_EQ(rt_control.key_wake.load(), 1);

  // A 5-second stall: one event, no burst, and the schedule starts again from then.
  fake_ms += 5000;
  ASSERT_TRUE(eventually([] { return waiting(0); }));
  timer_event_dispatch();
  settle();
  timer_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{7, 7}));
  fake_ms += 999;
  settle();
  EXPECT_FALSE(waiting(0));
  fake_ms += 2;
  ASSERT_TRUE(eventually([] { return waiting(0); }));
}

TEST_F(TimerTest, ATimerSwitchedOnSoonAfterStartStartsItsIntervalAtOnce) {
  // 0.3 s after process start a 10-second timer goes on: its first interval starts now,
  // not only once the clock has passed 10 s.
  fake_ms = 300;
  rt_on_timer(0, 10.0, 5, 0);
  rt_timer_switch(0, 1, 0);
  ASSERT_TRUE(eventually([] { return seen(0); }));
  EXPECT_DOUBLE_EQ(timer_table[0].last.load(), 0.3);
  fake_ms += 10001;
  ASSERT_TRUE(eventually([] { return waiting(0); }));
}

TEST_F(TimerTest, StopKeepsTheEventOnDeliversItOffDiscardsIt) {
  rt_on_timer(0, 0.5, 3, 0);
  rt_timer_switch(0, 1, 0);
  ASSERT_TRUE(eventually([] { return seen(0); }));
  fake_ms += 600;
  ASSERT_TRUE(eventually([] { return waiting(0); }));
  rt_timer_switch(0, 3, 0);  // STOP
  timer_event_dispatch();
  EXPECT_TRUE(handled.empty());
  EXPECT_TRUE(waiting(0));
  rt_control.event_pending = 0;
  rt_timer_switch(0, 1, 0);  // ON: the kept event is delivered at the next check
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  timer_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{3}));

  fake_ms += 600;
  ASSERT_TRUE(eventually([] { return waiting(0); }));
  rt_timer_switch(0, 2, 0);  // OFF discards it and forgets the schedule
  EXPECT_FALSE(waiting(0));
  EXPECT_EQ(timer_table[0].last.load(), 0);
  timer_event_dispatch();
  EXPECT_EQ(handled.size(), 1u);
  // ON TIMER again discards a waiting event and restarts the interval.
  rt_timer_switch(0, 1, 0);
  ASSERT_TRUE(eventually([] { return seen(0); }));
  fake_ms += 600;
  ASSERT_TRUE(eventually([] { return waiting(0); }));
  rt_on_timer(0, 0.5, 4, 0);
  EXPECT_FALSE(waiting(0));
  EXPECT_EQ(timer_table[0].handler.load(), 4);
}

TEST_F(TimerTest, FreeSlotsAreReusedAndTheTableGrowsWhileTheThreadRuns) {
  std::vector<int32_t> slots;
  for (int i = 0; i < 100; ++i) {
    const int32_t slot = rt_free_timer();
    ASSERT_GT(slot, 0);
    slots.push_back(slot);
    rt_on_timer(slot, 0.25, 1000 + slot, 0);
    rt_timer_switch(slot, 1, 1);
  }
  for (size_t i = 1; i < slots.size(); ++i) EXPECT_NE(slots[i], slots[i - 1]);
  // Every timer keeps working after the moves.
  ASSERT_TRUE(eventually([&] { return seen(slots.front()) && seen(slots.back()); }));
  fake_ms += 300;
  ASSERT_TRUE(eventually([&] {
    for (int32_t s : slots)
      if (!waiting(s)) return false;
    return true;
  }));
  timer_event_dispatch();
  EXPECT_EQ(handled.size(), 100u);

  const int32_t freed = slots[10];
  rt_timer_switch(freed, 4, 1);  // FREE
  EXPECT_EQ(pending_error.load(), 0u);
  rt_on_timer(freed, 1.0, 1, 0);  // a freed slot no longer exists
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  pending_error = 0;
  EXPECT_EQ(rt_free_timer(), freed);  // reused before the table grows
  for (int32_t s : slots) rt_timer_switch(s, 4, 1);
}

TEST_F(TimerTest, StatementsRejectSlotsThatDoNotExist) {
  struct Case {
    const char *name;
    std::function<void()> run;
  };
  const Case cases[] = {
      {"TIMER(0) FREE", [] { rt_timer_switch(0, 4, 1); }},
      {"TIMER FREE", [] { rt_timer_switch(0, 4, 0); }},
      {"TIMER(-1) ON", [] { rt_timer_switch(-1, 1, 1); }},
      {"TIMER(count) ON", [] { rt_timer_switch(timer_count.load(), 1, 1); }},
      {"ON TIMER(count)", [] { rt_on_timer(timer_count.load(), 1.0, 1, 0); }},
      {"action 5", [] { rt_timer_switch(0, 5, 0); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    pending_error = 0;
    c.run();
    EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  }
  pending_error = 0;
  EXPECT_EQ(timer_table[0].in_use.load(), 1);  // slot 0 survives
  // While an error is pending nothing changes and no slot is handed out.
  rt_error(ERR_OVERFLOW);
  EXPECT_EQ(rt_free_timer(), 0);
  rt_timer_switch(0, 1, 0);
  EXPECT_EQ(timer_table[0].state.load(), 0);
}

}  // namespace

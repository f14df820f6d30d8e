// The per-statement event check: holding the program while paused, and the order of
// errors and events.
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/errors/errors_support.h"

namespace {

using EventCheckTest = ErrorStateTest;

// Waits up to two seconds for flag to become true.
bool eventually(const std::atomic<bool> &flag) {
  for (int i = 0; i < 200 && !flag.load(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return flag.load();
}

TEST_F(EventCheckTest, PauseHoldsTheProgramUntilCleared) {
  rt_control.paused.store(1);
  rt_control.event_pending.store(1);
  rt_error(ERR_OVERFLOW);
  std::atomic<bool> returned{false};
  std::thread program([&] {
    rt_event_check(40);
    returned.store(true);
  });
  // Still held after many pause steps; the error waits with it.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(returned.load());
  EXPECT_EQ(pending_error.load(), 6u);
  // A press that does not clear bit 0 keeps holding.
  rt_control.paused.store(3);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned.load());
  rt_control.paused.store(2);
  EXPECT_TRUE(eventually(returned));
  program.join();
  // After the pause the pending error is served.
  ASSERT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(shown_boxes[0].title, "Unhandled Error #6");
  EXPECT_EQ(shown_boxes[0].text, "Line:40\nOverflow\nContinue?");
}

TEST_F(EventCheckTest, ClearsTheRequestBeforeLooking) {
  rt_control.event_pending.store(1);
  repeat_statement = 1;
  rt_event_check(1);
  EXPECT_EQ(rt_control.event_pending.load(), 0);
  EXPECT_EQ(repeat_statement, 0);
  EXPECT_TRUE(shown_boxes.empty());
}

TEST_F(EventCheckTest, RunningHandlerDefersEvents) {
  in_handler = 1;
  rt_control.event_pending.store(1);
  rt_event_check(2);
  // The events stay waiting and the check comes back after the next statement.
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  in_handler = 0;
  rt_event_check(3);
  EXPECT_EQ(rt_control.event_pending.load(), 0);
}

}  // namespace

namespace {

int32_t routine_calls = 0;
int32_t routine_handler = 0;
int32_t routine_argument = 0;
void record_event_routine(int32_t handler, int32_t argument) {
  ++routine_calls;
  routine_handler = handler;
  routine_argument = argument;
}

// The timer thread is not running here: the test marks slot 0's event as due itself, as
// the thread does when the interval has passed.
TEST_F(EventCheckTest, PendingErrorIsServedBeforeADueTimerEvent) {
  routine_calls = 0;
  timer_startup();
  rt_set_event_routine(record_event_routine);
  rt_on_timer(0, 1.0, 7, 3);
  rt_timer_switch(0, 1, 0);
  ASSERT_EQ(pending_error.load(), 0u);
  timer_table[0].pending.store(1);
  rt_control.event_pending.store(1);
  rt_error(ERR_ILLEGAL_FUNCTION_CALL);

  rt_event_check(70);
  EXPECT_EQ(shown_boxes.size(), 1u);
  EXPECT_EQ(routine_calls, 0);
  EXPECT_EQ(timer_table[0].pending.load(), 1);

  // The next statement's check runs the timer's handler.
  ASSERT_EQ(rt_control.event_pending.load(), 1);
  rt_event_check(71);
  EXPECT_EQ(routine_calls, 1);
  EXPECT_EQ(routine_handler, 7);
  EXPECT_EQ(routine_argument, 3);
  EXPECT_EQ(timer_table[0].pending.load(), 0);
  EXPECT_EQ(shown_boxes.size(), 1u);

  rt_timer_switch(0, 2, 0);
  rt_set_event_routine(nullptr);
}

}  // namespace

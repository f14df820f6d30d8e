// ON TIMER: the timer table, the timer thread that watches it and the timer part of the
// event dispatch. The program thread owns the table; the timer thread reads it without a
// lock and only ever raises `pending` from 0 to 1. The one change the thread must not see
// half done, moving the table to a bigger block, happens while the thread is suspended.
#include <cmath>
#include <new>

#include "runtime/errors/errors.h"
#include "runtime/frame/keyboard_internal.h"
#include "runtime/platform/platform.h"

TimerSlot *timer_table = nullptr;
std::atomic<int32_t> timer_count{0};

namespace {

int32_t timer_capacity = 0;
int32_t *free_slots = nullptr;  // released slot numbers, reused before the table grows
int32_t free_capacity = 0;
int32_t free_top = 0;

// Set while the timer thread runs; a suspend request waits for it only then.
std::atomic<int32_t> timer_thread_running{0};

void copy_slot(TimerSlot &to, const TimerSlot &from) {
  to.in_use.store(from.in_use.load());
  to.handler.store(from.handler.load());
  to.handler_arg.store(from.handler_arg.load());
  to.state.store(from.state.load());
  to.pending.store(from.pending.load());
  to.interval.store(from.interval.load());
  to.last.store(from.last.load());
}

// Room for one more slot; false when memory is exhausted.
bool table_make_room() {
  if (timer_count.load() < timer_capacity) return true;
  const int32_t capacity = timer_capacity ? timer_capacity * 2 : 8;
  TimerSlot *grown = new (std::nothrow) TimerSlot[capacity];
  if (!grown) return false;
  // The timer thread must not read the table while it moves.
  rt_control.timer_suspend.store(1);
  while (rt_control.timer_suspend.load() == 1 && timer_thread_running.load())
    platform_sleep_ms(0);
  for (int32_t i = 0; i < timer_count.load(); ++i) copy_slot(grown[i], timer_table[i]);
  delete[] timer_table;
  timer_table = grown;
  timer_capacity = capacity;
  rt_control.timer_suspend.store(0);
  return true;
}

bool free_push(int32_t slot) {
  if (free_top == free_capacity) {
    const int32_t capacity = free_capacity ? free_capacity * 2 : 8;
    int32_t *grown = new (std::nothrow) int32_t[capacity];
    if (!grown) return false;
    for (int32_t i = 0; i < free_top; ++i) grown[i] = free_slots[i];
    delete[] free_slots;
    free_slots = grown;
    free_capacity = capacity;
  }
  free_slots[free_top++] = slot;
  return true;
}

// The slot named by a statement, or null (error 5 raised) when it does not exist.
TimerSlot *slot_of(int32_t slot) {
  if (slot < 0 || slot >= timer_count.load() || !timer_table[slot].in_use.load()) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return nullptr;
  }
  return &timer_table[slot];
}

void discard_waiting(TimerSlot &s) {
  uint8_t waiting = 1;
  s.pending.compare_exchange_strong(waiting, 0);
}

bool error_pending() { return pending_error.load(std::memory_order_relaxed) != 0; }

}  // namespace

void timer_startup() {
  if (!table_make_room()) return;
  TimerSlot &classic = timer_table[0];
  classic.in_use.store(1);
  classic.handler.store(0);
  classic.state.store(0);
  timer_count.store(1);
}

int32_t rt_free_timer() {
  if (error_pending()) return 0;
  int32_t slot;
  if (free_top > 0) {
    slot = free_slots[--free_top];
  } else {
    if (!table_make_room()) {
      rt_error(ERR_TIMER_OUT_OF_MEMORY);
      return 0;
    }
    slot = timer_count.load();
    timer_table[slot].pending.store(0);
  }
  TimerSlot &s = timer_table[slot];
  s.state.store(0);
  s.handler.store(0);
  s.last.store(0);
  s.in_use.store(1);
  if (slot == timer_count.load()) timer_count.store(slot + 1);
  return slot;
}

void rt_on_timer(int32_t slot, double interval, int32_t handler, int64_t argument) {
  if (error_pending()) return;
  TimerSlot *s = slot_of(slot);
  if (!s) return;
  discard_waiting(*s);
  s->interval.store(interval);
  s->handler_arg.store(argument);
  s->last.store(0);
  s->handler.store(handler);
}

void rt_timer_switch(int32_t slot, int32_t action, int32_t slot_passed) {
  if (error_pending()) return;
  if (!(slot_passed & 1)) slot = 0;
  if (action < 1 || action > 4) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  TimerSlot *s = slot_of(slot);
  if (!s) return;
  switch (action) {
    case 1:  // ON: an event kept while stopped is delivered now
      s->state.store(1);
      if (s->pending.load() == 1) rt_control.event_pending.store(1);
      break;
    case 2:  // OFF
      s->state.store(0);
      discard_waiting(*s);
      s->last.store(0);
      break;
    case 3:  // STOP: a waiting event stays
      s->state.store(2);
      break;
    case 4:  // FREE
      if (slot == 0) {
        rt_error(ERR_ILLEGAL_FUNCTION_CALL);
        return;
      }
      s->state.store(0);
      discard_waiting(*s);
      s->handler.store(0);
      s->in_use.store(0);
      if (!free_push(slot)) rt_error(ERR_TIMER_OUT_OF_MEMORY);
      break;
  }
}

void timer_thread_main() {
  timer_thread_running.store(1);
  uint32_t pass = 0;
  while (!rt_control.stop_all.load()) {
    int32_t expected = 1;
    rt_control.timer_suspend.compare_exchange_strong(expected, 2);
    if (rt_control.timer_suspend.load() != 0) {
      platform_sleep_ms(0);
      continue;
    }
    const double now = double(clock_ms()) * 0.001;
    bool any_armed = false, suspended = false;
    const int32_t count = timer_count.load();
    for (int32_t i = 0; i < count; ++i) {
      TimerSlot &s = timer_table[i];
      if (s.in_use.load() && s.handler.load() && s.state.load() == 1) {
        any_armed = true;
        const double interval = s.interval.load();
        double last = s.last.load();
        // The first look starts the interval whatever the clock reads: the clock counts
        // from process start, so waiting for it to pass one interval first would delay the
        // first event of a timer switched on early by up to another interval.
        if (s.pending.load() == 0 && (last == 0 || now - last > interval)) {
          if (last == 0) {
            s.last.store(now);  // the first interval starts now
          } else {
            last += interval;
            if (std::fabs(now - last) >= interval) last = now;  // behind: resynchronise
            s.last.store(last);
            s.pending.store(1);
            rt_control.event_pending.store(1);
          }
        }
      }
      if (rt_control.timer_suspend.load() == 1) {
        suspended = true;
        break;
      }
    }
    if (suspended) continue;
    // Millisecond resolution while a timer runs. Without one the thread idles in 8 ms
    // steps: a timer switched on meanwhile only starts its first interval a few
    // milliseconds later, and an idle program costs next to nothing.
    if (!any_armed)
      platform_sleep_ms(8);
    else if (++pass % 4 == 0)
      platform_sleep_ms(1);
    else
      platform_sleep_ms(0);
  }
  timer_thread_running.store(0);
  rt_control.threads_done.fetch_or(2);
}

void timer_event_dispatch() {
  for (int32_t i = 0; i < timer_count.load() && !error_pending(); ++i) {
    TimerSlot &s = timer_table[i];
    if (!s.in_use.load() || !s.handler.load() || s.state.load() != 1) continue;
    uint8_t waiting = 1;
    if (!s.pending.compare_exchange_strong(waiting, 2)) continue;
    program_event_call(s.handler.load(), s.handler_arg.load());
    s.pending.store(0);
    rt_control.key_wake.store(1);
  }
}

// Time services on the program thread: the time of day, TIMER, DATE$, TIME$, the BIOS
// tick count, SLEEP, the delay statement and the frame-rate limiter. Every time comes from
// clock_ms and the time-of-day base captured at start-up (the calendar only for DATE$ and
// TIME$). Waits sleep in steps of at most 9 ms and run the event check between steps.
#include <cmath>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/frame/keyboard_internal.h"
#include "runtime/platform/platform.h"

namespace {

constexpr int64_t DAY_MS = 86400000;
constexpr int WAIT_STEP_MS = 9;
constexpr int64_t LIMIT_STALL_SLACK_MS = 16;  // later than this restarts the schedule

void (*sleep_function)(int ms) = platform_sleep_ms;

void wait_ms(int ms) { sleep_function(ms); }

bool error_pending() { return pending_error.load(std::memory_order_relaxed) != 0; }

void event_check_if_pending() {
  if (rt_control.event_pending.load()) rt_event_check(0);
}

BasicString *calendar_text(bool date) {
  LocalTime t;
  const int64_t now = platform_calendar_seconds();
  if (now < 0 || !platform_local_time(now, &t)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return bstr_new(0, 1);
  }
  char text[16];
  int n;
  if (date) {
    n = 10;
    const int fields[3] = {t.month, t.day, t.year};
    const int widths[3] = {2, 2, 4};
    int pos = 0;
    for (int f = 0; f < 3; ++f) {
      if (f) text[pos++] = '-';
      for (int d = widths[f] - 1, v = fields[f]; d >= 0; --d, v /= 10)
        text[pos + d] = char('0' + v % 10);
      pos += widths[f];
    }
  } else {
    n = 8;
    const int fields[3] = {t.hour, t.minute, t.second};
    for (int f = 0; f < 3; ++f) {
      text[f * 3] = char('0' + fields[f] / 10 % 10);
      text[f * 3 + 1] = char('0' + fields[f] % 10);
      if (f < 2) text[f * 3 + 2] = ':';
    }
  }
  BasicString *result = bstr_new(uint32_t(n), 1);
  std::memcpy(result->data, text, size_t(n));
  return result;
}

}  // namespace

double limit_last = 0;

void time_set_sleep_function(void (*sleep_ms)(int ms)) {
  sleep_function = sleep_ms ? sleep_ms : platform_sleep_ms;
}

// Computed in 64 bits: the result equals the 32-bit form until the millisecond count
// passes 2^32 (49.7 days), where a 32-bit sum would jump by 17 hours.
uint32_t day_ms() {
  const int64_t since_start = clock_ms() - rt_control.clock_start_ms.load();
  const int64_t t = (rt_control.day_start_ms.load() + since_start) % DAY_MS;
  return uint32_t(t < 0 ? t + DAY_MS : t);
}

void bios_tick_update() {
  const uint32_t ticks = uint32_t(double(day_ms()) * 0.0182);
  real_byte_store(BIOS_TICK_COUNT, uint8_t(ticks));
  real_byte_store(BIOS_TICK_COUNT + 1, uint8_t(ticks >> 8));
  real_byte_store(BIOS_TICK_COUNT + 2, uint8_t(ticks >> 16));
}

double rt_timer(double accuracy, int32_t passed) {
  if (error_pending()) return 0;
  long double step = 1.0L / 18.2L;
  if (passed & 1) {
    if (!(accuracy > 0)) {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return 0;
    }
    step = accuracy;
  }
  const long double seconds = day_ms() / 1000.0L;
  const long double per_second = 1.0L / step;
  // Round to nearest, ties to even (the default rounding mode).
  const long double result = std::nearbyint(seconds * per_second) / per_second;
  if (passed & 1) return double(result);
  return double(float(result));
}

BasicString *rt_date() { return calendar_text(true); }
BasicString *rt_time() { return calendar_text(false); }

void rt_sleep(int32_t seconds, int32_t passed) {
  if (error_pending()) return;
  rt_control.key_wake.store(0);
  const int64_t t0 = clock_ms();
  const int64_t target = (passed & 1) ? int64_t(seconds) * 1000 : 0;
  for (;;) {
    event_check_if_pending();
    if (rt_control.key_wake.load() || rt_control.stop_all.load()) return;
    if (target <= 0) {
      wait_ms(WAIT_STEP_MS);
      continue;
    }
    const int64_t now = clock_ms();
    if (now < t0) return;
    const int64_t elapsed = now - t0;
    if (elapsed >= target) return;
    const int64_t remaining = target - elapsed;
    if (remaining < 10) {
      wait_ms(int(remaining));
      return;
    }
    wait_ms(WAIT_STEP_MS);
  }
}

void rt_delay(double seconds) {
  if (error_pending()) return;
  if (!(seconds >= 0 && seconds <= 2147483.647)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  const double target = seconds * 1000.0;
  int64_t t0 = clock_ms(), previous = t0;
  for (;;) {
    const int64_t now = clock_ms();
    if (now < previous) t0 = now - (previous - t0);  // the clock went back: keep what was waited
    previous = now;
    const double elapsed = double(now - t0);
    if (elapsed >= target) return;
    int64_t remaining = int64_t(target - elapsed);
    if (remaining < 1) remaining = 1;
    if (remaining < 10) {
      wait_ms(int(remaining));
      return;
    }
    wait_ms(WAIT_STEP_MS);
    event_check_if_pending();
    if (rt_control.stop_all.load()) return;
  }
}

void rt_limit(double rate) {
  if (error_pending()) return;
  if (!(rate > 0)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  const double interval = 1000.0 / rate;
  if (!(interval <= 60000.0)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  for (;;) {
    const double now = double(clock_ms());
    // The schedule may run up to a millisecond ahead of the whole-millisecond clock (a slot
    // is a fraction of a millisecond long): that is waiting time, not the clock going back.
    if (limit_last == 0 || now < limit_last - interval) {
      limit_last = now;
      return;
    }
    const double elapsed = now - limit_last;
    if (elapsed >= interval) {
      // On time (or nearly): keep the schedule's phase. After a stall: start afresh, so
      // late passes do not come in a burst.
      if (elapsed <= interval + LIMIT_STALL_SLACK_MS)
        limit_last += interval;
      else
        limit_last = now;
      return;
    }
    int64_t remaining = int64_t(interval - elapsed);
    if (remaining < 1) remaining = 1;
    if (remaining < 10) {
      wait_ms(int(remaining));
      limit_last += interval;
      return;
    }
    wait_ms(WAIT_STEP_MS);
    event_check_if_pending();
    if (rt_control.stop_all.load()) return;
  }
}

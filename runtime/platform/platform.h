// The operating-system layer: the few services the runtime needs from the host, each
// a small function with exactly the behaviour the runtime relies on. One implementation
// file per host (platform_posix.cpp here); nothing outside this folder calls the host.
#pragma once
#include <cstdint>
#include <string>

// ---- threads, sleeping, clocks -------------------------------------------------------
// Starts a detached thread running fn(). Returns false when the host refuses.
bool platform_thread_start(void (*fn)());
// Sleeps ms milliseconds; 0 only yields the processor.
void platform_sleep_ms(int ms);
// Milliseconds elapsed since process start on a monotonic wall clock (never CPU time).
int64_t platform_elapsed_ms();
// Calendar time in whole seconds; -1 when unavailable.
int64_t platform_calendar_seconds();

struct LocalTime {
  int year, month, day;          // month 1..12, day 1..31
  int hour, minute, second;
  int weekday;                   // 0 = Sunday
};
// Local broken-down time for calendar seconds t; false when unavailable.
bool platform_local_time(int64_t t, LocalTime *out);

// Test seam: replaces the elapsed clock and the calendar clock (nullptr restores the
// host's). The shipped program never installs one.
void platform_set_clock_source(int64_t (*elapsed_ms)(), int64_t (*calendar_seconds)());

// ---- process --------------------------------------------------------------------------
// Full path of the running executable ("" when it cannot be found).
std::string platform_executable_path();
// Changes the working directory; false on failure.
bool platform_chdir(const std::string &path);
// Number of entries in the process environment.
int platform_environment_count();
// Ends the process at once with the given exit code.
[[noreturn]] void platform_exit(int code);

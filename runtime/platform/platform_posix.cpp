// POSIX implementation of threads, sleeping, clocks and process services.
#include "runtime/platform/platform.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern char **environ;

namespace {

int64_t monotonic_ms_now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Captured during static start-up, so "since process start" means since the runtime
// was loaded, before main runs.
const int64_t process_start_ms = monotonic_ms_now();

std::atomic<int64_t (*)()> elapsed_override{nullptr};
std::atomic<int64_t (*)()> calendar_override{nullptr};

void *thread_trampoline(void *arg) {
  auto fn = reinterpret_cast<void (*)()>(arg);
  fn();
  return nullptr;
}

}  // namespace

bool platform_thread_start(void (*fn)()) {
  pthread_t thread;
  if (pthread_create(&thread, nullptr, thread_trampoline, reinterpret_cast<void *>(fn)) != 0)
    return false;
  pthread_detach(thread);
  return true;
}

void platform_sleep_ms(int ms) {
  if (ms <= 0) {
    sched_yield();
    return;
  }
  timespec ts{ms / 1000, long(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int64_t platform_elapsed_ms() {
  if (auto fn = elapsed_override.load(std::memory_order_acquire)) return fn();
  return monotonic_ms_now() - process_start_ms;
}

int64_t platform_calendar_seconds() {
  if (auto fn = calendar_override.load(std::memory_order_acquire)) return fn();
  time_t t = time(nullptr);
  return t == time_t(-1) ? -1 : int64_t(t);
}

bool platform_local_time(int64_t t, LocalTime *out) {
  time_t tt = time_t(t);
  struct tm tm;
  if (!localtime_r(&tt, &tm)) return false;
  out->year = tm.tm_year + 1900;
  out->month = tm.tm_mon + 1;
  out->day = tm.tm_mday;
  out->hour = tm.tm_hour;
  out->minute = tm.tm_min;
  out->second = tm.tm_sec;
  out->weekday = tm.tm_wday;
  return true;
}

void platform_set_clock_source(int64_t (*elapsed_ms)(), int64_t (*calendar_seconds)()) {
  elapsed_override.store(elapsed_ms, std::memory_order_release);
  calendar_override.store(calendar_seconds, std::memory_order_release);
}

std::string platform_executable_path() {
  std::vector<char> buffer(65536);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return std::string();
  return std::string(buffer.data(), size_t(n));
}

bool platform_chdir(const std::string &path) { return chdir(path.c_str()) == 0; }

int platform_environment_count() {
  int n = 0;
  for (char **e = environ; e && *e; ++e) ++n;
  return n;
}

// Other threads are still running when the process ends, so static destructors must not
// run under them: flush what was written and leave at once.
void platform_exit(int code) {
  fflush(nullptr);
  _exit(code);
}

// The frame-rate limiter on the real clock: a loop calling rt_limit(30) for 10 seconds, as
// the game's command reader does. Reports passes per second, the interval between passes
// and how far the passes stray from the ideal 1000/30 ms schedule (drift shows as a
// growing offset). Run: build with -DRT_BENCH=ON, then bench_time_limiter.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

namespace {

void BM_Limiter30For10Seconds(benchmark::State &state) {
  const double seconds = double(state.range(0));
  // The runtime's clock counts from process start, and the limiter's schedule uses 0 for
  // "not started": let the clock leave 0 first, as start-up always does.
  while (clock_ms() < 10) platform_sleep_ms(1);
  for (auto _ : state) {
    limit_last = 0;
    rt_limit(30);
    const int64_t start = clock_ms();
    int64_t previous = start, now = start;
    int passes = 0;
    double worst_offset = 0, longest = 0, shortest = 1e9;
    while (now - start < int64_t(seconds * 1000)) {
      rt_limit(30);
      now = clock_ms();
      ++passes;
      const double interval = double(now - previous);
      longest = std::max(longest, interval);
      shortest = std::min(shortest, interval);
      worst_offset = std::max(worst_offset, std::fabs(double(now - start) - passes * 1000.0 / 30));
      previous = now;
    }
    const double elapsed = double(now - start) / 1000.0;
    state.counters["passes"] = passes;
    state.counters["passes_per_s"] = passes / elapsed;
    state.counters["mean_ms"] = double(now - start) / passes;
    state.counters["shortest_ms"] = shortest;
    state.counters["longest_ms"] = longest;
    state.counters["worst_offset_ms"] = worst_offset;
  }
}
BENCHMARK(BM_Limiter30For10Seconds)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

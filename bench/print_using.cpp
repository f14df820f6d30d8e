// PRINT USING of the game's countdown clock (" ###:##.###" with minutes and seconds) beside
// the C library's snprintf producing the same text, in the same run. The formatter works
// from the exact decimal digits of each value (a 256-digit text per number), so the
// ratio between the two is the price of BASIC's rounding rules.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/values/values.h"

namespace {

const uint8_t COUNTDOWN[] = " ###:##.###";
const int32_t COUNTDOWN_LENGTH = sizeof COUNTDOWN - 1;

// Minutes and seconds of a clock running down in 1/30 s steps.
struct Clock {
  int step = 0;
  void next(float *minutes, float *seconds) {
    int remaining_ms = 600000 - (step * 33) % 600000;
    *minutes = static_cast<float>(remaining_ms / 60000);
    *seconds = static_cast<float>(remaining_ms % 60000) / 1000.0f;
    ++step;
  }
};

void BM_PrintUsingFormatter(benchmark::State &state) {
  std::string out;
  UsingNumber number;
  Clock clock;
  for (auto _ : state) {
    float minutes, seconds;
    clock.next(&minutes, &seconds);
    out.clear();
    using_number_single(minutes, &number);
    UsingResult r = using_format(COUNTDOWN, COUNTDOWN_LENGTH, 0, &number, nullptr, 0, &out);
    using_number_single(seconds, &number);
    using_format(COUNTDOWN, COUNTDOWN_LENGTH, r.next, &number, nullptr, 0, &out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PrintUsingFormatter);

// The same text by snprintf: a three-wide integer and a six-wide number with three places.
void BM_Snprintf(benchmark::State &state) {
  char out[32];
  Clock clock;
  for (auto _ : state) {
    float minutes, seconds;
    clock.next(&minutes, &seconds);
    int n = std::snprintf(out, sizeof out, " %3.0f:%6.3f", static_cast<double>(minutes),
                          static_cast<double>(seconds));
    benchmark::DoNotOptimize(out);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_Snprintf);

// Only the formatter, from prepared digit forms: what the field layout itself costs.
void BM_PrintUsingLayoutOnly(benchmark::State &state) {
  std::string out;
  UsingNumber minutes, seconds;
  using_number_single(2.0f, &minutes);
  using_number_single(5.25f, &seconds);
  for (auto _ : state) {
    out.clear();
    UsingResult r = using_format(COUNTDOWN, COUNTDOWN_LENGTH, 0, &minutes, nullptr, 0, &out);
    using_format(COUNTDOWN, COUNTDOWN_LENGTH, r.next, &seconds, nullptr, 0, &out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PrintUsingLayoutOnly);

// The statement's full path through runtime strings (without the screen): the generated
// code's entry points appending to a permanent output string.
void BM_PrintUsingEntryPoints(benchmark::State &state) {
  static bool started = false;
  if (!started) {
    strings_startup();
    started = true;
  }
  uint32_t mark = bstr_temp_mark();
  BasicString *format = bstr_new(0, 0);
  bstr_set(format, bstr_from_text(COUNTDOWN, COUNTDOWN_LENGTH));
  BasicString *output = bstr_new(0, 0);
  Clock clock;
  for (auto _ : state) {
    float minutes, seconds;
    clock.next(&minutes, &seconds);
    bstr_set(output, blank_string);
    int32_t p = rt_print_using_single(format, minutes, 0, output);
    rt_print_using_single(format, seconds, p, output);
    bstr_free_temporaries(mark, 0);
    benchmark::DoNotOptimize(output->data);
  }
  bstr_free(output);
  bstr_free(format);
}
BENCHMARK(BM_PrintUsingEntryPoints);

}  // namespace

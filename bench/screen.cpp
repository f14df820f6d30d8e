// Screen engine throughput: PRINT on a SCREEN 12 page (glyph painting and scrolling of the
// text window) and PCOPY of a 640 x 480 page.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

namespace {

void start_screen(int mode) {
  pending_error = 0;
  screen_startup();
  strings_startup();
  screen_load_builtin_data();
  screen_enter_start_mode();
  if (mode) rt_screen(mode, 0, 0, 0, 0, 1);
}

// Full 79-character lines with a line end: once the window is full every line scrolls it.
void BM_PrintLinesScreen12(benchmark::State &state) {
  start_screen(12);
  std::string line;
  for (int i = 0; i < 79; i++) line.push_back(static_cast<char>('!' + i % 90));
  BasicString *text = bstr_from_text(line.data(), static_cast<int32_t>(line.size()));
  int64_t chars = 0;
  for (auto _ : state) {
    rt_print_fit(text);
    rt_print(text, 0);
    rt_print(blank_string, 1);
    chars += 79;
  }
  state.SetItemsProcessed(chars);
  state.counters["scrolls/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PrintLinesScreen12);

// Short items without line ends: glyph painting only, wrapping at the margin.
void BM_PrintCharsScreen12(benchmark::State &state) {
  start_screen(12);
  BasicString *text = bstr_from_text("HELLO", 5);
  int64_t chars = 0;
  for (auto _ : state) {
    rt_print(text, 0);
    chars += 5;
  }
  state.SetItemsProcessed(chars);
}
BENCHMARK(BM_PrintCharsScreen12);

// The same on the 80 x 25 text screen (cells, no glyphs).
void BM_PrintLinesText(benchmark::State &state) {
  start_screen(0);
  std::string line(79, 'x');
  BasicString *text = bstr_from_text(line.data(), static_cast<int32_t>(line.size()));
  int64_t chars = 0;
  for (auto _ : state) {
    rt_print(text, 0);
    rt_print(blank_string, 1);
    chars += 79;
  }
  state.SetItemsProcessed(chars);
}
BENCHMARK(BM_PrintLinesText);

void BM_PcopyScreen12(benchmark::State &state) {
  start_screen(12);
  rt_pcopy(0, 1);
  for (auto _ : state) {
    rt_pcopy(0, 1);
    rt_pcopy(1, 0);
  }
  state.SetBytesProcessed(state.iterations() * 2 * 640 * 480);
  state.counters["pcopy/s"] = benchmark::Counter(static_cast<double>(state.iterations() * 2),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PcopyScreen12);

}  // namespace

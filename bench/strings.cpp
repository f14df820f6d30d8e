// Concatenation of short strings in a loop, as a translated program does it
// (s$ = s$ + "ab": bstr_add, bstr_set taking over the temporary, then the statement's
// clean-up), against the same loop with std::string in the same run. Prints the ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "runtime/values/values.h"

namespace {

const char PIECE[] = "ab";

void runtime_string_append(benchmark::State &state) {
  strings_startup();
  int64_t appends = state.range(0);
  for (auto _ : state) {
    uint32_t mark = bstr_temp_mark();
    BasicString *s = bstr_new(0, 0);
    for (int64_t i = 0; i < appends; i++) {
      bstr_set(s, bstr_add(s, bstr_from_text(PIECE, 2)));
      bstr_free_temporaries(mark, 0);
    }
    benchmark::DoNotOptimize(s->data);
    bstr_free(s);
  }
  state.SetItemsProcessed(state.iterations() * appends);
}

void std_string_append(benchmark::State &state) {
  int64_t appends = state.range(0);
  for (auto _ : state) {
    std::string s;
    for (int64_t i = 0; i < appends; i++) {
      s = s + PIECE;
      benchmark::DoNotOptimize(s.data());
    }
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * appends);
}

// The idiomatic C++ form, for reference: appends in place.
void std_string_append_in_place(benchmark::State &state) {
  int64_t appends = state.range(0);
  for (auto _ : state) {
    std::string s;
    for (int64_t i = 0; i < appends; i++) {
      s += PIECE;
      benchmark::DoNotOptimize(s.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * appends);
}

BENCHMARK(runtime_string_append)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(std_string_append)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(std_string_append_in_place)->Arg(16)->Arg(256)->Arg(4096);

// Keeps every run's CPU time per iteration (steadier than wall time on a busy machine) so
// that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs)
      if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nruntime string CPU time / std::string CPU time (s = s + piece):\n");
  for (const char *n : {"16", "256", "4096"}) {
    auto ours = reporter.times.find(std::string("runtime_string_append/") + n);
    auto theirs = reporter.times.find(std::string("std_string_append/") + n);
    auto in_place = reporter.times.find(std::string("std_string_append_in_place/") + n);
    if (ours == reporter.times.end() || theirs == reporter.times.end()) continue;
    std::printf("  %5s appends: %.2f", n, ours->second / theirs->second);
    if (in_place != reporter.times.end()) std::printf("   (vs s += piece: %.2f)", ours->second / in_place->second);
    std::printf("\n");
  }
  benchmark::Shutdown();
  return 0;
}

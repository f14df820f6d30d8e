// The game's command normalisation LTRIM$(RTRIM$(UCASE$(x))) on a 20-character command
// held in a permanent variable, beside the same work done with std::string. Each iteration
// is one translated statement: the chain, then the statement's temporaries are freed.
// The ratio of the two CPU times (the machine is shared) is printed as a last line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "runtime/values/values.h"

namespace {

const char COMMAND[] = "   examine buck now ";  // 20 characters, as typed at the prompt
static_assert(sizeof COMMAND - 1 == 20);

double runtime_ns = 0;
double std_ns = 0;

void BM_RuntimeNormalise(benchmark::State &state) {
  strings_startup();
  BasicString *command = bstr_new(0, 0);
  bstr_set(command, bstr_from_text(COMMAND, 20));
  const uint32_t mark = bstr_temp_mark();
  for (auto _ : state) {
    BasicString *r = rt_ltrim(rt_rtrim(rt_ucase(command)));
    benchmark::DoNotOptimize(r->data[0]);
    bstr_free_temporaries(mark, 0);
  }
  bstr_free(command);
}

std::string std_normalise(const std::string &x) {
  std::string r = x;
  for (char &c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  const size_t last = r.find_last_not_of(' ');
  r.erase(last == std::string::npos ? 0 : last + 1);
  r.erase(0, r.find_first_not_of(' ') == std::string::npos ? r.size() : r.find_first_not_of(' '));
  return r;
}

void BM_StdStringNormalise(benchmark::State &state) {
  const std::string command(COMMAND, 20);
  for (auto _ : state) {
    std::string r = std_normalise(command);
    benchmark::DoNotOptimize(r.data());
  }
}

}  // namespace

BENCHMARK(BM_RuntimeNormalise);
BENCHMARK(BM_StdStringNormalise);

// Runs both and reports their ratio (runtime time / std::string time).
int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  struct RatioReporter : benchmark::ConsoleReporter {
    void ReportRuns(const std::vector<Run> &runs) override {
      for (const Run &run : runs) {
        if (run.run_type != Run::RT_Iteration) continue;
        const double ns = run.GetAdjustedCPUTime();
        if (run.benchmark_name().find("Runtime") != std::string::npos) runtime_ns = ns;
        if (run.benchmark_name().find("StdString") != std::string::npos) std_ns = ns;
      }
      ConsoleReporter::ReportRuns(runs);
    }
  } reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (runtime_ns > 0 && std_ns > 0)
    std::printf("runtime_per_std ratio: %.2f (CPU time: runtime %.1f ns, std::string %.1f ns per normalisation)\n",
                runtime_ns / std_ns, runtime_ns, std_ns);
  benchmark::Shutdown();
  return 0;
}

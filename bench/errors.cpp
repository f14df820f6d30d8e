// The per-statement cost of errors and events: the event check with nothing to do (a
// timer or key request that finds nothing), and a statement that raises an error while one
// is already pending (every further runtime call of a failing statement does this).
#include <benchmark/benchmark.h>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"

namespace {

void BM_EventCheckNothingToDo(benchmark::State &state) {
  timer_startup();
  for (auto _ : state) {
    rt_control.event_pending.store(1);
    rt_event_check(10);
  }
  benchmark::DoNotOptimize(repeat_statement);
}
BENCHMARK(BM_EventCheckNothingToDo);

void BM_ErrorWhilePending(benchmark::State &state) {
  pending_error.store(0);
  rt_error(ERR_ILLEGAL_FUNCTION_CALL);
  for (auto _ : state) benchmark::DoNotOptimize(rt_error(ERR_OVERFLOW));
  pending_error.store(0);
}
BENCHMARK(BM_ErrorWhilePending);

void BM_ErrorMessageLookup(benchmark::State &state) {
  int32_t n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(error_message(n));
    n = (n + 37) % 320;
  }
}
BENCHMARK(BM_ErrorMessageLookup);

}  // namespace

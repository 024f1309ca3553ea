// A whole default Run of every simulation window of the registry (trajectory, result.dat and
// all), at N = 10 000 and N = 100 000. Opening the window is not timed. Windows registered
// later are measured without a change here.
#include "bench/whole_run.h"

#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"
#include "mechanisms/registry.h"

namespace kinelab::bench {

namespace {

void whole_run(benchmark::State& state, const std::string& window, int N) {
  enter_scratch_dir();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<window_model> m = open_window(window, N);
    state.ResumeTiming();
    m->press("run");
    state.PauseTiming();
    if (m->status_is_error) state.SkipWithError(m->status.c_str());
    m.reset();  // freeing the arrays is not part of the Run
    state.ResumeTiming();
  }
}

}  // namespace

void register_whole_runs() {
  struct size {
    int N;
    int repetitions;
  };
  for (const size s : {size{10000, 5}, size{100000, 3}})
    for (const window_entry& e : window_registry()) {
      if (!e.simulation) continue;
      benchmark::RegisterBenchmark(("whole_run/" + e.name + "/N:" + std::to_string(s.N)).c_str(),
                                   whole_run, e.name, s.N)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1)
          ->Repetitions(s.repetitions)
          ->ReportAggregatesOnly(true);
    }
}

}  // namespace kinelab::bench

// What kinelab-cli --dump adds to a Run, for every simulation window of the registry at
// N = 100 000: the singularity history (σmin and the condition number at every step), and the
// CSV of the arrays written into a file (replacing the one before) with that history known.
// The Run itself is not timed.
#include "bench/dump.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/service/window_export.h"
#include "bench/bench_support.h"
#include "mechanisms/registry.h"

namespace kinelab::bench {

namespace {

constexpr int dump_N = 100000;

// A window after a default Run, or null with the benchmark skipped.
std::unique_ptr<window_model> after_run(benchmark::State& state, const std::string& window) {
  std::unique_ptr<window_model> m = open_window(window, dump_N);
  m->press("run");
  if (m->status_is_error) {
    state.SkipWithError(m->status.c_str());
    return nullptr;
  }
  return m;
}

void dump_singularity(benchmark::State& state, const std::string& window) {
  enter_scratch_dir();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<window_model> m = after_run(state, window);
    if (!m) break;
    state.ResumeTiming();
    benchmark::DoNotOptimize(as_simulation(m.get())->singularity());
  }
}

void dump_csv(benchmark::State& state, const std::string& window) {
  enter_scratch_dir();
  std::unique_ptr<window_model> m = after_run(state, window);
  if (!m) return;
  sim_window& w = *as_simulation(m.get());
  w.singularity();
  for (auto _ : state) {
    std::string error;
    int error_number = 0;
    if (!save_window_csv(w, "dump.csv", error, error_number)) state.SkipWithError(error.c_str());
  }
}

}  // namespace

void register_dumps() {
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    benchmark::RegisterBenchmark(("dump_singularity/" + e.name).c_str(), dump_singularity, e.name)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(("dump_csv/" + e.name).c_str(), dump_csv, e.name)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->UseRealTime();
  }
}

}  // namespace kinelab::bench

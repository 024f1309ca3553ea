// A whole default Run of the windows of a mechanism file beside the built-in windows they
// repeat: the built-in 6R arm written as a DH file (its inverse with the file's own defaults),
// at N = 10 000. Compare with whole_run/form_6r_gyaku/N:10000.
#include "bench/mechanism_run.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "mechanisms/serial/arm_file_window.h"

namespace kinelab::bench {

namespace {

void mechanism_run(benchmark::State& state, const std::string& file, arm_window_kind kind, int N) {
  const auto arm = std::make_shared<const arm_file>(
      read_arm_file(std::string(KINELAB_SOURCE_DIR) + "/examples/mechanisms/" + file));
  enter_scratch_dir();
  run_settings s;
  s.N = N;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<sim_window> w = make_arm_file_window(arm, kind, s);
    w->open();
    state.ResumeTiming();
    w->press("run");
    state.PauseTiming();
    if (w->status_is_error) state.SkipWithError(w->status.c_str());
    w.reset();
    state.ResumeTiming();
  }
}

}  // namespace

void register_mechanism_runs() {
  for (const char* file : {"builtin_6r_dh.json", "arm7.json"})
    for (const arm_window_kind kind : {arm_window_kind::forward, arm_window_kind::inverse})
      benchmark::RegisterBenchmark(
          ("mechanism_run/" + std::string(file) + "/" + to_string(kind) + "/N:10000").c_str(),
          mechanism_run, std::string(file), kind, 10000)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
}

}  // namespace kinelab::bench

// The benchmark program: the fixed benchmarks, then one whole Run per registered window.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "bench/dump.h"
#include "bench/mechanism_run.h"
#include "bench/whole_run.h"

int main(int argc, char** argv) {
  kinelab::bench::enter_scratch_dir();
  kinelab::bench::register_whole_runs();
  kinelab::bench::register_mechanism_runs();
  kinelab::bench::register_dumps();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// result.dat spends much of a long Run turning numbers into text: format_number on values
// spread like a run's (angles in degrees, lengths, tiny residual-sized values).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/number_text.h"

namespace kinelab::bench {

namespace {

void format_number_mixed(benchmark::State& state) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> mantissa(-1, 1);
  std::uniform_int_distribution<int> exponent(-8, 4);
  std::vector<double> values(4096);
  for (double& v : values) v = mantissa(rng) * std::pow(10.0, exponent(rng));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(format_number(values[i]));
    i = (i + 1) & (values.size() - 1);
  }
}
BENCHMARK(format_number_mixed);

}  // namespace

}  // namespace kinelab::bench

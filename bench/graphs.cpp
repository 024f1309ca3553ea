// A graph page turned into draw ops: plot3 of three curves (a smooth value, a rate with
// step-to-step noise, an acceleration with one-step spikes) on the recording surface the
// windows draw on, and on the SVG writer, at N = 2000 and N = 200 000.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

#include "draw/graphs.h"
#include "draw/recording_surface.h"
#include "draw/svg_surface.h"

namespace kinelab::bench {

namespace {

struct curves {
  std::vector<double> value, rate, accel;
};

curves graph_curves(int N) {
  curves c;
  const auto size = static_cast<std::size_t>(N) + 1;
  c.value.resize(size), c.rate.resize(size), c.accel.resize(size);
  for (std::size_t i = 0; i < size; ++i) {
    const double t = static_cast<double>(i) / N;
    c.value[i] = 0.2 * (1 - std::cos(std::numbers::pi * t));
    c.rate[i] = std::sin(std::numbers::pi * t) + (i % 2 ? 1e-3 : -1e-3);
    c.accel[i] = std::cos(std::numbers::pi * t) + (i % 997 == 0 ? 0.5 : 0);
  }
  return c;
}

void graph_page_recorded(benchmark::State& state) {
  const int N = static_cast<int>(state.range(0));
  const curves c = graph_curves(N);
  recording_surface sf;
  for (auto _ : state) {
    plot3(sf, N, c.value, c.rate, c.accel);
    benchmark::DoNotOptimize(sf.ops().data());
  }
  state.counters["ops"] = static_cast<double>(sf.ops().size());
}
BENCHMARK(graph_page_recorded)->Arg(2000)->Arg(200000)->Unit(benchmark::kMillisecond);

void graph_page_svg(benchmark::State& state) {
  const int N = static_cast<int>(state.range(0));
  const curves c = graph_curves(N);
  std::size_t bytes = 0;
  for (auto _ : state) {
    svg_surface sf;
    plot3(sf, N, c.value, c.rate, c.accel);
    bytes = sf.document().size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["svg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(graph_page_svg)->Arg(2000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace kinelab::bench

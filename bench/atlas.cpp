// The workspace atlas of the default Stewart platform: one evaluation of the closed-form
// inverse (the window's, and the atlas's at a held posture: the floor), one whole cell (inverse,
// limits, Jacobian, σmin) alone and two as the grid takes them, σmin alone (and by the full SVD), a
// 400 × 400 slice at constant orientation and a 100 × 100 × 100 box, each on 1 thread and on every
// core. The grids span x, y ∈ [−1, 1] (and z ∈ [1, 3.5] for the box) so that no coarse scan is
// timed; the slice stands at the default height z = 1.5 with the default limits.
#include "app/atlas/atlas.h"

#include <benchmark/benchmark.h>
#include <tbb/global_control.h>
#include <tbb/info.h>

#include "bench/bench_support.h"
#include "mechanisms/stewart/stewart_kinematics.h"

namespace kinelab::bench {

namespace {

const atlas_source& stewart_source() {
  static const atlas_source source = [] {
    enter_scratch_dir();
    std::unique_ptr<window_model> m = open_window("form_stewart_gyaku", 50);
    atlas_source_result r = atlas_source_of(*as_simulation(m.get()));
    if (!r.source) std::abort();
    return std::move(*r.source);
  }();
  return source;
}

// The window's own evaluation of the legs, rates included.
void stewart_legs_with_rates(benchmark::State& state) {
  const stewart_geometry g = default_stewart_geometry();
  kin_state position{0.1, 0, 0, -0.05, 0, 0, 1.5, 0, 0}, posture{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(position);
    benchmark::DoNotOptimize(stewart_legs(g, position, posture));
  }
}
BENCHMARK(stewart_legs_with_rates);

// The atlas's inverse alone at a held posture: the floor of a cell.
void stewart_atlas_inverse(benchmark::State& state) {
  const atlas_mechanism& m = stewart_source().mechanism;
  double q[6] = {0.1, -0.05, 1.5, 0, 0, 0}, a[6];
  for (auto _ : state) {
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(m.inverse(q, a));
  }
}
BENCHMARK(stewart_atlas_inverse);

void stewart_atlas_cell(benchmark::State& state) {
  const atlas_source& src = stewart_source();
  const atlas_mechanism& m = src.mechanism;
  double q[6] = {0.1, -0.05, 1.5, 0, 0, 0}, a[6];
  jacobian_matrix J;
  for (auto _ : state) {
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(m.inverse(q, a));
    m.jacobian(q, J);
    benchmark::DoNotOptimize(singularity_distance_of(J));
  }
}
BENCHMARK(stewart_atlas_cell);

// Two neighbouring cells as the grid takes them: both inverses and Jacobians, then the singular
// values of both at once. `per_cell`: the time of one cell.
void stewart_atlas_cell_pair(benchmark::State& state) {
  const atlas_mechanism& m = stewart_source().mechanism;
  double q[2][6] = {{0.1, -0.05, 1.5, 0, 0, 0}, {0.105, -0.05, 1.5, 0, 0, 0}}, a[6];
  jacobian_matrix J[2];
  extreme_values v[2];
  for (auto _ : state) {
    for (int k = 0; k < 2; ++k) {
      benchmark::DoNotOptimize(q[k]);
      benchmark::DoNotOptimize(m.inverse(q[k], a));
      m.jacobian(q[k], J[k]);
    }
    extreme_singular_values(J[0], J[1], v[0], v[1]);
    benchmark::DoNotOptimize(singularity_distance_of(v[0].sigma_max, v[0].sigma_min));
    benchmark::DoNotOptimize(singularity_distance_of(v[1].sigma_max, v[1].sigma_min));
  }
  state.counters["per_cell"] = benchmark::Counter(
      2, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(stewart_atlas_cell_pair);

// σmin and the condition number of one cell's Jacobian: as every front end takes them (the
// extreme singular values), and by the full SVD they fall back on near a singularity.
void stewart_cell_sigma(benchmark::State& state, bool full_svd) {
  const atlas_mechanism& m = stewart_source().mechanism;
  double q[6] = {0.1, -0.05, 1.5, 0, 0, 0};
  jacobian_matrix J;
  if (!m.jacobian(q, J)) return state.SkipWithError("no Jacobian");
  for (auto _ : state) {
    benchmark::DoNotOptimize(J);
    if (full_svd)
      benchmark::DoNotOptimize(singularity_distance_of(singular_values(J)));
    else
      benchmark::DoNotOptimize(singularity_distance_of(J));
  }
}
BENCHMARK_CAPTURE(stewart_cell_sigma, extremes, false);
BENCHMARK_CAPTURE(stewart_cell_sigma, full_svd, true);

void stewart_atlas(benchmark::State& state, int cells, int depth) {
  const atlas_source& src = stewart_source();
  const auto threads = static_cast<std::size_t>(state.range(0));
  tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
  atlas_request r;
  r.cells = cells;
  r.depth = depth;
  r.u_range = atlas_range{-1, 1};
  r.v_range = atlas_range{-1, 1};
  if (depth > 1) r.w_range = atlas_range{1, 3.5};
  long long reachable = 0;
  for (auto _ : state) {
    const atlas_result a = compute_atlas(src, r);
    if (!a.grid) state.SkipWithError(a.problem.c_str());
    reachable = 0;
    for (cell_state s : a.grid->state) reachable += s == cell_state::reachable;
  }
  const double n = static_cast<double>(cells) * cells * depth;
  state.counters["cells_per_s"] =
      benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cells_per_s_per_core"] = benchmark::Counter(
      n / static_cast<double>(threads), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["reachable"] = static_cast<double>(reachable);
}
BENCHMARK_CAPTURE(stewart_atlas, slice_400x400, 400, 1)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(stewart_atlas, box_100x100x100, 100, 100)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

}  // namespace kinelab::bench

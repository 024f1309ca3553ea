// The pieces of one 6R step on the default arm at the poses of the 6R path, straightforward
// (one chain evaluation per quantity) and from the frames: the tool pose with rates, all
// origins, the Jacobian and the second-order table; and, as the floor for one evaluation, a
// hand-written 4×4 homogeneous forward kinematics of the same arm.
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/paths.h"
#include "mechanisms/serial/serial_frames.h"
#include "mechanisms/serial/serial_ik.h"

namespace kinelab::bench {

namespace {

constexpr int links = 7;  // six joints and the tool point P

// The joint rates and accelerations every evaluation carries: all non-zero, so nothing is
// skipped.
void sample_rates(link_array& dthe, link_array& ddthe) {
  for (int k = 1; k <= 6; ++k) dthe(k) = 0.3 * k - 1, ddthe(k) = 0.7 - 0.2 * k;
}

void chain_pose_reference(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  link_array dthe, ddthe;
  sample_rates(dthe, ddthe);
  std::size_t i = 0;
  for (auto _ : state) {
    const serial_arm& a = p.arm;
    const link_array& the = p.the[i];
    benchmark::DoNotOptimize(
        chain_point(links, a.hx, a.hy, a.hz, a.alfa, a.beta, the, dthe, ddthe, kin_state{}));
    benchmark::DoNotOptimize(chain_posture_serial(links, a.alfa, a.beta, the, dthe, ddthe));
    i = (i + 1) % p.the.size();
  }
}
BENCHMARK(chain_pose_reference);

// The fast path's counterpart: the frames once, then all origins n = 1..7 and the posture
// with rates in one outward pass (what a 6R window stores per step).
void chain_all_points_frames(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  link_array dthe, ddthe;
  sample_rates(dthe, ddthe);
  kin_state points[max_links + 1], posture;
  std::size_t i = 0;
  for (auto _ : state) {
    chain_points_all(p.arm, p.the[i], dthe, ddthe, points, posture);
    benchmark::DoNotOptimize(points);
    benchmark::DoNotOptimize(posture);
    i = (i + 1) % p.the.size();
  }
}
BENCHMARK(chain_all_points_frames);

// The straightforward store of one 6R step: chain_point for n = 2..7 and the posture.
void chain_all_points_reference(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  link_array dthe, ddthe;
  sample_rates(dthe, ddthe);
  std::size_t i = 0;
  for (auto _ : state) {
    const serial_arm& a = p.arm;
    const link_array& the = p.the[i];
    for (int n = 2; n <= links; ++n)
      benchmark::DoNotOptimize(
          chain_point(n, a.hx, a.hy, a.hz, a.alfa, a.beta, the, dthe, ddthe, kin_state{}));
    benchmark::DoNotOptimize(chain_posture_serial(links, a.alfa, a.beta, the, dthe, ddthe));
    i = (i + 1) % p.the.size();
  }
}
BENCHMARK(chain_all_points_reference);

// Frames, Jacobian and second-order table from them: what one 6R pose costs the fast solver.
void frames_jacobian_and_table_6r(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  const arm_twists tw = twists_of(p.arm);
  chain_frames f;
  mat<6> J;
  mat<6, 21> H;
  std::size_t i = 0;
  for (auto _ : state) {
    build_frames(p.arm, tw, p.the[i], true, f);
    frames_jacobian(f, 6, J);
    frames_quadratic_terms(f, 6, H);
    benchmark::DoNotOptimize(J);
    benchmark::DoNotOptimize(H);
    i = (i + 1) % p.the.size();
  }
}
BENCHMARK(frames_jacobian_and_table_6r);

void jacobian_6r_at_path(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(jacobian_6r(p.arm, p.the[i]));
    i = (i + 1) % p.the.size();
  }
}
BENCHMARK(jacobian_6r_at_path);

void quadratic_terms_6r_at_path(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quadratic_terms_6r(p.arm, p.the[i]));
    i = (i + 1) % p.the.size();
  }
}
BENCHMARK(quadratic_terms_6r_at_path);

// 4×4 homogeneous transforms, row-major, without the 1-based padding.
using hmat = double[4][4];

void hmul(const hmat& a, const hmat& b, hmat& c) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j)
      c[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
  }
  c[3][0] = c[3][1] = c[3][2] = 0, c[3][3] = 1;
}

// Each link's fixed part [Rx(α)·Ry(β) | h], built once; an evaluation turns it by Rz(θ) and
// multiplies the seven transforms out.
struct floor_arm {
  hmat fixed[links + 1];
};

floor_arm make_floor_arm(const serial_arm& arm) {
  floor_arm f;
  for (int k = 1; k <= links; ++k) {
    const double ca = std::cos(arm.alfa(k)), sa = std::sin(arm.alfa(k));
    const double cb = std::cos(arm.beta(k)), sb = std::sin(arm.beta(k));
    hmat& m = f.fixed[k];
    // Rx(α)·Ry(β)
    m[0][0] = cb, m[0][1] = 0, m[0][2] = sb;
    m[1][0] = sa * sb, m[1][1] = ca, m[1][2] = -sa * cb;
    m[2][0] = -ca * sb, m[2][1] = sa, m[2][2] = ca * cb;
    m[0][3] = arm.hx(k), m[1][3] = arm.hy(k), m[2][3] = arm.hz(k);
    m[3][0] = m[3][1] = m[3][2] = 0, m[3][3] = 1;
  }
  return f;
}

void floor_forward(const floor_arm& f, const link_array& the, hmat& T) {
  hmat link, next;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) T[i][j] = i == j;
  for (int k = 1; k <= links; ++k) {
    const double c = std::cos(the(k)), s = std::sin(the(k));
    const hmat& m = f.fixed[k];
    for (int i = 0; i < 3; ++i) {
      link[i][0] = m[i][0] * c + m[i][1] * s;
      link[i][1] = m[i][1] * c - m[i][0] * s;
      link[i][2] = m[i][2];
      link[i][3] = m[i][3];
    }
    link[3][0] = link[3][1] = link[3][2] = 0, link[3][3] = 1;
    hmul(T, link, next);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) T[i][j] = next[i][j];
  }
}

void forward_4x4_floor(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  const floor_arm f = make_floor_arm(p.arm);
  // The floor must compute the same arm: its tool point against the chain's.
  {
    hmat T;
    floor_forward(f, p.the[1], T);
    const link_array none;
    const serial_arm& a = p.arm;
    const kin_state P =
        chain_point(links, a.hx, a.hy, a.hz, a.alfa, a.beta, p.the[1], none, none, kin_state{});
    if (std::fabs(T[0][3] - P.x) + std::fabs(T[1][3] - P.y) + std::fabs(T[2][3] - P.z) > 1e-12)
      return state.SkipWithError("the 4x4 arm differs from the chain");
  }
  std::size_t i = 0;
  hmat T;
  for (auto _ : state) {
    floor_forward(f, p.the[i], T);
    benchmark::DoNotOptimize(T);
    i = (i + 1) % p.the.size();
  }
}
BENCHMARK(forward_4x4_floor);

}  // namespace

}  // namespace kinelab::bench

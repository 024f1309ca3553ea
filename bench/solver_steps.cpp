// One Newton–Raphson step of each window's solver along its window's default trajectory,
// started from the previous step's solution as inside a Run. Each benchmark first checks that
// stepping this way reproduces the window's own solution at every step.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "bench/paths.h"
#include "mechanisms/serial/arm_file.h"
#include "mechanisms/serial/arm_file_window.h"
#include "mechanisms/serial/serial_ik.h"

namespace kinelab::bench {

namespace {

// A step of the path: i = 1..N cyclically, each from the solution of step i − 1.
class path_cursor {
 public:
  explicit path_cursor(std::size_t steps) : last_(steps - 1) {}
  std::size_t next() {
    i_ = i_ == last_ ? 1 : i_ + 1;
    return i_;
  }

 private:
  std::size_t last_, i_ = 0;
};

bool same_angles(const link_array& a, const link_array& b, int joints) {
  for (int k = 1; k <= joints; ++k)
    if (a(k) != b(k)) return false;
  return true;
}

template <class Step>
bool reproduces(std::size_t steps, Step step) {
  for (std::size_t i = 1; i < steps; ++i)
    if (!step(i)) {
      std::fprintf(stderr, "kinelab_bench: step %zu does not reproduce the window's solution\n", i);
      return false;
    }
  return true;
}

void nr_step_3r_inverse(benchmark::State& state) {
  const serial_path& p = three_axis_path();
  serial_ik_solver solver;  // as the window keeps one
  auto solve = [&](std::size_t i, link_array& the, link_array& dthe, link_array& ddthe) {
    the = p.the[i - 1];
    return solver.solve_3r(p.tolerance, p.arm, p.goal_p[i], the, dthe, ddthe);
  };
  if (!reproduces(p.the.size(), [&](std::size_t i) {
        link_array the, dthe, ddthe;
        solve(i, the, dthe, ddthe);
        return same_angles(the, p.the[i], 3);
      }))
    return state.SkipWithError("the 3R path does not reproduce");
  path_cursor at(p.the.size());
  link_array the, dthe, ddthe;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solve(at.next(), the, dthe, ddthe));
    benchmark::DoNotOptimize(ddthe);
  }
}
BENCHMARK(nr_step_3r_inverse);

void nr_step_6r_inverse(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  serial_ik_solver solver;
  auto solve = [&](std::size_t i, link_array& the, link_array& dthe, link_array& ddthe) {
    the = p.the[i - 1];
    return solver.solve_6r(p.tolerance, p.arm, p.goal_p[i], p.goal_s[i], the, dthe, ddthe);
  };
  if (!reproduces(p.the.size(), [&](std::size_t i) {
        link_array the, dthe, ddthe;
        solve(i, the, dthe, ddthe);
        return same_angles(the, p.the[i], 6);
      }))
    return state.SkipWithError("the 6R path does not reproduce");
  path_cursor at(p.the.size());
  link_array the, dthe, ddthe;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solve(at.next(), the, dthe, ddthe));
    benchmark::DoNotOptimize(ddthe);
  }
}
BENCHMARK(nr_step_6r_inverse);

// The same step of the built-in arm written as a DH file (examples/mechanisms/builtin_6r_dh.json),
// by the file inverse window's solve. Its chain rounds apart from the built-in one, so the check
// is that every step lands on the built-in solution to a part in 10⁹.
void nr_step_6r_file_inverse(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  const arm_file arm =
      read_arm_file(std::string(KINELAB_SOURCE_DIR) + "/examples/mechanisms/builtin_6r_dh.json");
  auto goal_of = [&](std::size_t i) {
    task_state g;
    const kin_state& a = p.goal_p[i];
    const kin_state& b = p.goal_s[i];
    const double v[] = {a.x, a.y, a.z, b.x, b.y, b.z}, r[] = {a.dx, a.dy, a.dz, b.dx, b.dy, b.dz},
                 acc[] = {a.ddx, a.ddy, a.ddz, b.ddx, b.ddy, b.ddz};
    for (int k = 1; k <= 6; ++k)
      g.value(k) = v[k - 1], g.rate(k) = r[k - 1], g.accel(k) = acc[k - 1];
    return g;
  };
  std::vector<task_state> goals;
  for (std::size_t i = 0; i < p.goal_p.size(); ++i) goals.push_back(goal_of(i));
  using joints = vec<max_chain_joints>;
  auto solve = [&](std::size_t i, joints& q, joints& dq, joints& ddq) {
    for (int k = 1; k <= 6; ++k) q(k) = p.the[i - 1](k);
    return solve_arm_inverse(arm, p.tolerance, goals[i], q, dq, ddq);
  };
  if (!reproduces(p.the.size(), [&](std::size_t i) {
        joints q, dq, ddq;
        solve(i, q, dq, ddq);
        for (int k = 1; k <= 6; ++k)
          if (!(std::fabs(q(k) - p.the[i](k)) <= 1e-9)) return false;
        return true;
      }))
    return state.SkipWithError("the 6R file path does not reproduce");
  path_cursor at(p.the.size());
  joints q, dq, ddq;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solve(at.next(), q, dq, ddq));
    benchmark::DoNotOptimize(ddq);
  }
}
BENCHMARK(nr_step_6r_file_inverse);

// The same step through the straightforward evaluation the fast path is tested against.
void nr_step_6r_inverse_reference(benchmark::State& state) {
  const serial_path& p = six_axis_path();
  path_cursor at(p.the.size());
  link_array the, dthe, ddthe;
  for (auto _ : state) {
    const std::size_t i = at.next();
    the = p.the[i - 1];
    benchmark::DoNotOptimize(
        newton_ik_6r_reference(p.tolerance, p.arm, p.goal_p[i], p.goal_s[i], the, dthe, ddthe));
    benchmark::DoNotOptimize(ddthe);
  }
}
BENCHMARK(nr_step_6r_inverse_reference);

bool same_pose(const kin_state& a, const kin_state& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The forward steps along a Stewart path, each from the step before, as the window takes them.
void stewart_forward_steps(benchmark::State& state, const stewart_path& p, const char* name) {
  auto solve = [&](std::size_t i, kin_state& position, kin_state& posture,
                   platform_joints& joints) {
    position = p.position[i - 1];
    posture = p.posture[i - 1];
    return newton_fk_stewart(p.tolerance, p.geometry, p.leg[i], p.dleg[i], p.ddleg[i], position,
                             posture, joints);
  };
  if (!reproduces(p.position.size(), [&](std::size_t i) {
        kin_state position, posture;
        platform_joints joints;
        solve(i, position, posture, joints);
        return same_pose(position, p.position[i]) && same_pose(posture, p.posture[i]);
      }))
    return state.SkipWithError((std::string(name) + " does not reproduce").c_str());
  path_cursor at(p.position.size());
  kin_state position, posture;
  platform_joints joints;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solve(at.next(), position, posture, joints));
    benchmark::DoNotOptimize(joints);
  }
}

void nr_step_stewart_forward(benchmark::State& state) {
  stewart_forward_steps(state, stewart_forward_path(), "the Stewart path");
}
BENCHMARK(nr_step_stewart_forward);

// The forward step of a hexapod file's window: the same solver over the file's geometry, along
// its own default Run. Compare with nr_step_stewart_forward.
void nr_step_hexapod_file_forward(benchmark::State& state) {
  stewart_forward_steps(state, hexapod_file_forward_path(), "the hexapod file's path");
}
BENCHMARK(nr_step_hexapod_file_forward);

void nr_step_rail_forward(benchmark::State& state) {
  const rail_path& p = rail_forward_path();
  auto solve = [&](std::size_t i, kin_state& position, kin_state& posture,
                   rail_joint_states& joints) {
    position = p.position[i - 1];
    posture = p.posture[i - 1];
    return rail_forward(p.geometry, p.tolerance, p.bx[i], p.dbx[i], p.ddbx[i], position, posture,
                        joints);
  };
  if (!reproduces(p.position.size(), [&](std::size_t i) {
        kin_state position, posture;
        rail_joint_states joints;
        solve(i, position, posture, joints);
        return same_pose(position, p.position[i]) && same_pose(posture, p.posture[i]);
      }))
    return state.SkipWithError("the rail path does not reproduce");
  path_cursor at(p.position.size());
  kin_state position, posture;
  rail_joint_states joints;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solve(at.next(), position, posture, joints));
    benchmark::DoNotOptimize(joints);
  }
}
BENCHMARK(nr_step_rail_forward);

void nr_step_zelko_inverse(benchmark::State& state) {
  const zelko_path& p = zelko_inverse_path();
  auto solve = [&](std::size_t i, zelko_twists& h) {
    h = p.twists[i - 1];
    return zelko_inverse(p.tolerance, p.geometry, p.goal_p[i], p.goal_s[i], h);
  };
  if (!reproduces(p.twists.size(), [&](std::size_t i) {
        zelko_twists h;
        solve(i, h);
        for (std::size_t k = 1; k <= 3; ++k)
          if (!same_pose(h[k], p.twists[i][k])) return false;
        return true;
      }))
    return state.SkipWithError("the zelko path does not reproduce");
  path_cursor at(p.twists.size());
  zelko_twists h;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solve(at.next(), h));
    benchmark::DoNotOptimize(h);
  }
}
BENCHMARK(nr_step_zelko_inverse);

}  // namespace

}  // namespace kinelab::bench

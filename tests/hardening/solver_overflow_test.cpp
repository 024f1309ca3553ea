// Newton–Raphson on the way to divergence: an absurd geometry or a goal near the largest double
// makes a full correction overflow. The solve must then shorten the correction or end at the
// last finite values, report the residual where it stands, keep every value and rate finite,
// and the window must say in its status line how its steps ended (not leave it to the
// framework's net that zeroes values that are not finite).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/rail/rail_kinematics.h"
#include "mechanisms/registry.h"
#include "mechanisms/serial/serial_chain.h"
#include "mechanisms/serial/serial_ik.h"
#include "mechanisms/stewart/stewart_kinematics.h"
#include "mechanisms/zelko/zelko_kinematics.h"
#include "support/temp_dir.h"
#include "support/trajectory_check.h"

namespace kinelab {
namespace {

// Goals within a factor of the largest double, from arms whose links are 1e300 to 1e308 long:
// a correction that swings a link to the other side doubles a coordinate past the range.
constexpr double largest_goal = 1.7e308;
constexpr int random_solves = 400;
constexpr double tolerance = 1e-6;
// P summed link by link in another order: a few ulps of terms no larger than the residual here
// (links and goals of 1e300 and more), far below any wrong iterate.
constexpr double route_rounding = 1e-12;

double random_length(std::mt19937& gen) {
  std::uniform_real_distribution<double> exponent(300, 308), sign(-1, 1);
  return std::pow(10.0, exponent(gen)) * sign(gen);
}

kin_state random_goal(std::mt19937& gen) {
  std::uniform_real_distribution<double> u(-1, 1);
  kin_state g;
  g.x = largest_goal * u(gen), g.y = largest_goal * u(gen), g.z = largest_goal * u(gen);
  return g;
}

// The largest magnitude, or NaN if any value is NaN (std::max would let a NaN drop out).
double worst(std::initializer_list<double> values) {
  double m = 0;
  for (double v : values) {
    if (std::isnan(v)) return v;
    m = std::max(m, std::fabs(v));
  }
  return m;
}

bool finite_state(const kin_state& s) {
  for (double v : {s.x, s.dx, s.ddx, s.y, s.dy, s.ddy, s.z, s.dz, s.ddz})
    if (!std::isfinite(v)) return false;
  return true;
}

TEST(solver_overflow, serial_3r_ends_at_the_last_finite_angles_with_zero_rates) {
  std::mt19937 gen(20240611);
  std::uniform_real_distribution<double> angle(-1, 1);
  int after_a_correction = 0;
  for (int trial = 0; trial < random_solves; ++trial) {
    serial_arm arm;
    arm.links = 4;
    for (int i = 1; i <= 4; ++i) arm.hx(i) = random_length(gen), arm.hz(i) = random_length(gen);
    arm.alfa(2) = std::acos(0.0);  // a shoulder joint across the base joint
    const kin_state goal = random_goal(gen);
    link_array the, dthe, ddthe;
    for (int i = 1; i <= 3; ++i) the(i) = angle(gen), dthe(i) = ddthe(i) = 1;
    const link_array start = the;
    const nr_outcome out = newton_ik_3r(tolerance, arm, goal, the, dthe, ddthe);
    SCOPED_TRACE("solve " + std::to_string(trial) + ": " + to_string(out.status) + " after " +
                 std::to_string(out.iterations) + " corrections");
    const link_array zero;
    auto residual_at = [&](const link_array& angles) {
      const kin_state P = chain_point(4, arm.hx, arm.hy, arm.hz, arm.alfa, arm.beta, angles, zero,
                                      zero, kin_state{});
      return worst({goal.x - P.x, goal.y - P.y, goal.z - P.z});
    };
    // Whatever the status, a solve that started finite reports where it stands: a converged
    // solve really meets the tolerance there.
    if (out.status != nr_status::not_finite) {
      EXPECT_TRUE(std::isfinite(residual_at(the)));
      if (out.status == nr_status::converged) {
        EXPECT_LE(residual_at(the), tolerance);
      }
      continue;
    }
    if (!std::isfinite(residual_at(start))) {
      // Not finite from the start: there is no finite iterate, the start angles stay.
      for (int i = 1; i <= 3; ++i) EXPECT_EQ(the(i), start(i)) << "joint " << i;
    } else {
      // The angles returned are the last iterate whose residual was finite: the one reported.
      if (out.iterations > 0) ++after_a_correction;
      // The solver may evaluate P by another route than chain_point: equal to rounding.
      EXPECT_NEAR(out.residual, residual_at(the), route_rounding * residual_at(the));
    }
    for (int i = 1; i <= 3; ++i) {
      EXPECT_TRUE(std::isfinite(the(i))) << "joint " << i;
      EXPECT_EQ(dthe(i), 0) << "joint " << i;
      EXPECT_EQ(ddthe(i), 0) << "joint " << i;
    }
  }
  // The table must reach the guard inside the loop, not only a start that is already too large.
  EXPECT_GT(after_a_correction, 0);
}

TEST(solver_overflow, zelko_ends_at_finite_twists_and_reports_the_residual_there) {
  std::mt19937 gen(20240612);
  std::uniform_real_distribution<double> u(-1, 1);
  int failed = 0;
  for (int trial = 0; trial < random_solves; ++trial) {
    zelko_geometry g = default_zelko_geometry();
    const double k = std::fabs(random_length(gen));
    g.d *= k, g.Hx1 *= k, g.Hz1 *= k, g.Hx3 *= k, g.Hz3 *= k;
    const kin_state goal_p = random_goal(gen);
    kin_state goal_s;
    goal_s.x = u(gen), goal_s.y = u(gen), goal_s.z = u(gen);
    zelko_twists h{};
    h[1].x = 0.1 * u(gen), h[1].y = 0.1 * u(gen), h[2].y = 0.3 * u(gen);
    h[3].x = 0.1 * u(gen), h[3].y = 0.1 * u(gen);
    const nr_outcome out = zelko_inverse(tolerance, g, goal_p, goal_s, h);
    SCOPED_TRACE("solve " + std::to_string(trial) + ": " + to_string(out.status) + " after " +
                 std::to_string(out.iterations) + " corrections");
    if (out.status != nr_status::converged) ++failed;
    for (int j = 1; j <= 3; ++j) {
      const kin_state& t = h[static_cast<std::size_t>(j)];
      EXPECT_TRUE(finite_state(t)) << "twist " << j;
    }
    // The residual where the solve stands.
    zelko_twists at = h;
    const pose reached = zelko_forward(g, at, kin_state{});
    EXPECT_TRUE(finite_state(reached.position) && finite_state(reached.posture));
    double posture_error[3] = {goal_s.x - reached.posture.x, goal_s.y - reached.posture.y,
                               goal_s.z - reached.posture.z};
    for (double& e : posture_error) wrap_angle(e);
    const double residual = worst({goal_p.x - reached.position.x, goal_p.y - reached.position.y,
                                   goal_p.z - reached.position.z, posture_error[0],
                                   posture_error[1], posture_error[2]});
    EXPECT_TRUE(std::isfinite(residual));
    EXPECT_NEAR(out.residual, residual, route_rounding * residual);
    EXPECT_EQ(out.status == nr_status::converged, out.residual <= tolerance);
  }
  EXPECT_GT(failed, 0);
}

// The platform solvers do not wrap their variables (the rail's are not angles, the Stewart's
// are not wrapped either). Rail targets at the largest double are met by moving the platform
// along x that far; Stewart legs near it ask for corrections that overflow however shortened,
// and the solve ends at a finite pose, its residual reported.
struct platform_overflow_case {
  const char* solver;
  int trials;
  bool converges;
  double start_z;
  // One solve from (position, posture) towards goals near the largest double drawn from gen;
  // sets joints_finite.
  std::function<nr_outcome(std::mt19937& gen, kin_state& position, kin_state& posture,
                           bool& joints_finite)>
      solve;
};

template <class Joints>
bool all_finite(const Joints& joints) {
  return std::all_of(std::begin(joints), std::end(joints), finite_state);
}

TEST(solver_overflow, platforms_end_at_finite_poses) {
  const rail_geometry rail = default_rail_geometry();
  const stewart_geometry stewart = default_stewart_geometry();

  const platform_overflow_case cases[] = {
      {"rail", 1, true, 0.25,
       [&](std::mt19937&, kin_state& position, kin_state& posture, bool& joints_finite) {
         vec<6> target, rate, accel;
         for (int i = 1; i <= 6; ++i) target(i) = largest_goal, rate(i) = 1, accel(i) = 1;
         rail_joint_states joints;
         const nr_outcome out =
             rail_forward(rail, 1e-3, target, rate, accel, position, posture, joints);
         joints_finite = all_finite(joints);
         return out;
       }},
      {"stewart", random_solves / 10, false, 1.5,
       [&](std::mt19937& gen, kin_state& position, kin_state& posture, bool& joints_finite) {
         std::uniform_real_distribution<double> u(-1, 1);
         vec<6> goal, rate, accel;
         for (int i = 1; i <= 6; ++i) goal(i) = 1e308 * (1 + 0.3 * u(gen)), rate(i) = accel(i) = 1;
         platform_joints joints;
         const nr_outcome out =
             newton_fk_stewart(tolerance, stewart, goal, rate, accel, position, posture, joints);
         joints_finite = all_finite(joints);
         return out;
       }},
  };
  for (const platform_overflow_case& c : cases) {
    std::mt19937 gen(20240613);
    for (int trial = 0; trial < c.trials; ++trial) {
      SCOPED_TRACE(std::string(c.solver) + " solve " + std::to_string(trial));
      kin_state position, posture;
      position.z = c.start_z;
      bool joints_finite = false;
      const nr_outcome out = c.solve(gen, position, posture, joints_finite);
      EXPECT_EQ(out.status == nr_status::converged, c.converges) << to_string(out.status);
      EXPECT_TRUE(std::isfinite(out.residual));
      EXPECT_TRUE(joints_finite);
      EXPECT_TRUE(finite_state(position) && finite_state(posture));
    }
  }
}

// The same through the windows: the status line says the steps did not converge, and no value
// needed the framework's net.
struct window_overflow_case {
  const char* window;
  std::vector<std::string> sets;
};

TEST(solver_overflow, windows_report_the_steps_that_did_not_converge) {
  const window_overflow_case cases[] = {
      // Links of 1e307 reaching for a point at 2e307.
      {"form_3r_gyaku",
       {"Text6(2)=1e307", "Text7(1)=1e307", "Text8(1)=1e307", "Text2(1)=2e307", "Text2(3)=2e307",
        "Text2(5)=2e307"}},
      {"form_drav_jun", {"Text10(0)=1e300"}},
      {"form_selvo_jun", {"Text10(0)=1e300"}},
      {"Form_zelko_gyaku", {"Text10(0)=1e300"}},
      {"form_stewart_jun", {"Text3(5)=1e300"}},
  };
  test::temp_working_dir dir;
  for (const window_overflow_case& c : cases) {
    SCOPED_TRACE(c.window);
    const window_entry* e = find_window(c.window);
    ASSERT_NE(e, nullptr);
    auto w = e->make({.N = 4});
    w->open();
    test::apply_sets(*w, c.sets);
    ASSERT_TRUE(w->press("run"));
    EXPECT_NE(w->status.find("did not reach the tolerance"), std::string::npos) << w->status;
    EXPECT_EQ(w->status.find("set to 0"), std::string::npos) << w->status;
    EXPECT_FALSE(w->status_is_error) << w->status;
    const auto& record = dynamic_cast<sim_window&>(*w).logic().arrays.solver_record();
    EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](const nr_outcome& o) {
      return std::isfinite(o.residual) && (o.status != nr_status::converged || o.residual < 1e-3);
    }));
  }
}

}  // namespace
}  // namespace kinelab

// The rail Jacobian and second-order table in closed form from the posture's partials, and the
// solver that uses them, against the unit-rate probes of rail_inverse and the solver through
// them; J alone against J.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/angles.h"
#include "mechanisms/rail/rail_kinematics.h"
#include "support/fast_path_compare.h"

namespace kinelab {
namespace {

// A tilted pose inside the workspace: heights 0.15–0.3, offsets and angles up to 0.05 and 15°.
void random_pose(std::mt19937& rng, kin_state& position, kin_state& posture) {
  std::uniform_real_distribution<double> u(-1, 1), height(0.15, 0.3);
  position = kin_state{};
  posture = kin_state{};
  position.x = 0.05 * u(rng), position.y = 0.05 * u(rng), position.z = height(rng);
  posture.x = rad(15) * u(rng), posture.y = rad(15) * u(rng), posture.z = rad(15) * u(rng);
}

TEST(rail_fast_path, jacobian_and_second_order_table_match_the_probes) {
  std::mt19937 rng(2718);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int trial = 0; trial < 300; ++trial) {
    rail_geometry g = default_rail_geometry();
    for (int i = 1; i <= 6; ++i) g.ax(i) += 0.02 * u(rng), g.ay(i) += 0.02 * u(rng);
    kin_state position, posture;
    random_pose(rng, position, posture);
    // Every fifth trial moves rail 4 out of reach of its rod: that leg keeps S = 0.
    if (trial % 5 == 0) g.By(4) = position.y + 1;
    mat<6> J, Jr;
    mat<6, 21> H, Hr;
    rail_jacobian(g, position, posture, J, H);
    rail_jacobian_reference(g, position, posture, Jr, Hr);
    const std::string at = "trial " + std::to_string(trial);
    // J to the bit: the iteration then takes the probes' path.
    EXPECT_EQ(test::compare_fast(J, Jr, 6, 6, at + " J", 0), "");
    EXPECT_EQ(test::compare_fast(H, Hr, 6, 21, at + " H"), "");
    // J alone, as the diagnostics take it: the same bits, none where a rod misses its rail.
    mat<6> Jv;
    const bool taken = rail_jacobian_values(g, position, posture, Jv);
    ASSERT_EQ(taken, rail_inverse(g, position, posture).unreachable == 0) << at;
    if (taken) {
      EXPECT_EQ(test::compare_fast(Jv, J, 6, 6, at + " J alone", 0), "");
    }
  }
}

// The normal equations square J's condition number κ (a few hundred on these tilted poses), and
// a solve carries the evaluations' relative difference into the rates as κ² times it: rates and
// accelerations to 1e-8 of the scale; the poses are solved with the same J and agree as the
// evaluations do.
constexpr double kSolvedRates = 1e-8;

TEST(rail_fast_path, the_solver_follows_its_reference_along_a_moving_pose) {
  const rail_geometry g = default_rail_geometry();
  std::mt19937 rng(31);
  for (int run = 0; run < 10; ++run) {
    kin_state from_p, from_s, to_p, to_s;
    random_pose(rng, from_p, from_s);
    random_pose(rng, to_p, to_s);
    kin_state fast_p = from_p, fast_s = from_s, ref_p = from_p, ref_s = from_s;
    for (int i = 0; i <= 40; ++i) {
      // Slider targets of a pose moving on a straight line with rates, solved from the last
      // step.
      const double t = i / 40.0;
      kin_state p = from_p, s = from_s;
      p.x += t * (to_p.x - from_p.x), p.dx = to_p.x - from_p.x, p.ddx = 0.05;
      p.y += t * (to_p.y - from_p.y), p.dy = to_p.y - from_p.y, p.ddy = -0.03;
      p.z += t * (to_p.z - from_p.z), p.dz = to_p.z - from_p.z, p.ddz = 0.02;
      s.x += t * (to_s.x - from_s.x), s.dx = to_s.x - from_s.x, s.ddx = 0.4;
      s.y += t * (to_s.y - from_s.y), s.dy = to_s.y - from_s.y, s.ddy = -0.1;
      s.z += t * (to_s.z - from_s.z), s.dz = to_s.z - from_s.z, s.ddz = 0.3;
      const rail_sliders goal = rail_inverse(g, p, s);
      ASSERT_EQ(goal.unreachable, 0u);
      rail_joint_states fj, rj;
      const nr_outcome fo = rail_forward(g, 1e-4, goal.bx, goal.dbx, goal.ddbx, fast_p, fast_s, fj);
      const nr_outcome ro =
          rail_forward_reference(g, 1e-4, goal.bx, goal.dbx, goal.ddbx, ref_p, ref_s, rj);
      const std::string at = "run " + std::to_string(run) + " step " + std::to_string(i);
      ASSERT_EQ(fo.status, ro.status) << at;
      ASSERT_EQ(fo.iterations, ro.iterations) << at;
      EXPECT_EQ(test::compare_solved_poses(test::pose_table(fast_p, fast_s),
                                           test::pose_table(ref_p, ref_s), kSolvedRates, at),
                "");
    }
  }
}

}  // namespace
}  // namespace kinelab

// The Stewart Jacobian and second-order table from the posture's partials, and the solver that
// uses them, against the unit-rate probes and the solver through them; J alone against J.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/angles.h"
#include "mechanisms/stewart/stewart_kinematics.h"
#include "support/fast_path_compare.h"

namespace kinelab {
namespace {

// Positions of order one, heights 1.5–3, angles up to 60°: every leg 1–4 long.
void random_pose(std::mt19937& rng, kin_state& position, kin_state& posture) {
  std::uniform_real_distribution<double> u(-1, 1), height(1.5, 3);
  position = kin_state{};
  posture = kin_state{};
  position.x = u(rng), position.y = u(rng), position.z = height(rng);
  posture.x = rad(60) * u(rng), posture.y = rad(60) * u(rng), posture.z = rad(60) * u(rng);
}

TEST(stewart_fast_path, jacobian_and_second_order_table_match_the_probes) {
  std::mt19937 rng(1717);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int trial = 0; trial < 300; ++trial) {
    // Random joint tables too; every tenth puts platform joint 2 on its base joint (a leg of
    // zero length, whose row both sides leave at zero).
    stewart_geometry g = default_stewart_geometry();
    for (int k = 1; k <= 6; ++k)
      g.ax(k) += 0.3 * u(rng), g.ay(k) += 0.3 * u(rng), g.Bx(k) += u(rng), g.By(k) += u(rng);
    kin_state position, posture;
    random_pose(rng, position, posture);
    if (trial % 10 == 0) {
      posture = kin_state{};
      position = kin_state{};
      g.Bx(2) = g.ax(2), g.By(2) = g.ay(2);
    }
    mat<6> J, Jr;
    mat<6, 21> H, Hr;
    stewart_jacobian(g, position, posture, J, H);
    stewart_jacobian_reference(g, position, posture, Jr, Hr);
    const std::string at = "trial " + std::to_string(trial);
    // J to the bit: the iteration then takes the probes' path.
    EXPECT_EQ(test::compare_fast(J, Jr, 6, 6, at + " J", 0), "");
    EXPECT_EQ(test::compare_fast(H, Hr, 6, 21, at + " H"), "");
    if (trial % 10 == 0) {
      for (int c = 1; c <= 21; ++c) EXPECT_EQ(H(2, c), 0) << at;
    }
    // J alone, as the diagnostics take it: the same bits, none where a leg has zero length.
    mat<6> Jv;
    const bool taken = stewart_jacobian_values(g, position, posture, Jv);
    ASSERT_EQ(taken, stewart_legs(g, position, posture).zero_length == 0) << at;
    if (taken) {
      EXPECT_EQ(test::compare_fast(Jv, J, 6, 6, at + " J alone", 0), "");
    }
  }
}

// A solve carries a relative difference ε of J or H into the pose rates as up to κ·ε, κ the
// condition number of J (a few tens near these poses): rates and accelerations to 1e-10 of
// the scale; the poses themselves are solved with the same J and agree as the evaluations do.
constexpr double kSolvedRates = 1e-10;

TEST(stewart_fast_path, the_solver_follows_its_reference_along_a_moving_pose) {
  const stewart_geometry g = default_stewart_geometry();
  std::mt19937 rng(99);
  for (int run = 0; run < 10; ++run) {
    kin_state from, to, unused;
    random_pose(rng, from, unused);
    random_pose(rng, to, unused);
    kin_state start_posture;
    random_pose(rng, unused, start_posture);
    kin_state fast_p = from, fast_s, ref_p = from, ref_s;
    for (int i = 0; i <= 40; ++i) {
      // Goal legs of a pose moving on a straight line with rates, solved from the last step.
      const double t = i / 40.0;
      kin_state p, s;
      p.x = from.x + t * (to.x - from.x), p.dx = to.x - from.x, p.ddx = 0.5;
      p.y = from.y + t * (to.y - from.y), p.dy = to.y - from.y, p.ddy = -0.3;
      p.z = from.z + t * (to.z - from.z), p.dz = to.z - from.z, p.ddz = 0.2;
      s.x = t * start_posture.x, s.dx = start_posture.x, s.ddx = 0.4;
      s.y = t * start_posture.y, s.dy = start_posture.y, s.ddy = -0.1;
      s.z = t * start_posture.z, s.dz = start_posture.z, s.ddz = 0.3;
      const stewart_leg_set goal = stewart_legs(g, p, s);
      platform_joints fj, rj;
      const nr_outcome fo =
          newton_fk_stewart(1e-3, g, goal.leg, goal.dleg, goal.ddleg, fast_p, fast_s, fj);
      const nr_outcome ro =
          newton_fk_stewart_reference(1e-3, g, goal.leg, goal.dleg, goal.ddleg, ref_p, ref_s, rj);
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

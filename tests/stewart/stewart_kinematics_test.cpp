// Stewart platform kinematics: leg lengths and their rates, the platform joints, the Jacobian
// and second-order table, and the Newton–Raphson forward solution.
#include "mechanisms/stewart/stewart_kinematics.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <string>

#include "core/angles.h"
#include "core/rate_products.h"
#include "support/figures.h"
#include "support/finite_difference.h"

namespace kinelab {
namespace {

using test::kSixDigits;
// A pose solved to 1e-12 in the leg lengths is that close in q, times the condition of J (a few
// tens near the default pose); its rates and accelerations come from the same J and H.
constexpr double kRoundTripTolerance = 1e-8;

kin_state at_height(double z) {
  kin_state p;
  p.z = z;
  return p;
}

// A pose near the default one, where every leg is about 2–3.5 long and J is well conditioned.
pose make_random_pose(std::mt19937& gen) {
  std::uniform_real_distribution<double> u(-1, 1), height(1.5, 3);
  pose p;
  p.position = {0.3 * u(gen), u(gen),      2 * u(gen), 0.3 * u(gen), u(gen),
                2 * u(gen),   height(gen), u(gen),     2 * u(gen)};
  const double angle = rad(15);
  p.posture = {angle * u(gen), u(gen),         2 * u(gen), angle * u(gen), u(gen),
               2 * u(gen),     angle * u(gen), u(gen),     2 * u(gen)};
  return p;
}

TEST(stewart_legs, default_legs_come_in_pairs_in_increasing_order) {
  // Legs 1, 2 reach (0, 2) from (±0.861, 0.5); legs 4, 5 reach (±1.732, −1) from (0, −1); legs
  // 3, 6 reach (±1.732, −1) from (±0.861, 0.5): horizontal offsets 1.5·(1, 1), 1.732, 0.871·…
  struct {
    double z;
    double legs_12, legs_45, legs_36;
  } cases[] = {
      {1.5, std::sqrt(0.861 * 0.861 + 2.25 + 2.25), std::sqrt(1.732 * 1.732 + 2.25),
       std::sqrt(0.871 * 0.871 + 2.25 + 2.25)},
      {3, std::sqrt(0.861 * 0.861 + 2.25 + 9), std::sqrt(1.732 * 1.732 + 9),
       std::sqrt(0.871 * 0.871 + 2.25 + 9)},
  };
  const stewart_geometry g = default_stewart_geometry();
  for (const auto& c : cases) {
    const stewart_leg_set s = stewart_legs(g, at_height(c.z), kin_state{});
    const double expected[] = {c.legs_12, c.legs_12, c.legs_36, c.legs_45, c.legs_45, c.legs_36};
    for (int k = 1; k <= 6; ++k)
      EXPECT_NEAR(s.leg(k), expected[k - 1], 1e-12) << "z " << c.z << " leg " << k;
    EXPECT_LT(s.leg(1), s.leg(4)) << "z " << c.z;
    EXPECT_LT(s.leg(4), s.leg(3)) << "z " << c.z;
    EXPECT_EQ(s.zero_length, 0u);
  }
  EXPECT_NEAR(cases[0].legs_12, 2.289393, kSixDigits);
  EXPECT_NEAR(cases[0].legs_36, 2.293173, kSixDigits);
  EXPECT_NEAR(cases[1].legs_12, 3.462849, kSixDigits);
  EXPECT_NEAR(cases[1].legs_36, 3.465349, kSixDigits);
}

TEST(stewart_legs, a_vertical_lift_changes_every_leg_at_z_dz_over_L) {
  const stewart_geometry g = default_stewart_geometry();
  kin_state p = at_height(2.2);
  p.dz = 0.7;
  const stewart_leg_set s = stewart_legs(g, p, kin_state{});
  for (int k = 1; k <= 6; ++k) EXPECT_NEAR(s.dleg(k), p.dz * p.z / s.leg(k), 1e-14) << "leg " << k;
}

TEST(stewart_legs, rates_and_joint_motion_match_differences_of_a_moving_pose) {
  // Every pose coordinate swings on its own frequency, so no term can hide behind another.
  const stewart_geometry g = default_stewart_geometry();
  const test::wave q[6] = {{0.1, 0.3, 1.3, 0.2}, {-0.2, 0.25, 0.9, 1.1}, {2.2, 0.5, 1.7, 0.4},
                           {0.1, 0.3, 1.1, 0.7}, {-0.1, 0.25, 1.9, 2.1}, {0.2, 0.4, 0.8, 1.6}};
  auto moving_pose = [&](double t, kin_state& position, kin_state& posture) {
    position = {q[0].at(t),    q[0].rate(t), q[0].accel(t), q[1].at(t),   q[1].rate(t),
                q[1].accel(t), q[2].at(t),   q[2].rate(t),  q[2].accel(t)};
    posture = {q[3].at(t),    q[3].rate(t), q[3].accel(t), q[4].at(t),   q[4].rate(t),
               q[4].accel(t), q[5].at(t),   q[5].rate(t),  q[5].accel(t)};
  };
  for (double t : {0.0, 0.37, 1.9}) {
    kin_state position, posture;
    moving_pose(t, position, posture);
    const stewart_leg_set legs = stewart_legs(g, position, posture);
    for (int k = 1; k <= 6; ++k) {
      auto length = [&](double u) {
        kin_state a, b;
        moving_pose(u, a, b);
        return stewart_legs(g, a, b).leg(k);
      };
      EXPECT_TRUE(
          test::rates_match(length, t, legs.dleg(k), legs.ddleg(k), "leg " + std::to_string(k)));
      auto joint = [&](double u) {
        kin_state a, b;
        moving_pose(u, a, b);
        return stewart_joints(g, a, b)[static_cast<std::size_t>(k - 1)];
      };
      EXPECT_TRUE(test::kin_state_rates_match(joint, t, "pj" + std::to_string(k)));
    }
  }
}

TEST(stewart_legs, legs_of_zero_and_of_vast_length_keep_finite_rates) {
  // Platform joint 1 placed on base joint 1 while the platform moves and turns.
  const stewart_geometry g = default_stewart_geometry();
  kin_state position{g.Bx(1) - g.ax(1), 0.4, -0.3, g.By(1) - g.ay(1), 0.2, 0.6, 0, -0.5, 0.1};
  kin_state posture{0, 0.3, 0.2, 0, -0.1, 0.4, 0, 0.2, -0.3};
  const stewart_leg_set s = stewart_legs(g, position, posture);
  EXPECT_EQ(s.zero_length, 1u);
  EXPECT_EQ(s.leg(1), 0);
  EXPECT_EQ(s.dleg(1), 0);
  EXPECT_EQ(s.ddleg(1), 0);
  for (int k = 2; k <= 6; ++k)
    EXPECT_TRUE(std::isfinite(s.dleg(k)) && std::isfinite(s.ddleg(k)) && s.leg(k) > 0) << k;

  // A length whose square underflows counts as zero: its rates would overflow.
  stewart_geometry centred = g;
  centred.ax(1) = centred.ay(1) = centred.Bx(1) = centred.By(1) = 0;
  position.x = 1e-160, position.y = position.z = 0;
  const stewart_leg_set tiny = stewart_legs(centred, position, posture);
  EXPECT_EQ(tiny.zero_length, 1u);
  EXPECT_EQ(tiny.ddleg(1), 0);

  // At the other extreme a base joint 1e300 away: l·l would overflow, the length must not.
  stewart_geometry far = g;
  far.Bx(1) = -1e300;
  const stewart_leg_set huge = stewart_legs(far, position, posture);
  EXPECT_NEAR(huge.leg(1), 1e300, 1e285);
  // The leg points along +x, so it lengthens at the x velocity of its platform joint.
  EXPECT_NEAR(huge.dleg(1), stewart_joints(far, position, posture)[0].dx, 1e-12);
  EXPECT_TRUE(std::isfinite(huge.ddleg(1)));
}

TEST(stewart_jacobian, reproduces_the_leg_rates_and_accelerations_of_any_pose_motion) {
  // L̇ = J·q̇ and L̈ = J·q̈ + H·rate_products(q̇) for rates and accelerations J and H never saw.
  const stewart_geometry g = default_stewart_geometry();
  std::mt19937 gen(20240511);
  for (int trial = 0; trial < 40; ++trial) {
    // Even trials the fast routine, odd ones the probes it is held to.
    const bool probes = trial % 2 == 1;
    const pose p = make_random_pose(gen);
    const stewart_leg_set s = stewart_legs(g, p.position, p.posture);
    kin_state position = p.position, posture = p.posture;
    mat<6> J;
    mat<6, 21> H;
    if (probes)
      stewart_jacobian_reference(g, position, posture, J, H);
    else
      stewart_jacobian(g, position, posture, J, H);
    const vec<6> dq{
        {0, p.position.dx, p.position.dy, p.position.dz, p.posture.dx, p.posture.dy, p.posture.dz}};
    const vec<6> ddq{{0, p.position.ddx, p.position.ddy, p.position.ddz, p.posture.ddx,
                      p.posture.ddy, p.posture.ddz}};
    vec<6> rate, acc, second;
    mat_vec(6, J, dq, rate);
    mat_vec(6, J, ddq, acc);
    mat_vec_rect(6, 21, H, rate_products(dq), second);
    for (int j = 1; j <= 6; ++j) {
      EXPECT_NEAR(rate(j), s.dleg(j), 1e-12 * std::fmax(1, std::fabs(s.dleg(j))))
          << "trial " << trial << " leg " << j;
      EXPECT_NEAR(acc(j) + second(j), s.ddleg(j), 1e-11 * std::fmax(1, std::fabs(s.ddleg(j))))
          << "trial " << trial << " leg " << j;
    }
    // The probes leave the rates at e₅ + e₆ and the accelerations at zero; the fast routine
    // leaves the pose as it was.
    if (probes)
      EXPECT_TRUE(position.dx == 0 && position.dz == 0 && posture.dx == 0 && posture.dy == 1 &&
                  posture.dz == 1 && position.ddz == 0 && posture.ddy == 0);
    else
      EXPECT_TRUE(position.dx == p.position.dx && posture.dy == p.posture.dy &&
                  posture.ddz == p.posture.ddz);
  }
}

TEST(newton_fk_stewart, finds_the_stated_poses_for_six_equal_legs) {
  // From the default guess (0, 0, L/2), L = ½·Σ(|ax| + |ay|) = 3.722: the mirror symmetry about
  // x = 0 keeps x, β, γ at zero; y and α come out small because the default coordinates are not
  // exactly regular.
  // Each figure is checked to the digits it is quoted with (half a unit of the last digit).
  struct {
    double length;
    double y, z, z_digits;
    bool alpha_quoted;
    double alpha_deg;
  } cases[] = {
      {3, -0.003, 2.45, 5e-3, true, -0.001},
      {2, -0.003, 1.00, 5e-3, false, 0},
  };
  constexpr double tolerance = 1e-9;
  const stewart_geometry g = default_stewart_geometry();
  for (const auto& c : cases) {
    vec<6> goal, zero;
    for (int k = 1; k <= 6; ++k) goal(k) = c.length;
    kin_state position = at_height(3.722 / 2), posture;
    platform_joints joints;
    const nr_outcome out =
        newton_fk_stewart(tolerance, g, goal, zero, zero, position, posture, joints);
    ASSERT_EQ(out.status, nr_status::converged) << "legs " << c.length;
    EXPECT_LT(out.residual, tolerance);
    EXPECT_NEAR(position.x, 0, 1e-12) << "legs " << c.length;
    EXPECT_NEAR(position.y, c.y, 5e-4) << "legs " << c.length;
    EXPECT_NEAR(position.z, c.z, c.z_digits) << "legs " << c.length;
    if (c.alpha_quoted) {
      EXPECT_NEAR(deg(posture.x), c.alpha_deg, 5e-4) << "legs " << c.length;
    }
    EXPECT_NEAR(posture.y, 0, 1e-12) << "legs " << c.length;
    EXPECT_NEAR(posture.z, 0, 1e-12) << "legs " << c.length;
    const stewart_leg_set s = stewart_legs(g, position, posture);
    for (int k = 1; k <= 6; ++k)
      EXPECT_LT(std::fabs(s.leg(k) - c.length), tolerance) << "legs " << c.length << " " << k;
  }
}

TEST(newton_fk_stewart, a_residual_equal_to_the_tolerance_takes_another_correction) {
  const stewart_geometry g = default_stewart_geometry();
  const kin_state start = at_height(2);
  vec<6> goal = stewart_legs(g, start, kin_state{}).leg, zero;
  goal(3) += 0.25;
  // The residual the solver will compute at the start pose, bit for bit.
  vec<6> r;
  vec_sub(6, goal, stewart_legs(g, start, kin_state{}).leg, r);
  const double residual = vec_max_abs(6, r);

  struct {
    double tolerance;
    int corrections;
  } cases[] = {{residual, 1}, {std::nextafter(residual, 1.0), 0}};
  for (const auto& c : cases) {
    kin_state position = start, posture;
    platform_joints joints;
    const nr_outcome out =
        newton_fk_stewart(c.tolerance, g, goal, zero, zero, position, posture, joints);
    EXPECT_EQ(out.status, nr_status::converged) << "tolerance " << c.tolerance;
    EXPECT_EQ(out.iterations, c.corrections) << "tolerance " << c.tolerance;
  }
}

TEST(newton_fk_stewart, inverts_the_inverse_kinematics_with_rates_and_accelerations) {
  // Poses compared, not legs: near the default pose the forward solution is unique.
  const stewart_geometry g = default_stewart_geometry();
  std::mt19937 gen(7341);
  std::uniform_real_distribution<double> nudge(-0.05, 0.05);
  for (int trial = 0; trial < 50; ++trial) {
    const pose p = make_random_pose(gen);
    const stewart_leg_set s = stewart_legs(g, p.position, p.posture);
    kin_state position = p.position, posture = p.posture;
    position.x += nudge(gen), position.z += nudge(gen), posture.y += nudge(gen);
    platform_joints joints;
    const nr_outcome out =
        newton_fk_stewart(1e-12, g, s.leg, s.dleg, s.ddleg, position, posture, joints);
    ASSERT_EQ(out.status, nr_status::converged) << "trial " << trial;
    const double got[] = {position.x,   position.dx, position.ddx, position.y,   position.dy,
                          position.ddy, position.z,  position.dz,  position.ddz, posture.x,
                          posture.dx,   posture.ddx, posture.y,    posture.dy,   posture.ddy,
                          posture.z,    posture.dz,  posture.ddz};
    const double want[] = {
        p.position.x, p.position.dx, p.position.ddx, p.position.y, p.position.dy, p.position.ddy,
        p.position.z, p.position.dz, p.position.ddz, p.posture.x,  p.posture.dx,  p.posture.ddx,
        p.posture.y,  p.posture.dy,  p.posture.ddy,  p.posture.z,  p.posture.dz,  p.posture.ddz};
    for (int f = 0; f < 18; ++f)
      EXPECT_NEAR(got[f], want[f], kRoundTripTolerance * std::fmax(1, std::fabs(want[f])))
          << "trial " << trial << " field " << f;
    // The joints come with the solved rates.
    const platform_joints exact = stewart_joints(g, p.position, p.posture);
    for (std::size_t k = 0; k < 6; ++k)
      EXPECT_NEAR(joints[k].ddy, exact[k].ddy, kRoundTripTolerance * 10) << "trial " << trial;
  }
}

TEST(newton_fk_stewart, singular_and_out_of_range_goals_end_at_finite_poses) {
  struct {
    const char* what;
    double platform_radius, base_radius, goal;
    nr_status status;
    int iterations;
    bool minimum_norm;
    double z, dz;  // the pose's height and its rate
  } cases[] = {
      // All joints at the origin of their frames: six equal rows, every leg |P|. The damped step
      // lifts the platform to |P| = 2; the rates are the minimum-norm ones, a radial rate of 1.
      {"six legs through one point", 0, 0, 2, nr_status::converged, 1, true, 2, 1},
      // Lengths near the largest double: every correction, however shortened, overflows, and
      // the start pose stays with the rates solved there.
      {"goal beyond the range", 1, 2, 1.7e308, nr_status::not_finite, 0, false, 1.5, NAN},
  };
  for (const auto& c : cases) {
    stewart_geometry g = default_stewart_geometry();
    for (int k = 1; k <= 6; ++k) {
      g.ax(k) *= c.platform_radius, g.ay(k) *= c.platform_radius;
      g.Bx(k) *= c.base_radius / 2, g.By(k) *= c.base_radius / 2;
    }
    vec<6> goal, rate, acc;
    for (int k = 1; k <= 6; ++k) goal(k) = c.goal, rate(k) = 1, acc(k) = 1;
    kin_state position = at_height(1.5), posture;
    platform_joints joints;
    const nr_outcome out = newton_fk_stewart(1e-6, g, goal, rate, acc, position, posture, joints);
    EXPECT_EQ(out.status, c.status) << c.what;
    EXPECT_EQ(out.iterations, c.iterations) << c.what;
    EXPECT_EQ(out.minimum_norm_rates, c.minimum_norm) << c.what;
    EXPECT_TRUE(std::isfinite(out.residual)) << c.what;
    EXPECT_NEAR(position.z, c.z, 1e-6) << c.what;
    if (!std::isnan(c.dz)) {
      EXPECT_NEAR(position.dz, c.dz, 1e-9) << c.what;
    }
    for (const kin_state& s : {position, posture, joints[2], joints[4]})
      for (double v : {s.x, s.dx, s.ddx, s.y, s.dy, s.ddy, s.z, s.dz, s.ddz})
        EXPECT_TRUE(std::isfinite(v)) << c.what;
  }
}

}  // namespace
}  // namespace kinelab

// The zelko limb: stated poses, the upper legs, the Jacobian and second-order table against
// the propagated rates, and the Newton–Raphson inverse with its outcomes.
#include "mechanisms/zelko/zelko_kinematics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/angles.h"
#include "support/finite_difference.h"

namespace kinelab {
namespace {

constexpr double figure_tolerance = 5e-7;  // stated figures carry six decimals
constexpr double exact = 1e-12;            // values that only rounding separates

// Twists from the six joint values in degrees, with zero rates.
zelko_twists twists_deg(double a1, double b1, double g1, double b2, double a3, double b3) {
  zelko_twists h{};
  h[1].x = rad(a1), h[1].y = rad(b1), h[1].z = rad(g1);
  h[2].y = rad(b2);
  h[3].x = rad(a3), h[3].y = rad(b3), h[3].z = rad(g1);
  return h;
}

double distance(const kin_state& a, const kin_state& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                   (a.z - b.z) * (a.z - b.z));
}

TEST(zelko_kinematics, stated_points_of_the_bent_and_the_straight_limb) {
  struct figure {
    const char* name;
    double b2;
    double pp[5][3];
    double posture_beta_deg;
  };
  const figure figures[] = {
      {"knee 45",
       45,
       {{}, {0, 0, 0.385}, {0.06, 0, 0.395}, {0.024645, 0, 0.444497}, {0.296881, 0, 0.716734}},
       45},
      // Straight: 2·d + Hz1 − Hz3 high.
      {"straight", 0, {{}, {0, 0, 0.385}, {0.06, 0, 0.395}, {0, 0, 0.405}, {0, 0, 0.79}}, 0},
  };
  const zelko_geometry g = default_zelko_geometry();
  for (const figure& f : figures) {
    zelko_twists h = twists_deg(0, 0, 0, f.b2, 0, 0);
    // Stray α and γ in the middle twist are cleared by any forward evaluation.
    h[2].x = 0.3, h[2].dz = 2, h[2].ddx = -1;
    const zelko_placement p = zelko_place(g, h);
    for (int j = 1; j <= 4; ++j) {
      EXPECT_NEAR(p.pp[j].x, f.pp[j][0], figure_tolerance) << f.name << ", pp" << j;
      EXPECT_NEAR(p.pp[j].y, f.pp[j][1], figure_tolerance) << f.name << ", pp" << j;
      EXPECT_NEAR(p.pp[j].z, f.pp[j][2], figure_tolerance) << f.name << ", pp" << j;
    }
    EXPECT_NEAR(p.posture.x, 0, exact) << f.name;
    EXPECT_NEAR(deg(p.posture.y), f.posture_beta_deg, 1e-9) << f.name;
    EXPECT_NEAR(p.posture.z, 0, exact) << f.name;
    EXPECT_EQ(h[2].x, 0);
    EXPECT_EQ(h[2].dz, 0);
    EXPECT_EQ(h[2].ddx, 0);
  }
}

TEST(zelko_kinematics, in_unit_upper_legs_differ_from_the_drawn_ones_once_beta3_turns) {
  const zelko_geometry g = default_zelko_geometry();
  zelko_twists h = twists_deg(0, 0, 0, 45, 0, 10);
  const zelko_placement p = zelko_place(g, h);
  const kin_state lower = orvak_inverse(g.unit, g.d, h[1]).leng;
  const kin_state upper = orvak_inverse(g.unit, g.d, h[3]).leng;
  const double L1[] = {lower.x, lower.y, lower.z};
  const double L3[] = {upper.x, upper.y, upper.z};
  const double stated_L3[] = {0.328372, 0.349222, 0.338796};
  const double stated_drawn[] = {0.349222, 0.328372, 0.338796};
  for (int m = 1; m <= 3; ++m) {
    EXPECT_NEAR(L1[m - 1], 0.339, figure_tolerance) << "L1" << m;
    EXPECT_NEAR(distance(p.plat_joint[1][m], p.base_joint[1][m]), 0.339, figure_tolerance)
        << "drawn lower leg " << m;
    EXPECT_NEAR(L3[m - 1], stated_L3[m - 1], figure_tolerance) << "L3" << m;
    EXPECT_NEAR(distance(p.plat_joint[2][m], p.base_joint[2][m]), stated_drawn[m - 1],
                figure_tolerance)
        << "drawn upper leg " << m;
  }
}

TEST(zelko_kinematics, jacobian_and_second_order_table_reproduce_the_propagated_rates) {
  // Both sides are exact; they differ by the rounding of sums over 21 products of order 1.
  constexpr double tolerance = 1e-11;
  std::mt19937 rng(8102);
  std::uniform_real_distribution<double> angle(-1.3, 1.3), rate(-2, 2);
  const zelko_geometry g = default_zelko_geometry();
  for (int trial = 0; trial < 20; ++trial) {
    vec<6> q, dq, ddq;
    for (int j = 1; j <= 6; ++j) q(j) = angle(rng), dq(j) = rate(rng), ddq(j) = rate(rng);
    zelko_twists h{};
    zelko_step(q, h);
    const mat<6> J = zelko_jacobian(g, h);
    const mat<6, rate_product_count> H = zelko_quadratic_terms(g, h);
    zelko_set_rates(dq, h);
    zelko_set_accels(ddq, h);
    const pose f = zelko_forward(g, h, kin_state{});
    vec<6> Jdq, Jddq, Hq;
    mat_vec(6, J, dq, Jdq);
    mat_vec(6, J, ddq, Jddq);
    mat_vec_rect(6, rate_product_count, H, rate_products(dq), Hq);
    const vec<6> v = pose_rates(f), a = pose_accelerations(f);
    for (int i = 1; i <= 6; ++i) {
      EXPECT_NEAR(Jdq(i), v(i), tolerance) << "trial " << trial << ", rate row " << i;
      EXPECT_NEAR(Jddq(i) + Hq(i), a(i), tolerance) << "trial " << trial << ", accel row " << i;
    }
  }
}

TEST(zelko_kinematics, forward_rates_match_differences_of_values) {
  std::mt19937 rng(8103);
  std::uniform_real_distribution<double> angle(-1.0, 1.0), omega(0.5, 3), phase(0, 6.28);
  const zelko_geometry g = default_zelko_geometry();
  for (int trial = 0; trial < 5; ++trial) {
    test::wave w[7];
    for (int j = 1; j <= 6; ++j) w[j] = {angle(rng), 0.5 * angle(rng), omega(rng), phase(rng)};
    auto at = [&](double t) {
      vec<6> q, dq, ddq;
      for (int j = 1; j <= 6; ++j) q(j) = w[j].at(t), dq(j) = w[j].rate(t), ddq(j) = w[j].accel(t);
      zelko_twists h{};
      zelko_step(q, h);
      zelko_set_rates(dq, h);
      zelko_set_accels(ddq, h);
      // An end-plate point off its origin, so R3 and its rates enter the position.
      kin_state X;
      X.x = 0.03, X.y = -0.02, X.z = 0.05;
      return zelko_forward(g, h, X);
    };
    const double t = 0.23;
    const std::string tag = "trial " + std::to_string(trial);
    EXPECT_TRUE(
        test::kin_state_rates_match([&](double s) { return at(s).position; }, t, tag + " P"));
    EXPECT_TRUE(
        test::kin_state_rates_match([&](double s) { return at(s).posture; }, t, tag + " posture"));
  }
}

TEST(zelko_kinematics, inverse_straightens_to_the_stated_solution) {
  // The stated angles carry two decimals; the solve itself stops within 0.001.
  constexpr double stated_deg = 0.01;
  const zelko_geometry g = default_zelko_geometry();
  zelko_twists h = twists_deg(0, 0, 0, 45, 0, 0);
  kin_state goal_p, goal_s;
  goal_p.z = 0.7;
  const nr_outcome o = zelko_inverse(0.001, g, goal_p, goal_s, h);
  EXPECT_EQ(o.status, nr_status::converged);
  EXPECT_LE(o.residual, 0.001);
  EXPECT_GE(o.iterations, 1);
  EXPECT_NEAR(deg(h[1].x), 0, stated_deg);
  EXPECT_NEAR(deg(h[1].y), -37.47, stated_deg);
  EXPECT_NEAR(deg(h[1].z), 0, stated_deg);
  EXPECT_NEAR(deg(h[2].y), 74.94, stated_deg);
  EXPECT_NEAR(deg(h[3].x), 0, stated_deg);
  EXPECT_NEAR(deg(h[3].y), -37.47, stated_deg);
  for (int k = 1; k <= 3; ++k) {
    const kin_state& t = h[static_cast<std::size_t>(k)];
    for (double r : {t.dx, t.ddx, t.dy, t.ddy, t.dz, t.ddz})
      EXPECT_NEAR(r, 0, exact) << "twist " << k;
  }
}

TEST(zelko_kinematics, inverse_outcomes) {
  const zelko_geometry g = default_zelko_geometry();
  kin_state goal_p, goal_s;
  goal_p.z = 0.7;

  // Tolerance 0: ten corrections, and the status says the test was not met.
  zelko_twists h = twists_deg(0, 0, 0, 45, 0, 0);
  nr_outcome o = zelko_inverse(0, g, goal_p, goal_s, h);
  EXPECT_EQ(o.iterations, 10);
  EXPECT_EQ(o.status, o.residual == 0 ? nr_status::converged : nr_status::iteration_limit);

  // Already within the tolerance: no correction, yet the rates are solved for the goal's.
  goal_p.dx = 0.1, goal_s.dz = -0.2;
  o = zelko_inverse(0.001, g, goal_p, goal_s, h);
  EXPECT_EQ(o.iterations, 0);
  EXPECT_EQ(o.status, nr_status::converged);
  const pose f = zelko_forward(g, h, kin_state{});
  EXPECT_NEAR(f.position.dx, 0.1, 1e-9);
  EXPECT_NEAR(f.posture.dz, -0.2, 1e-9);

  // No columns, no offsets: the end plate sits at the origin whatever the joints, so the
  // position rows of J vanish. The damped corrections cannot move the position and leave the
  // met posture as it is; short of the goal at a singular Jacobian, the rates are zero.
  zelko_geometry flat = g;
  flat.d = flat.Hx1 = flat.Hz1 = flat.Hx3 = flat.Hz3 = 0;
  zelko_twists s = twists_deg(10, 20, 30, 40, 50, 60);
  s[1].dx = 5;
  const zelko_twists before = s;
  kin_state away;
  away.x = 0.1, away.dx = 1;
  // The posture is already met, so the position alone is off, by 0.1.
  const kin_state met = zelko_forward(flat, s, kin_state{}).posture;
  o = zelko_inverse(0.001, flat, away, met, s);
  EXPECT_EQ(o.status, nr_status::singular);
  EXPECT_NEAR(o.residual, 0.1, exact);
  for (int k = 1; k <= 3; ++k) {
    const kin_state& t = s[static_cast<std::size_t>(k)];
    const kin_state& b = before[static_cast<std::size_t>(k)];
    // Rounding in the posture rows moves the twists by about 1e-10 at most.
    EXPECT_NEAR(t.x, b.x, 1e-9) << "twist " << k;
    EXPECT_NEAR(t.y, b.y, 1e-9) << "twist " << k;
    for (double r : {t.dx, t.ddx, t.dy, t.ddy, t.dz, t.ddz}) EXPECT_EQ(r, 0) << "twist " << k;
  }
}

}  // namespace
}  // namespace kinelab

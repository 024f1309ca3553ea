// The serial-arm Newton–Raphson solvers and their derivative tables.
#include "mechanisms/serial/serial_ik.h"

#include <gtest/gtest.h>

#include <random>

#include "core/angles.h"
#include "core/rate_products.h"

namespace kinelab {
namespace {

// J·θ̇ and J·θ̈ + H·w are sums of a few products of order-one terms: agreement to a few hundred
// ulps of the largest term.
constexpr double kSumRoundoff = 1e-12;

serial_arm three_joint_arm() {
  serial_arm a;
  a.links = 4;
  a.hz(2) = 2, a.hy(3) = 2, a.hy(4) = 1;
  a.alfa(2) = rad(90);
  return a;
}

serial_arm six_axis_arm() {
  serial_arm a;
  a.links = 7;
  const double h[7][3] = {{0, 0, 0.06}, {0, 0, 0.23}, {0, 0.26, 0}, {0, 0.07, 0},
                          {0, 0, 0.20}, {0, 0.07, 0}, {0, 0, 0.03}};
  const double alfa[6] = {0, 90, 0, -90, 90, -90};
  for (int k = 1; k <= 7; ++k) {
    a.hx(k) = h[k - 1][0], a.hy(k) = h[k - 1][1], a.hz(k) = h[k - 1][2];
    if (k <= 6) a.alfa(k) = rad(alfa[k - 1]);
  }
  return a;
}

kin_state tool_point(const serial_arm& a, const link_array& the, const link_array& dthe = {},
                     const link_array& ddthe = {}) {
  return chain_point(a.links, a.hx, a.hy, a.hz, a.alfa, a.beta, the, dthe, ddthe, kin_state{});
}
kin_state tool_posture(const serial_arm& a, const link_array& the, const link_array& dthe = {},
                       const link_array& ddthe = {}) {
  return chain_posture_serial(a.links, a.alfa, a.beta, the, dthe, ddthe);
}

TEST(serial_ik, jacobian_and_quadratic_terms_reproduce_the_propagated_motion) {
  std::mt19937 rng(20261210);
  std::uniform_real_distribution<double> angle(-3, 3), rate(-2, 2);
  for (int trial = 0; trial < 20; ++trial) {
    link_array the, dthe, ddthe;
    for (int k = 1; k <= 6; ++k) the(k) = angle(rng), dthe(k) = rate(rng), ddthe(k) = rate(rng);

    const serial_arm a3 = three_joint_arm();
    link_array the3 = the, dthe3, ddthe3;
    for (int k = 1; k <= 3; ++k) dthe3(k) = dthe(k), ddthe3(k) = ddthe(k);
    const mat<3> J3 = jacobian_3r(a3, the3);
    const mat<3, 6> H3 = quadratic_terms_3r(a3, the3);
    const kin_state P3 = tool_point(a3, the3, dthe3, ddthe3);
    const double w3[7] = {0,
                          dthe(1) * dthe(1),
                          dthe(2) * dthe(2),
                          dthe(3) * dthe(3),
                          dthe(1) * dthe(2),
                          dthe(1) * dthe(3),
                          dthe(2) * dthe(3)};
    const double v3[4] = {0, P3.dx, P3.dy, P3.dz}, acc3[4] = {0, P3.ddx, P3.ddy, P3.ddz};
    for (int c = 1; c <= 3; ++c) {
      double v = 0, acc = 0;
      for (int i = 1; i <= 3; ++i) v += J3(c, i) * dthe(i), acc += J3(c, i) * ddthe(i);
      for (int j = 1; j <= 6; ++j) acc += H3(c, j) * w3[j];
      EXPECT_NEAR(v, v3[c], kSumRoundoff) << "3R velocity row " << c << " trial " << trial;
      EXPECT_NEAR(acc, acc3[c], kSumRoundoff) << "3R acceleration row " << c;
    }

    const serial_arm a6 = six_axis_arm();
    const mat<6> J6 = jacobian_6r(a6, the);
    const mat<6, 21> H6 = quadratic_terms_6r(a6, the);
    const kin_state P6 = tool_point(a6, the, dthe, ddthe), S6 = tool_posture(a6, the, dthe, ddthe);
    vec<6> rates;
    for (int k = 1; k <= 6; ++k) rates(k) = dthe(k);
    const vec<21> w6 = rate_products(rates);
    const double v6[7] = {0, P6.dx, P6.dy, P6.dz, S6.dx, S6.dy, S6.dz};
    const double acc6[7] = {0, P6.ddx, P6.ddy, P6.ddz, S6.ddx, S6.ddy, S6.ddz};
    for (int c = 1; c <= 6; ++c) {
      double v = 0, acc = 0;
      for (int i = 1; i <= 6; ++i) v += J6(c, i) * dthe(i), acc += J6(c, i) * ddthe(i);
      for (int j = 1; j <= 21; ++j) acc += H6(c, j) * w6(j);
      // Posture rates divide by cos β; keep the bound relative to the values.
      const double scale = 1 + std::fabs(v6[c]) + std::fabs(acc6[c]);
      EXPECT_NEAR(v, v6[c], kSumRoundoff * scale) << "6R velocity row " << c << " trial " << trial;
      EXPECT_NEAR(acc, acc6[c], 1e3 * kSumRoundoff * scale) << "6R acceleration row " << c;
    }
  }
}

TEST(serial_ik, convergence_test_and_iteration_limit) {
  const serial_arm arm = three_joint_arm();
  const double tol = 0.001;
  link_array start;
  start(1) = rad(30), start(2) = rad(-20), start(3) = rad(50);
  const kin_state P = tool_point(arm, start);
  struct {
    const char* name;
    double offset[3];
    int iterations;
    nr_status status;
  } cases[] = {
      // The maximum norm: three components at 0.9·tol pass (Euclidean norm ≈ 1.56·tol).
      {"three components at 0.9 tol", {0.9 * tol, -0.9 * tol, 0.9 * tol}, 0, nr_status::converged},
      {"one component at 1.1 tol", {1.1 * tol, 0, 0}, 1, nr_status::converged},
      // Far out of reach: ten plain corrections fall short; the monotone second attempt stops
      // where no correction lowers the residual any further, nearer the goal.
      {"out of reach", {40, 40, 40}, 6, nr_status::iteration_limit},
  };
  for (const auto& c : cases) {
    kin_state goal = P;
    goal.x += c.offset[0], goal.y += c.offset[1], goal.z += c.offset[2];
    link_array the = start, dthe, ddthe;
    const nr_outcome out = newton_ik_3r(tol, arm, goal, the, dthe, ddthe);
    EXPECT_EQ(out.iterations, c.iterations) << c.name;
    EXPECT_EQ(out.status, c.status) << c.name;
    EXPECT_EQ(out.status == nr_status::converged, out.residual <= tol) << c.name;
  }
}

TEST(serial_ik, a_start_at_the_goal_keeps_its_angles_unwrapped_and_still_yields_rates) {
  const serial_arm arm = three_joint_arm();
  link_array the;
  the(1) = rad(370), the(2) = rad(-20), the(3) = rad(50);
  kin_state goal = tool_point(arm, the);
  goal.dx = 0.3, goal.dz = -0.2, goal.ddy = 0.5;
  link_array dthe, ddthe;
  const link_array before = the;
  const nr_outcome out = newton_ik_3r(0.001, arm, goal, the, dthe, ddthe);
  EXPECT_EQ(out.iterations, 0);
  EXPECT_EQ(out.status, nr_status::converged);
  EXPECT_EQ(the(1), before(1));  // not wrapped to 10°
  // The solved rates reproduce the goal velocity and acceleration.
  const kin_state P = tool_point(arm, the, dthe, ddthe);
  EXPECT_NEAR(P.dx, 0.3, 1e-12);
  EXPECT_NEAR(P.dy, 0, 1e-12);
  EXPECT_NEAR(P.dz, -0.2, 1e-12);
  EXPECT_NEAR(P.ddx, 0, 1e-12);
  EXPECT_NEAR(P.ddy, 0.5, 1e-12);
}

TEST(serial_ik, corrected_angles_are_wrapped) {
  const serial_arm arm = three_joint_arm();
  link_array target;
  target(1) = rad(190), target(2) = rad(-20), target(3) = rad(50);
  link_array the = target, dthe, ddthe;
  the(1) = rad(170);  // the solve must carry joint 1 past 180°
  const nr_outcome out = newton_ik_3r(1e-9, arm, tool_point(arm, target), the, dthe, ddthe);
  ASSERT_EQ(out.status, nr_status::converged);
  EXPECT_NEAR(deg(the(1)), -170, 1e-6);
}

TEST(serial_ik, posture_residuals_are_wrapped) {
  const serial_arm arm = six_axis_arm();
  link_array the;
  for (int k = 1; k <= 6; ++k) the(k) = rad(10 * k);
  const kin_state P = tool_point(arm, the);
  kin_state S = tool_posture(arm, the);
  // 358° the long way round is −2° the short way; a tolerance of 0.05 rad (2.9°) accepts it.
  S.x += two_pi - rad(2);
  link_array dthe, ddthe;
  const nr_outcome out = newton_ik_6r(0.05, arm, P, S, the, dthe, ddthe);
  EXPECT_EQ(out.iterations, 0);
  EXPECT_NEAR(out.residual, rad(2), 1e-9);
}

}  // namespace
}  // namespace kinelab

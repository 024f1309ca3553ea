// The orvak unit: stated leg lengths and platform origins, rates of points, stacks and legs
// against differences of their values, and the leg of zero length.
#include "mechanisms/orvak/orvak_unit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/angles.h"
#include "support/finite_difference.h"

namespace kinelab {
namespace {

// The stated figures carry six decimals.
constexpr double figure_tolerance = 5e-7;
constexpr double d = default_origin_distance;

kin_state posture_deg(double a, double b, double c) {
  kin_state s;
  s.x = rad(a), s.y = rad(b), s.z = rad(c);
  return s;
}

TEST(orvak_unit, stated_legs_and_platform_origins) {
  struct figure {
    const char* name;
    double alfa, beta, ganma;
    double leg[3];
    double origin[3];
  };
  const figure figures[] = {
      {"zero posture", 0, 0, 0, {0.339, 0.339, 0.339}, {0, 0, 0.385}},
      {"alfa 10", 10, 0, 0, {0.332715, 0.332715, 0.350960}, {0, -0.066855, 0.379151}},
      {"beta 10", 0, 10, 0, {0.328372, 0.349222, 0.338796}, {0.066855, 0, 0.379151}},
      {"ganma 30", 0, 0, 30, {0.340902, 0.340902, 0.340931}, {0, 0, 0.385}},
  };
  const orvak_geometry g = default_orvak_geometry();
  for (const figure& f : figures) {
    const kin_state s = posture_deg(f.alfa, f.beta, f.ganma);
    const orvak_legs legs = orvak_inverse(g, d, s);
    const double l[3] = {legs.leng.x, legs.leng.y, legs.leng.z};
    // A still posture leaves every leg still.
    const double rates[6] = {legs.leng.dx,  legs.leng.ddx, legs.leng.dy,
                             legs.leng.ddy, legs.leng.dz,  legs.leng.ddz};
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(l[k], f.leg[k], figure_tolerance) << f.name << ", leg " << k + 1;
    for (double r : rates) EXPECT_EQ(r, 0) << f.name;
    EXPECT_FALSE(legs.any_zero_length()) << f.name;
    const kin_state o = orvak_point(d, s, kin_state{});
    EXPECT_NEAR(o.x, f.origin[0], figure_tolerance) << f.name;
    EXPECT_NEAR(o.y, f.origin[1], figure_tolerance) << f.name;
    EXPECT_NEAR(o.z, f.origin[2], figure_tolerance) << f.name;
  }
}

// A posture and a platform point moving along independent waves, so that every product-rule
// term (R̈·Q, 2·Ṙ·Q̇, R·Q̈) contributes.
struct moving_unit {
  test::wave angle[3], point[3];
  kin_state posture(double t) const {
    return {angle[0].at(t), angle[0].rate(t), angle[0].accel(t),
            angle[1].at(t), angle[1].rate(t), angle[1].accel(t),
            angle[2].at(t), angle[2].rate(t), angle[2].accel(t)};
  }
  kin_state X(double t) const {
    return {point[0].at(t), point[0].rate(t), point[0].accel(t),
            point[1].at(t), point[1].rate(t), point[1].accel(t),
            point[2].at(t), point[2].rate(t), point[2].accel(t)};
  }
};

moving_unit random_motion(std::mt19937& rng) {
  std::uniform_real_distribution<double> angle(-1.2, 1.2), len(-0.1, 0.1), omega(0.5, 3),
      phase(0, 6.28);
  moving_unit m;
  for (int k = 0; k < 3; ++k) {
    m.angle[k] = {angle(rng), 0.5 * angle(rng), omega(rng), phase(rng)};
    m.point[k] = {len(rng), len(rng), omega(rng), phase(rng)};
  }
  return m;
}

TEST(orvak_unit, rates_of_points_stacks_and_legs_match_differences_of_values) {
  std::mt19937 rng(7101);
  const orvak_geometry g = default_orvak_geometry();
  const double t = 0.37;
  for (int trial = 0; trial < 8; ++trial) {
    const std::string tag = "trial " + std::to_string(trial);
    const moving_unit u = random_motion(rng);
    EXPECT_TRUE(test::kin_state_rates_match(
        [&](double s) { return orvak_point(d, u.posture(s), u.X(s)); }, t, tag + " point"));

    // Three units with postures of their own, and distinct column lengths.
    const moving_unit v = random_motion(rng), w = random_motion(rng);
    const double dist[4] = {0, d, 0.3, 0.45};
    auto stack = [&](double s) {
      const kin_state post[4] = {{}, u.posture(s), v.posture(s), w.posture(s)};
      return orvak_stack_point(3, dist, post, w.X(s));
    };
    EXPECT_TRUE(test::kin_state_rates_match(stack, t, tag + " stack"));

    EXPECT_TRUE(test::kin_state_rates_match(
        [&](double s) { return orvak_inverse(g, d, u.posture(s)).leng; }, t, tag + " legs"));
  }
}

TEST(orvak_unit, stack_of_zero_postures_stands_on_the_z_axis) {
  const double dist[5] = {0, d, d, d, d};
  const kin_state still[5] = {};
  for (int n = 1; n <= 4; ++n) {
    const kin_state p = orvak_stack_point(n, dist, still, kin_state{});
    EXPECT_NEAR(p.x, 0, 1e-15) << "n = " << n;
    EXPECT_NEAR(p.y, 0, 1e-15) << "n = " << n;
    EXPECT_NEAR(p.z, n * d, 1e-12) << "n = " << n;
  }
}

TEST(orvak_unit, leg_of_zero_length_is_flagged_with_zero_rates) {
  // Platform joint 2 lowered by the column length lands on base joint 2 at zero posture; the
  // posture turns, so its leg has no defined direction there.
  orvak_geometry g = default_orvak_geometry();
  g.az(2) = g.Bz(2) - d;
  const kin_state s = {0, 1.5, -2, 0, 0.7, 0.3, 0, -0.4, 1};
  const orvak_legs legs = orvak_inverse(g, d, s);
  EXPECT_TRUE(legs.zero_length[2]);
  EXPECT_FALSE(legs.zero_length[1]);
  EXPECT_FALSE(legs.zero_length[3]);
  EXPECT_NEAR(legs.leng.y, 0, 1e-15);
  EXPECT_EQ(legs.leng.dy, 0);
  EXPECT_EQ(legs.leng.ddy, 0);
  EXPECT_TRUE(std::isfinite(legs.leng.dx) && std::isfinite(legs.leng.ddz));
}

}  // namespace
}  // namespace kinelab

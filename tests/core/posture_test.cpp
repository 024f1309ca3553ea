#include "core/posture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/angles.h"
#include "support/finite_difference.h"

namespace kinelab {
namespace {

using test::kin_state_rates_match;
using test::rates_match;
using test::wave;

// Products of three rotations lose a few units in the last place.
constexpr double kRoundoff = 1e-14;

kin_state triple(double x, double y, double z) {
  kin_state s;
  s.x = x, s.y = y, s.z = z;
  return s;
}

// Three independent smooth motions, sampled as a kin_state with exact rates.
struct moving_triple {
  wave x, y, z;
  kin_state at(double t) const {
    kin_state s;
    s.x = x.at(t), s.dx = x.rate(t), s.ddx = x.accel(t);
    s.y = y.at(t), s.dy = y.rate(t), s.ddy = y.accel(t);
    s.z = z.at(t), s.dz = z.rate(t), s.ddz = z.accel(t);
    return s;
  }
};

const moving_triple kPosture{{0.4, 0.9, 1.3, 0.2}, {-0.3, 0.7, 2.1, 1.0}, {1.1, 1.2, 0.8, -0.5}};
const moving_triple kOffset{{1, 0.5, 1.7, 0}, {2, -0.8, 0.9, 0.3}, {3, 0.6, 2.3, 1.1}};
const moving_triple kPoint{{-1, 0.3, 1.9, 0.6}, {0.5, 1.0, 1.1, -0.2}, {2, -0.4, 2.7, 0.9}};

void expect_matrix_near(const mat3& a, const mat3& b, double tol, const std::string& what) {
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j)
      EXPECT_NEAR(a(i, j), b(i, j), tol) << what << "(" << i << "," << j << ")";
}

TEST(Posture, RollOfNinetyDegrees) {
  const kin_state s = triple(rad(90), 0, 0);
  const rotation_rates m = posture_matrices(s);
  expect_matrix_near(m.R, rot_x(rad(90)), 0, "R");
  EXPECT_NEAR(m.R(2, 3), -1, kRoundoff);
  EXPECT_NEAR(m.R(3, 2), 1, kRoundoff);
  expect_matrix_near(m.dR, mat3{}, 0, "dR");
  expect_matrix_near(m.ddR, mat3{}, 0, "ddR");

  const kin_state back = posture_from_matrices(m);
  EXPECT_NEAR(back.x, rad(90), kRoundoff);
  EXPECT_EQ(back.y, 0);
  EXPECT_NEAR(back.z, 0, kRoundoff);
  for (double rate : {back.dx, back.ddx, back.dy, back.ddy, back.dz, back.ddz}) EXPECT_EQ(rate, 0);
}

TEST(Posture, ClosedFormMatchesElementaryProduct) {
  const double angles[][3] = {{0.3, -0.7, 2.9}, {-2.5, 1.2, -0.4}, {3.0, -1.5, 1.0}};
  for (const auto& a : angles) {
    mat3 product;
    mat_mul3(3, rot_x(a[0]), rot_y(a[1]), rot_z(a[2]), product);
    const std::string what =
        "(" + std::to_string(a[0]) + "," + std::to_string(a[1]) + "," + std::to_string(a[2]) + ") ";
    expect_matrix_near(rotation_matrix(a[0], a[1], a[2]), product, kRoundoff, what + "closed");
    expect_matrix_near(posture_matrices(triple(a[0], a[1], a[2])).R, product, kRoundoff,
                       what + "posture_matrices");
  }
}

TEST(Posture, MatrixRatesMatchCentralDifferences) {
  for (double t : {0.0, 0.37, 1.9}) {
    const rotation_rates m = posture_matrices(kPosture.at(t));
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j) {
        auto element = [&](double u) { return posture_matrices(kPosture.at(u)).R(i, j); };
        EXPECT_TRUE(rates_match(element, t, m.dR(i, j), m.ddR(i, j),
                                "R(" + std::to_string(i) + "," + std::to_string(j) + ")"));
      }
  }
}

TEST(Posture, RoundTripOverRandomPostures) {
  // β is kept 5° away from ±90°: the conversion divides by cos β, and there the errors of the
  // angles grow like ε/cos β and those of the accelerations like ε/cos³β (≈ 3e-13 at 85°).
  constexpr double kTol = 1e-9;
  std::mt19937 gen(20240611);
  std::uniform_real_distribution<double> side(-rad(179.9), rad(179.9)), pitch(-rad(85), rad(85)),
      rate(-3, 3), accel(-10, 10);
  for (int k = 0; k < 500; ++k) {
    kin_state s;
    s.x = side(gen), s.dx = rate(gen), s.ddx = accel(gen);
    s.y = pitch(gen), s.dy = rate(gen), s.ddy = accel(gen);
    s.z = side(gen), s.dz = rate(gen), s.ddz = accel(gen);
    const kin_state b = posture_from_matrices(posture_matrices(s));
    const double want[9] = {s.x, s.dx, s.ddx, s.y, s.dy, s.ddy, s.z, s.dz, s.ddz};
    const double got[9] = {b.x, b.dx, b.ddx, b.y, b.dy, b.ddy, b.z, b.dz, b.ddz};
    const char* names[9] = {"x", "dx", "ddx", "y", "dy", "ddy", "z", "dz", "ddz"};
    for (int f = 0; f < 9; ++f)
      ASSERT_NEAR(got[f], want[f], kTol * std::fmax(1, std::fabs(want[f])))
          << "sample " << k << " field " << names[f] << " of posture (" << s.x << ", " << s.y
          << ", " << s.z << ")";
  }
}

TEST(Posture, YawRateAloneAtZeroPitch) {
  kin_state s = triple(0.6, 0, -0.9);
  s.dz = 1;
  const rotation_rates m = posture_matrices(s);
  mat3 Z1 = rot_z(s.z + pi / 2);  // dRz/dγ = Rz(γ + π/2) without its (3,3) element
  Z1(3, 3) = 0;
  mat3 expected;
  mat_mul3(3, rot_x(s.x), rot_y(0), Z1, expected);
  expect_matrix_near(m.dR, expected, kRoundoff, "dR");
  const kin_state b = posture_from_matrices(m);
  EXPECT_NEAR(b.dz, 1, kRoundoff);
  EXPECT_NEAR(b.dx, 0, kRoundoff);
  EXPECT_NEAR(b.dy, 0, kRoundoff);
}

TEST(Posture, PitchBeyondNinetyDegreesFolds) {
  // (α, β, γ) and (α ± π, π − β, γ ± π) are the same rotation; the conversion returns the
  // second, so β̇ and β̈ change sign and α, γ keep their rates.
  struct Case {
    double a, b, c;     // degrees
    double fa, fb, fc;  // folded, degrees
  };
  const Case cases[] = {{30, 120, -40, -150, 60, 140}, {-60, -135, 100, 120, -45, -80}};
  for (const Case& c : cases) {
    kin_state s = triple(rad(c.a), rad(c.b), rad(c.c));
    s.dx = 0.5, s.ddx = -1.5, s.dy = 0.8, s.ddy = 2.0, s.dz = -1.2, s.ddz = 0.7;
    const kin_state b = posture_from_matrices(posture_matrices(s));
    const std::string what = "posture (" + std::to_string(c.a) + ", " + std::to_string(c.b) + ", " +
                             std::to_string(c.c) + ")";
    EXPECT_NEAR(b.x, rad(c.fa), 1e-12) << what;
    EXPECT_NEAR(b.y, rad(c.fb), 1e-12) << what;
    EXPECT_NEAR(b.z, rad(c.fc), 1e-12) << what;
    EXPECT_NEAR(b.dx, s.dx, 1e-12) << what;
    EXPECT_NEAR(b.ddx, s.ddx, 1e-12) << what;
    EXPECT_NEAR(b.dy, -s.dy, 1e-12) << what;
    EXPECT_NEAR(b.ddy, -s.ddy, 1e-12) << what;
    EXPECT_NEAR(b.dz, s.dz, 1e-12) << what;
    EXPECT_NEAR(b.ddz, s.ddz, 1e-12) << what;
  }
}

TEST(Posture, SinePitchPushedPastOneIsClamped) {
  kin_state s = triple(0.3, half_pi, 0.2);
  s.dx = 0.4, s.dy = 0.5, s.dz = -0.3, s.ddy = 1;
  rotation_rates m = posture_matrices(s);
  for (double r13 : {1.0, std::nextafter(1.0, 2.0), 1 + 1e-12}) {
    m.R(1, 3) = r13;
    const kin_state b = posture_from_matrices(m);
    EXPECT_EQ(b.y, half_pi) << "R(1,3) = " << r13;
    // cos β of the system's π/2 is about 1e-15, not 0: the angles come from quotients of
    // rounding errors and the rates are huge, but every field stays a finite number.
    for (double f : {b.x, b.dx, b.ddx, b.dy, b.ddy, b.z, b.dz, b.ddz})
      EXPECT_TRUE(std::isfinite(f)) << "R(1,3) = " << r13;
  }
  m.R(1, 3) = std::nextafter(-1.0, -2.0);
  EXPECT_EQ(posture_from_matrices(m).y, -half_pi);
}

TEST(Posture, ChainOfPostures) {
  kin_state one[2] = {{}, triple(0.7, -0.4, 2.2)};
  one[1].dx = 0.3, one[1].ddz = -1.1;
  const kin_state same = chain_posture(1, one);
  EXPECT_NEAR(same.x, 0.7, kRoundoff);
  EXPECT_NEAR(same.y, -0.4, kRoundoff);
  EXPECT_NEAR(same.z, 2.2, kRoundoff);
  EXPECT_NEAR(same.dx, 0.3, kRoundoff);
  EXPECT_NEAR(same.ddz, -1.1, kRoundoff);

  const kin_state yaws[3] = {{}, triple(0, 0, rad(30)), triple(0, 0, rad(60))};
  const kin_state sum = chain_posture(2, yaws);
  EXPECT_NEAR(sum.x, 0, kRoundoff);
  EXPECT_NEAR(sum.y, 0, kRoundoff);
  EXPECT_NEAR(sum.z, rad(90), kRoundoff);

  // An empty chain is the identity.
  const kin_state none = chain_posture(0, yaws);
  EXPECT_EQ(none.x, 0);
  EXPECT_EQ(none.y, 0);
  EXPECT_EQ(none.z, 0);
}

TEST(Posture, ChainRatesMatchCentralDifferences) {
  const moving_triple links[3] = {
      kPosture,
      {{0.2, 0.3, 1.7, 0}, {0.1, 0.2, 1.3, 0.4}, {-0.6, 0.5, 0.9, 0.8}},
      {{-0.3, 0.25, 2.2, 1}, {0.2, 0.3, 0.7, -0.3}, {0.4, 0.4, 1.4, 0.1}},
  };
  auto chain = [&](double t) {
    kin_state s[4];
    for (int i = 1; i <= 3; ++i) s[i] = links[i - 1].at(t);
    return chain_posture(3, s);
  };
  for (double t : {0.0, 0.45, 1.2}) EXPECT_TRUE(kin_state_rates_match(chain, t, "chain posture"));
}

TEST(Frames, FixedPoints) {
  const kin_state h = triple(1, 2, 3), p = triple(1, 0, 0);
  struct Case {
    double yaw_deg;
    double parent[3], shifted[3];
  };
  const Case cases[] = {{0, {2, 2, 3}, {2, 2, 3}}, {90, {1, 3, 3}, {-2, 2, 3}}};
  for (const Case& c : cases) {
    const kin_state s = triple(0, 0, rad(c.yaw_deg));
    const kin_state g = to_parent(h, s, p), q = to_parent_shifted(h, s, p);
    EXPECT_NEAR(g.x, c.parent[0], kRoundoff) << "yaw " << c.yaw_deg;
    EXPECT_NEAR(g.y, c.parent[1], kRoundoff) << "yaw " << c.yaw_deg;
    EXPECT_NEAR(g.z, c.parent[2], kRoundoff) << "yaw " << c.yaw_deg;
    EXPECT_NEAR(q.x, c.shifted[0], kRoundoff) << "yaw " << c.yaw_deg;
    EXPECT_NEAR(q.y, c.shifted[1], kRoundoff) << "yaw " << c.yaw_deg;
    EXPECT_NEAR(q.z, c.shifted[2], kRoundoff) << "yaw " << c.yaw_deg;
  }
}

TEST(Frames, TransformRatesMatchCentralDifferences) {
  auto parent = [](double t) { return to_parent(kOffset.at(t), kPosture.at(t), kPoint.at(t)); };
  auto shifted = [](double t) {
    return to_parent_shifted(kOffset.at(t), kPosture.at(t), kPoint.at(t));
  };
  auto child = [](double t) { return to_child(kOffset.at(t), kPosture.at(t), kPoint.at(t)); };
  for (double t : {0.0, 0.8, 2.5}) {
    EXPECT_TRUE(kin_state_rates_match(parent, t, "to_parent"));
    EXPECT_TRUE(kin_state_rates_match(shifted, t, "to_parent_shifted"));
    EXPECT_TRUE(kin_state_rates_match(child, t, "to_child"));
  }
}

TEST(Frames, ToChildUndoesToParent) {
  for (double t : {0.0, 0.6, 1.7}) {
    const kin_state h = kOffset.at(t), s = kPosture.at(t), p = kPoint.at(t);
    const kin_state b = to_child(h, s, to_parent(h, s, p));
    const double want[9] = {p.x, p.dx, p.ddx, p.y, p.dy, p.ddy, p.z, p.dz, p.ddz};
    const double got[9] = {b.x, b.dx, b.ddx, b.y, b.dy, b.ddy, b.z, b.dz, b.ddz};
    for (int f = 0; f < 9; ++f)
      EXPECT_NEAR(got[f], want[f], 1e-12 * std::fmax(1, std::fabs(want[f])))
          << "t=" << t << " field " << f;
  }
}

}  // namespace
}  // namespace kinelab

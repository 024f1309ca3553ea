// The six-rail slider mechanism: closed-form sliders, the Jacobian and second-order table, and
// the Newton–Raphson forward solver with its outcomes.
#include "mechanisms/rail/rail_kinematics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/rate_products.h"
#include "support/figures.h"
#include "support/finite_difference.h"

namespace kinelab {
namespace {

using test::kSixDigits;
// J·q̇ and J·q̈ + H·w against rail_inverse: sums of a few order-one products, a few hundred ulps.
constexpr double kSumRoundoff = 1e-12;

kin_state at_height(double z) {
  kin_state p;
  p.z = z;
  return p;
}

vec<6> vec6(std::initializer_list<double> v) {
  vec<6> out;
  int i = 0;
  for (double x : v) out(++i) = x;
  return out;
}

// A tilted, moving pose well inside the workspace: every pose coordinate moves.
const test::wave pose_waves[6] = {{0.01, 0.02, 1.3, 0.2},  {-0.01, 0.015, 0.9, 1.0},
                                  {0.25, 0.03, 1.1, 0.4},  {0.05, 0.08, 1.7, 0.3},
                                  {-0.04, 0.06, 1.2, 2.0}, {0.03, 0.1, 0.8, 1.1}};
void pose_at(double t, kin_state& position, kin_state& posture) {
  const test::wave* w = pose_waves;
  position = {w[0].at(t),    w[0].rate(t), w[0].accel(t), w[1].at(t),   w[1].rate(t),
              w[1].accel(t), w[2].at(t),   w[2].rate(t),  w[2].accel(t)};
  posture = {w[3].at(t),    w[3].rate(t), w[3].accel(t), w[4].at(t),   w[4].rate(t),
             w[4].accel(t), w[5].at(t),   w[5].rate(t),  w[5].accel(t)};
}

TEST(rail_inverse, sliders_of_the_level_platform) {
  const rail_geometry g = default_rail_geometry();
  struct {
    double z;
    double bx[6];
  } cases[] = {
      {0.25, {0.250687, 0.350687, -0.372764, -0.372764, 0.350687, 0.250687}},
      {0.15, {0.320693, 0.420693, -0.438231, -0.438231, 0.420693, 0.320693}},
  };
  for (const auto& c : cases) {
    const rail_sliders s = rail_inverse(g, at_height(c.z), kin_state{});
    EXPECT_EQ(s.unreachable, 0u);
    for (int i = 1; i <= 6; ++i)
      EXPECT_NEAR(s.bx(i), c.bx[i - 1], kSixDigits) << "z " << c.z << ", leg " << i;
    // Mirror symmetry in y and the parallelogram offsets of the three pairs.
    EXPECT_NEAR(s.bx(2) - s.bx(1), 0.1, 1e-15);
    EXPECT_NEAR(s.bx(4) - s.bx(3), 0, 1e-15);
    EXPECT_NEAR(s.bx(6) - s.bx(5), -0.1, 1e-15);
  }
}

TEST(rail_inverse, slider_and_joint_rates_are_the_derivatives_of_their_positions) {
  const rail_geometry g = default_rail_geometry();
  for (double t : {0.0, 0.7, 1.9}) {
    kin_state p, s;
    pose_at(t, p, s);
    rail_sliders sl;
    rail_joint_states joints;
    rail_inverse_full(g, p, s, sl, joints);
    ASSERT_EQ(sl.unreachable, 0u) << "t " << t;
    for (int i = 1; i <= 6; ++i) {
      auto bx = [&](double u) {
        kin_state pu, su;
        pose_at(u, pu, su);
        return rail_inverse(g, pu, su).bx(i);
      };
      EXPECT_TRUE(test::rates_match(bx, t, sl.dbx(i), sl.ddbx(i), "bx" + std::to_string(i)));
      auto joint = [&](double u) {
        kin_state pu, su;
        pose_at(u, pu, su);
        return rail_joints(g, pu, su)[static_cast<std::size_t>(i - 1)];
      };
      EXPECT_TRUE(test::kin_state_rates_match(joint, t, "jp" + std::to_string(i)));
    }
  }
}

TEST(rail_jacobian, reproduces_the_slider_rates_and_accelerations) {
  const rail_geometry g = default_rail_geometry();
  std::mt19937 rng(61);
  std::uniform_real_distribution<double> rate(-2, 2);
  for (int trial = 0; trial < 10; ++trial) {
    kin_state p, s;
    pose_at(0.3 * trial, p, s);
    vec<6> dq, ddq;
    for (int k = 1; k <= 6; ++k) dq(k) = rate(rng), ddq(k) = rate(rng);
    p.dx = dq(1), p.dy = dq(2), p.dz = dq(3), s.dx = dq(4), s.dy = dq(5), s.dz = dq(6);
    p.ddx = ddq(1), p.ddy = ddq(2), p.ddz = ddq(3), s.ddx = ddq(4), s.ddy = ddq(5), s.ddz = ddq(6);
    const rail_sliders sl = rail_inverse(g, p, s);

    mat<6> J;
    mat<6, 21> H;
    rail_jacobian(g, p, s, J, H);
    vec<6> Jdq, Jddq;
    vec<21> Hw;
    mat_vec(6, J, dq, Jdq);
    mat_vec(6, J, ddq, Jddq);
    mat_vec_rect(6, 21, H, rate_products(dq), Hw);
    for (int i = 1; i <= 6; ++i) {
      EXPECT_NEAR(Jdq(i), sl.dbx(i), kSumRoundoff) << "trial " << trial << ", leg " << i;
      EXPECT_NEAR(Jddq(i) + Hw(i), sl.ddbx(i), kSumRoundoff) << "trial " << trial << ", leg " << i;
    }
  }
}

TEST(rail_jacobian, sliders_move_with_x_and_are_linear_in_it) {
  kin_state p, s;
  pose_at(0.5, p, s);
  mat<6> J;
  mat<6, 21> H;
  rail_jacobian(default_rail_geometry(), p, s, J, H);
  bool y_squared_nonzero = false;
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(J(i, 1), 1) << "leg " << i;
    EXPECT_EQ(H(i, 1), 0) << "x² column, leg " << i;
    EXPECT_NEAR(H(i, 7), 0, 1e-12) << "x·y column, leg " << i;
    y_squared_nonzero = y_squared_nonzero || std::fabs(H(i, 2)) > 0.1;
  }
  EXPECT_TRUE(y_squared_nonzero);
}

struct forward_run {
  nr_outcome outcome;
  kin_state position, posture;
  rail_joint_states joints;
};
forward_run solve_forward(const rail_geometry& g, double tolerance, const vec<6>& bx,
                          const vec<6>& dbx = {}, const vec<6>& ddbx = {},
                          kin_state position = at_height(0.25), kin_state posture = {}) {
  forward_run r{{}, position, posture, {}};
  r.outcome = rail_forward(g, tolerance, bx, dbx, ddbx, r.position, r.posture, r.joints);
  return r;
}

void expect_level(const forward_run& r, const std::string& what) {
  // y and the posture stay at zero up to the rounding of the corrections.
  for (double v : {r.position.y, r.posture.x, r.posture.y, r.posture.z})
    EXPECT_NEAR(v, 0, 1e-12) << what;
}

TEST(rail_forward, one_correction_from_the_default_guess) {
  const forward_run r =
      solve_forward(default_rail_geometry(), 0.001, vec6({0.25, 0.35, -0.37, -0.37, 0.35, 0.25}));
  EXPECT_EQ(r.outcome.status, nr_status::converged);
  EXPECT_EQ(r.outcome.iterations, 1);
  EXPECT_LT(r.outcome.residual, 0.001);
  EXPECT_NEAR(r.position.x, 0.00111, 5e-6);
  EXPECT_NEAR(r.position.z, 0.25180, 5e-6);
  expect_level(r, "after one correction");
}

// Straight from the guess the iteration passes poses where the two legs of a pair have equal
// x, y and z columns to within rounding; solving J·Δ = r with the pivot-free elimination on J
// itself meets a pivot of rounding size there and stops at x ≈ −0.00509, z ≈ 0.34586 with a
// "singular" Jacobian. The solve through JᵀJ converges.
TEST(rail_forward, converges_to_the_default_stop_pose) {
  const forward_run r =
      solve_forward(default_rail_geometry(), 0.001, vec6({0.15, 0.25, -0.29, -0.29, 0.25, 0.15}));
  EXPECT_EQ(r.outcome.status, nr_status::converged) << to_string(r.outcome.status);
  EXPECT_NEAR(r.position.x, -0.00301, 5e-6);
  EXPECT_NEAR(r.position.z, 0.31927, 5e-6);
  expect_level(r, "at the stop pose");
}

TEST(rail_forward, the_convergence_test_is_strict) {
  const rail_geometry g = default_rail_geometry();
  const vec<6> target = vec6({0.25, 0.35, -0.37, -0.37, 0.35, 0.25});
  const rail_sliders guess = rail_inverse(g, at_height(0.25), kin_state{});
  vec<6> r;
  vec_sub(6, target, guess.bx, r);
  const double first = vec_max_abs(6, r);
  EXPECT_NEAR(first, 0.002764, kSixDigits);
  EXPECT_EQ(solve_forward(g, first, target).outcome.iterations, 1);  // equal does not pass
  EXPECT_EQ(solve_forward(g, std::nextafter(first, 1.0), target).outcome.iterations, 0);
}

TEST(rail_forward, a_guess_on_target_comes_back_unchanged_with_its_rates) {
  const rail_geometry g = default_rail_geometry();
  kin_state p, s;
  pose_at(0.4, p, s);
  const rail_sliders at_guess = rail_inverse(g, p, s);
  const forward_run r = solve_forward(g, 1e-9, at_guess.bx, at_guess.dbx, at_guess.ddbx, p, s);
  EXPECT_EQ(r.outcome.iterations, 0);
  const double expected[] = {p.x, p.dx, p.ddx, p.y, p.dy, p.ddy, p.z, p.dz, p.ddz,
                             s.x, s.dx, s.ddx, s.y, s.dy, s.ddy, s.z, s.dz, s.ddz};
  const double got[] = {
      r.position.x, r.position.dx, r.position.ddx, r.position.y, r.position.dy, r.position.ddy,
      r.position.z, r.position.dz, r.position.ddz, r.posture.x,  r.posture.dx,  r.posture.ddx,
      r.posture.y,  r.posture.dy,  r.posture.ddy,  r.posture.z,  r.posture.dz,  r.posture.ddz};
  // Values untouched; rates and accelerations solved back from the sliders' own (a 6×6 solve
  // of order-one terms).
  for (int f = 0; f < 18; ++f)
    EXPECT_NEAR(got[f], expected[f], f % 3 == 0 ? 0 : 1e-10) << "field " << f;
  // Pure x motion: every slider moves with the platform.
  vec<6> ones;
  for (int i = 1; i <= 6; ++i) ones(i) = 1;
  const forward_run x_only = solve_forward(g, 1e-9, at_guess.bx, ones, {}, p, s);
  const double rates[] = {x_only.position.dx,  x_only.position.dy, x_only.position.dz,
                          x_only.posture.dx,   x_only.posture.dy,  x_only.posture.dz,
                          x_only.position.ddx, x_only.posture.ddz};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(rates[k], k == 0 ? 1 : 0, 1e-10) << "rate " << k;
}

TEST(rail_forward, failures_end_at_a_pose_the_mechanism_can_take) {
  const vec<6> level = vec6({0.25, 0.35, -0.37, -0.37, 0.35, 0.25});
  const vec<6> moving = vec6({1, 1, 1, 1, 1, 1});
  auto finite = [](const forward_run& r) {
    for (const kin_state* k : {&r.position, &r.posture, &r.joints[0], &r.joints[5]})
      for (double v : {k->x, k->dx, k->ddx, k->y, k->dy, k->ddy, k->z, k->dz, k->ddz})
        if (!std::isfinite(v)) return false;
    return std::isfinite(r.outcome.residual);
  };
  const rail_geometry g = default_rail_geometry();

  // Sliders 1 and 6 0.65 apart, while their joints are 0.24 apart and each rod reaches at most
  // 0.37 along x: no pose realises this. Corrections that would take a rod off its rail are
  // shortened, and the solve ends at a pose every rod reaches, its rates solved there (all
  // six sliders moving alike: a pure x motion).
  const forward_run apart =
      solve_forward(g, 0.001, vec6({0.9, 1.0, -0.37, -0.37, 0.35, 0.25}), moving);
  EXPECT_EQ(apart.outcome.status, nr_status::iteration_limit);
  EXPECT_TRUE(finite(apart));
  EXPECT_EQ(rail_inverse(g, apart.position, apart.posture).unreachable, 0u);
  EXPECT_NEAR(apart.position.dx, 1, 1e-9);

  // Rods too short for the guess: no slider positions at all, the guess comes back, no rates.
  rail_geometry short_rods = g;
  short_rods.rod_length = 0.1;
  const forward_run unreachable = solve_forward(short_rods, 0.001, level, moving);
  EXPECT_EQ(unreachable.outcome.status, nr_status::unreachable);
  EXPECT_EQ(unreachable.outcome.reason, nr_obstacle::rod_off_rail);
  EXPECT_EQ(unreachable.outcome.iterations, 0);
  EXPECT_EQ(unreachable.position.z, 0.25);
  EXPECT_TRUE(finite(unreachable));
  EXPECT_EQ(unreachable.position.dx, 0);

  // Every joint at the platform origin: the posture has no effect on the sliders. Damped steps
  // move the position as far as it helps; short of the goal at a singular Jacobian the solve
  // keeps zero rates.
  rail_geometry point_platform = g;
  vec_zero(6, point_platform.ax);
  vec_zero(6, point_platform.ay);
  const forward_run singular = solve_forward(point_platform, 0.001, level, moving);
  EXPECT_EQ(singular.outcome.status, nr_status::singular);
  EXPECT_GT(singular.outcome.iterations, 0);
  EXPECT_TRUE(finite(singular));
  EXPECT_EQ(singular.position.dx, 0);

  // Tolerance 0 asks for an exact solve: the corrections go on until the residual is 0 (strictly
  // below 0 it never is), and the rates are solved there.
  const forward_run exact = solve_forward(g, 0, level, moving);
  EXPECT_EQ(exact.outcome.status, nr_status::converged) << to_string(exact.outcome.status);
  EXPECT_EQ(exact.outcome.residual, 0);
  EXPECT_EQ(exact.outcome.iterations, 7);
  EXPECT_NEAR(exact.position.dx, 1, 1e-9);
}

TEST(rail_leg, a_rod_off_or_perpendicular_to_its_rail_is_flagged_with_finite_values) {
  const rotation_rates level = posture_matrices(kin_state{});
  kin_state P{0.1, 0.3, 0.2, 0, -0.4, 0.1, 0.3, 0.5, -0.2};
  // Joint at (0.1, 0, 0.3) over a rail at y = 0: reachable only for L > 0.3; at L = 0.3 exactly
  // the rod stands perpendicular to the rail and its slider has no finite rate.
  struct {
    double L;
    bool reachable;
  } cases[] = {{0.5, true}, {0.3, false}, {0.2, false}};
  for (const auto& c : cases) {
    const rail_slider s = rail_leg(1, c.L, 0, 0, 0, P, level);
    EXPECT_EQ(s.reachable, c.reachable) << "L " << c.L;
    EXPECT_TRUE(std::isfinite(s.bx) && std::isfinite(s.dbx) && std::isfinite(s.ddbx)) << c.L;
    if (!c.reachable) {
      // S = 0 with no rate of its own: the slider stands under the joint and moves with it.
      EXPECT_EQ(s.bx, P.x);
      EXPECT_EQ(s.dbx, P.dx);
      EXPECT_EQ(s.ddbx, P.ddx);
    }
  }
  kin_state up = at_height(0.5);
  const rail_sliders off = rail_inverse(default_rail_geometry(), up, kin_state{});
  EXPECT_EQ(off.unreachable, 0b111111u);
  EXPECT_FALSE(off.leg_reachable(3));
}

}  // namespace
}  // namespace kinelab

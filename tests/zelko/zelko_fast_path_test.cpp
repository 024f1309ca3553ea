// The limb's Jacobian and second-order table from the twists' partials, and the inverse solver
// that uses them, against the probes of zelko_forward and the solver through them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/angles.h"
#include "mechanisms/zelko/zelko_kinematics.h"
#include "support/fast_path_compare.h"

namespace kinelab {
namespace {

TEST(zelko_fast_path, pose_jacobian_and_second_order_table_match_the_probes) {
  std::mt19937 rng(5150);
  std::uniform_real_distribution<double> angle(-1.3, 1.3), size(-0.1, 0.1);
  for (int trial = 0; trial < 300; ++trial) {
    zelko_geometry g = default_zelko_geometry();
    g.Hx1 += size(rng), g.Hz1 += size(rng), g.Hx3 += size(rng), g.Hz3 += size(rng);
    vec<6> q;
    for (int j = 1; j <= 6; ++j) q(j) = angle(rng);
    zelko_twists h{};
    zelko_step(q, h);
    // The middle twist's α and γ are not joints: both sides clear them.
    h[2].x = angle(rng), h[2].z = angle(rng);
    zelko_twists probed = h;
    const std::string at = "trial " + std::to_string(trial);
    const vec<6> ref_pose = pose_values(zelko_forward(g, probed, kin_state{}));
    EXPECT_EQ(test::compare_fast(zelko_end_pose(g, h), ref_pose, 6, at + " pose"), "");
    // J to the bit: the iteration then takes the probes' path, corrections and all.
    EXPECT_EQ(test::compare_fast(zelko_jacobian(g, h), zelko_jacobian_reference(g, probed), 6, 6,
                                 at + " J", 0),
              "");
    EXPECT_EQ(test::compare_fast(zelko_quadratic_terms(g, h),
                                 zelko_quadratic_terms_reference(g, probed), 6, 21, at + " H"),
              "");
  }
}

// J is the same; H differs in rounding and reaches the accelerations through one solve with
// J, whose condition number along these paths stays below about 1e3: accelerations to 1e-9 of
// the scale.
constexpr double kSolvedAccelerations = 1e-9;

TEST(zelko_fast_path, the_solver_follows_its_reference_along_a_moving_goal) {
  const zelko_geometry g = default_zelko_geometry();
  std::mt19937 rng(77);
  std::uniform_real_distribution<double> u(-1, 1);
  int converged = 0, corrected = 0;  // of 310 solves
  for (int run = 0; run < 10; ++run) {
    // A straight line in (x, y, z, α, β, γ) from the limb's reach, as Form_zelko_gyaku drives
    // it, solved step by step from the previous solution.
    double from[6], to[6];
    for (int k = 0; k < 3; ++k) from[k] = 0.1 * u(rng), to[k] = 0.1 * u(rng);
    from[2] += 0.65, to[2] += 0.65;
    for (int k = 3; k < 6; ++k) from[k] = rad(10) * u(rng), to[k] = rad(10) * u(rng);
    zelko_twists fast{}, ref{};
    fast[2].y = ref[2].y = rad(45);
    for (int i = 0; i <= 30; ++i) {
      const double t = i / 30.0;
      double v[6], r[6];
      for (int k = 0; k < 6; ++k) v[k] = from[k] + t * (to[k] - from[k]), r[k] = to[k] - from[k];
      const kin_state gp{v[0], r[0], 0.1, v[1], r[1], -0.2, v[2], r[2], 0.3};
      const kin_state gs{v[3], r[3], 0.2, v[4], r[4], 0.1, v[5], r[5], -0.3};
      const nr_outcome fo = zelko_inverse(1e-3, g, gp, gs, fast);
      const nr_outcome ro = zelko_inverse_reference(1e-3, g, gp, gs, ref);
      const std::string at = "run " + std::to_string(run) + " step " + std::to_string(i);
      ASSERT_EQ(fo.status, ro.status) << at;
      ASSERT_EQ(fo.iterations, ro.iterations) << at;
      converged += ro.status == nr_status::converged;
      corrected += ro.iterations > 0;
      for (std::size_t k = 1; k <= 3; ++k) {
        const kin_state &a = fast[k], &b = ref[k];
        EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << at << " twist " << k;
        EXPECT_TRUE(a.dx == b.dx && a.dy == b.dy && a.dz == b.dz) << at << " twist " << k;
        const double fa[] = {a.ddx, a.ddy, a.ddz}, ra[] = {b.ddx, b.ddy, b.ddz};
        for (int c = 0; c < 3; ++c)
          EXPECT_NEAR(fa[c], ra[c], kSolvedAccelerations * std::fmax(1, std::fabs(ra[c])))
              << at << " twist " << k;
      }
    }
  }
  // Most goals are reached, and most solves make corrections: the paths compared are real ones.
  EXPECT_GT(converged, 250);
  EXPECT_GT(corrected, 250);
}

}  // namespace
}  // namespace kinelab

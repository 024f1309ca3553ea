// The posture's partial derivatives against posture_matrices: (R, Ṙ, R̈) recombined for any
// rates, and R, Ṙ for a unit rate to the bit (the fast Jacobians take their columns from them
// and rely on matching the unit-rate probes exactly).
#include "core/posture_partials.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>

#include "core/angles.h"
#include "support/fast_path_compare.h"

namespace kinelab {
namespace {

TEST(posture_partials, recombined_rates_match_posture_matrices) {
  std::mt19937 rng(41);
  std::uniform_real_distribution<double> angle(-pi, pi), rate(-3, 3);
  for (int trial = 0; trial < 500; ++trial) {
    const kin_state s{angle(rng), rate(rng),  rate(rng), angle(rng), rate(rng),
                      rate(rng),  angle(rng), rate(rng), rate(rng)};
    const rotation_rates ref = posture_matrices(s);
    const rotation_rates fast = posture_rates(posture_partials_of(s), s);
    const std::string at = "trial " + std::to_string(trial);
    EXPECT_EQ(test::compare_fast(fast.R, ref.R, 3, 3, at + " R"), "");
    EXPECT_EQ(test::compare_fast(fast.dR, ref.dR, 3, 3, at + " dR"), "");
    EXPECT_EQ(test::compare_fast(fast.ddR, ref.ddR, 3, 3, at + " ddR"), "");
  }
}

TEST(posture_partials, value_and_first_partials_are_the_unit_rate_triples_to_the_bit) {
  auto same = [](const mat3& a, const mat3& b) {
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j)
        if (a(i, j) != b(i, j)) return false;  // +0 and −0 count as equal
    return true;
  };
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> angle(-pi, pi);
  for (int trial = 0; trial < 300; ++trial) {
    kin_state s;
    s.x = angle(rng), s.y = angle(rng), s.z = angle(rng);
    const posture_partials p = posture_partials_of(s);
    for (int k = 1; k <= 3; ++k) {
      kin_state unit = s;
      (k == 1 ? unit.dx : k == 2 ? unit.dy : unit.dz) = 1;
      const rotation_rates m = posture_matrices(unit);
      EXPECT_TRUE(same(p.R, m.R)) << "trial " << trial;
      EXPECT_TRUE(same(p.d[k], m.dR)) << "trial " << trial << " angle " << k;
      EXPECT_TRUE(same(p.dd(k, k), m.ddR)) << "trial " << trial << " angle " << k;
    }
  }
}

}  // namespace
}  // namespace kinelab

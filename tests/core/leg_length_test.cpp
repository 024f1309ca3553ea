// The leg between two moving points: its rates against central differences of its length, and
// the zero-length rule on the edge cases it exists for.
#include "core/leg_length.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/finite_difference.h"

namespace kinelab {
namespace {

using test::wave;

// A point whose three coordinates move as waves, with exact rates.
struct moving_point {
  wave x, y, z;
  kin_state at(double t) const {
    return {x.at(t),    x.rate(t), x.accel(t), y.at(t),   y.rate(t),
            y.accel(t), z.at(t),   z.rate(t),  z.accel(t)};
  }
};

TEST(leg_between, rates_match_differences_of_the_length_for_both_norms) {
  const struct {
    const char* name;
    moving_point p, b;
  } cases[] = {
      {"platform joint moving, base fixed",
       {{1, 0.3, 2, 0.1}, {-0.5, 0.2, 1.3, 0.7}, {2, 0.4, 0.9, 1.1}},
       {{0.2}, {-1}, {0}}},
      {"both ends moving",
       {{1, 0.3, 2}, {0, 0.5, 1.7, 0.4}, {2, 0.1, 3}},
       {{-1, 0.2, 1.1, 2}, {0.5, 0.6, 0.8}, {0, 0.3, 2.5, 1}}},
      // Short against its ends, yet well clear of their rounding.
      {"a short leg", {{3, 0.01, 2}, {0, 0.005, 1}, {0}}, {{3.02}, {0}, {0}}},
  };
  for (const auto& c : cases)
    for (const leg_norm norm : {leg_norm::hypot, leg_norm::sum_of_squares})
      for (const double t : {0.0, 0.4, 1.3}) {
        const leg_length leg = leg_between(c.p.at(t), c.b.at(t), norm);
        const std::string what = std::string(c.name) + (norm == leg_norm::hypot ? "" : " (√l·l)");
        ASSERT_FALSE(leg.zero_length) << what;
        EXPECT_TRUE(
            test::rates_match([&](double u) { return leg_between(c.p.at(u), c.b.at(u), norm).L; },
                              t, leg.dL, leg.ddL, what));
      }
}

TEST(leg_between, zero_length_rule_flags_coinciding_ends_and_leaves_nothing_undefined) {
  const double eps = std::numeric_limits<double>::epsilon();
  const kin_state moving{0, 0.4, -0.3, 0, 0.2, 0.6, 0, -0.5, 0.1};
  auto at = [&](double x, double y, double z) {
    kin_state s = moving;
    s.x = x, s.y = y, s.z = z;
    return s;
  };
  const struct {
    const char* name;
    kin_state p, b;
    bool zero;
  } cases[] = {
      {"ends on one point", at(0.861, 0.5, 0), kin_state{0.861, 0, 0, 0.5, 0, 0, 0, 0, 0}, true},
      // 0.1 + 0.2 is not 0.3 in doubles: a leg of rounding, 8 ulps of its ends at most.
      {"ends apart by rounding", at(0.1 + 0.2, 1, 2), kin_state{0.3, 0, 0, 1, 0, 0, 2, 0, 0}, true},
      // L² underflows: the quotients by L would overflow.
      {"a leg of 1e-160 at the origin", at(1e-160, 0, 0), kin_state{}, true},
      {"a leg of 1e-12 between ends near 1", at(1 + 1e-12, 0, 0),
       kin_state{1, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      {"a leg of 1e300", at(0, 0, 0), kin_state{-1e300, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      // Ends near (1, 1, 1), |b| = √3: the bound is 8·√3 = 13.86 ulps of 1, within the band
      // where the largest component alone cannot decide (up to 16 ulps).
      {"a leg of 13 ulps at (1, 1, 1)", at(1 + 13 * eps, 1, 1),
       kin_state{1, 0, 0, 1, 0, 0, 1, 0, 0}, true},
      {"a leg of 14 ulps at (1, 1, 1)", at(1 + 14 * eps, 1, 1),
       kin_state{1, 0, 0, 1, 0, 0, 1, 0, 0}, false},
  };
  for (const auto& c : cases) {
    const leg_length leg = leg_between(c.p, c.b);
    EXPECT_EQ(leg.zero_length, c.zero) << c.name;
    EXPECT_TRUE(std::isfinite(leg.L) && std::isfinite(leg.dL) && std::isfinite(leg.ddL))
        << c.name << ": " << leg.L << " " << leg.dL << " " << leg.ddL;
    if (c.zero) {
      EXPECT_TRUE(leg.dL == 0 && leg.ddL == 0) << c.name;
    }
  }
  // The 1e300 leg points along +x: it lengthens at the x velocity of its moving end.
  EXPECT_DOUBLE_EQ(leg_between(at(0, 0, 0), kin_state{-1e300, 0, 0, 0, 0, 0, 0, 0, 0}).dL, 0.4);
}

TEST(leg_between, lengths_and_rates_beyond_the_doubles_are_never_nan) {
  // √(l·l) of a 1e300 leg overflows: an infinite length with zero rates.
  const kin_state far{1e300, 1, 0, 0, 0, 0, 0, 0, 0};
  const leg_length squares = leg_between(far, kin_state{}, leg_norm::sum_of_squares);
  EXPECT_TRUE(std::isinf(squares.L) && !squares.zero_length);
  EXPECT_TRUE(squares.dL == 0 && squares.ddL == 0);
  // A 1e200 leg moving at 1e200 across and along itself: l·l̇ and l̇·l̇ overflow and L̈ meets
  // inf − inf. The rates come back infinite, for the callers' overflow rule.
  const kin_state fast{1e200, 1e200, 0, 0, 1e200, 0, 0, 0, 0};
  const leg_length leg = leg_between(fast, kin_state{});
  EXPECT_FALSE(leg.zero_length);
  EXPECT_FALSE(std::isnan(leg.dL) || std::isnan(leg.ddL)) << leg.dL << " " << leg.ddL;
  EXPECT_TRUE(std::isinf(leg.dL) && std::isinf(leg.ddL));
}

}  // namespace
}  // namespace kinelab

#include "core/profiles.h"

#include <gtest/gtest.h>

#include "support/finite_difference.h"

namespace kinelab {
namespace {

struct ProfileCase {
  const char* name;
  profile_kind kind;
  double tau;
  double s, ds, dds;
};

TEST(Profiles, StatedValues) {
  const ProfileCase cases[] = {
      {"quintic start", profile_kind::quintic, 0, 0, 0, 0},
      {"quintic middle", profile_kind::quintic, 0.5, 0.5, 1.875, 0},
      {"quintic end", profile_kind::quintic, 1, 1, 0, 0},
      {"cubic start", profile_kind::cubic, 0, 0, 0, 6},
      {"cubic middle", profile_kind::cubic, 0.5, 0.5, 1.5, 0},
      {"cubic end", profile_kind::cubic, 1, 1, 0, -6},
      {"linear start", profile_kind::linear, 0, 0, 1, 0},
      {"linear end", profile_kind::linear, 1, 1, 1, 0},
  };
  for (const ProfileCase& c : cases) {
    const profile_point p = profile_at(c.kind, int(c.tau * 50), 50);
    EXPECT_EQ(p.s, c.s) << c.name;
    EXPECT_EQ(p.ds, c.ds) << c.name;
    EXPECT_EQ(p.dds, c.dds) << c.name;
  }
}

TEST(Profiles, DerivativesMatchCentralDifferences) {
  using fn = void (*)(double, double&, double&, double&);
  const struct {
    const char* name;
    fn f;
  } profiles[] = {
      {"quintic", profile_quintic}, {"cubic", profile_cubic}, {"linear", profile_linear}};
  for (const auto& p : profiles)
    for (double tau : {0.1, 0.33, 0.5, 0.9}) {
      double s, ds, dds;
      p.f(tau, s, ds, dds);
      auto value = [&](double t) {
        double a, b, c;
        p.f(t, a, b, c);
        return a;
      };
      EXPECT_TRUE(test::rates_match(value, tau, ds, dds, p.name));
    }
}

TEST(Profiles, OptionSelection) {
  EXPECT_EQ(profile_from_option(0), profile_kind::quintic);
  EXPECT_EQ(profile_from_option(1), profile_kind::cubic);
  EXPECT_EQ(profile_from_option(2), profile_kind::linear);
  EXPECT_EQ(profile_from_option(-1), profile_kind::linear);  // nothing selected
}

TEST(Profiles, AppliedToAQuantity) {
  // Step 25 of 50 is τ = 0.5: the quintic is halfway at 1.875 per unit of τ.
  const profile_point mid = profile_at(profile_kind::quintic, 25, 50);
  const driven_value one = apply_profile(mid, 10, 30, 1);
  EXPECT_EQ(one.q, 20);
  EXPECT_EQ(one.dq, 1.875 * 20);
  EXPECT_EQ(one.ddq, 0);

  // A longer cycle halves the rates and quarters the accelerations.
  const profile_point early = profile_at(profile_kind::quintic, 10, 50);
  const driven_value t1 = apply_profile(early, -1, 2, 1), t2 = apply_profile(early, -1, 2, 2);
  EXPECT_EQ(t2.q, t1.q);
  EXPECT_DOUBLE_EQ(t2.dq, t1.dq / 2);
  EXPECT_DOUBLE_EQ(t2.ddq, t1.ddq / 4);
  EXPECT_NE(t1.ddq, 0);

  // Constant velocity: (b − a)/T at every step, the first and last included.
  for (int i : {0, 17, 50}) {
    const driven_value v = apply_profile(profile_at(profile_kind::linear, i, 50), 1, 4, 2);
    EXPECT_EQ(v.dq, 1.5) << "step " << i;
    EXPECT_EQ(v.ddq, 0) << "step " << i;
  }

  // a = b: nothing moves.
  for (profile_kind k : {profile_kind::quintic, profile_kind::cubic, profile_kind::linear})
    for (int i : {0, 13, 50}) {
      const driven_value v = apply_profile(profile_at(k, i, 50), 0.7, 0.7, 1);
      EXPECT_EQ(v.q, 0.7) << "step " << i;
      EXPECT_EQ(v.dq, 0) << "step " << i;
      EXPECT_EQ(v.ddq, 0) << "step " << i;
    }
}

TEST(Profiles, NoDivisionsStaysAtTheStart) {
  const profile_point p = profile_at(profile_kind::quintic, 0, 0);
  EXPECT_EQ(p.s, 0);
  EXPECT_EQ(p.ds, 0);
}

}  // namespace
}  // namespace kinelab

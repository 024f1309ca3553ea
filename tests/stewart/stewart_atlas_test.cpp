// The Stewart platform's atlas evaluation against the window's kinematics: the same leg lengths
// as stewart_legs and the same Jacobian as stewart_jacobian, to the bit, at random poses, and
// the same legs of zero length.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/window/sim_window.h"
#include "mechanisms/stewart/stewart_kinematics.h"
#include "mechanisms/stewart/stewart_window.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

// The atlas description of the inverse window at the default geometry.
class stewart_atlas : public ::testing::Test {
 protected:
  void SetUp() override {
    w.open();
    description = w.logic().atlas();
    ASSERT_TRUE(description);
  }
  test::temp_working_dir dir;
  sim_window w{form_stewart_gyaku()};
  std::optional<atlas_mechanism> description;
  const stewart_geometry g = default_stewart_geometry();
};

TEST_F(stewart_atlas, legs_and_jacobian_are_the_windows_to_the_bit) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> length(-2, 3), angle(-1.5, 1.5);
  for (int trial = 0; trial < 200; ++trial) {
    // Runs of cells share the posture, as in a position atlas, and change it, as in a posture
    // atlas.
    double q[6] = {length(random), length(random), length(random), 0, 0, 0};
    if (trial % 3 != 0) q[3] = angle(random), q[4] = angle(random), q[5] = angle(random);
    const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
    const kin_state posture{q[3], 0, 0, q[4], 0, 0, q[5], 0, 0};
    double a[6];
    ASSERT_EQ(description->inverse(q, a), cell_state::reachable);
    const stewart_leg_set legs = stewart_legs(g, position, posture);
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(a[k - 1], legs.leg(k)) << "leg " << k;
    jacobian_matrix J;
    ASSERT_TRUE(description->jacobian(q, J));
    mat<6> reference;
    mat<6, 21> H;
    stewart_jacobian(g, position, posture, reference, H);
    for (int r = 1; r <= 6; ++r)
      for (int c = 1; c <= 6; ++c) EXPECT_EQ(J.m(r, c), reference(r, c)) << r << ", " << c;
  }
}

TEST_F(stewart_atlas, a_leg_of_zero_length_is_one_to_the_window_and_the_atlas) {
  // Platform joint 1 on base joint 1, and one rounding unit of x beside it: a leg of 1e-16
  // whose direction is rounding, not geometry.
  const double on = g.Bx(1) - g.ax(1);
  for (const double x : {on, std::nextafter(on, 1.0)}) {
    double q[6] = {x, g.By(1) - g.ay(1), 0, 0, 0, 0}, a[6];
    const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
    const kin_state posture{};
    EXPECT_EQ(stewart_legs(g, position, posture).zero_length, 1u) << x;
    mat<6> J6;
    mat<6, 21> H;
    stewart_jacobian(g, position, posture, J6, H);
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(J6(1, c), 0) << x;
    EXPECT_EQ(description->inverse(q, a), cell_state::no_assembly) << x;
    jacobian_matrix J;
    EXPECT_FALSE(description->jacobian(q, J)) << x;
  }
}

}  // namespace
}  // namespace kinelab

// The Stewart platform's atlas evaluation against the window's kinematics: the same leg lengths
// as stewart_legs and the same Jacobian as stewart_jacobian, to the bit, at random poses.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "app/window/sim_window.h"
#include "mechanisms/registry.h"
#include "mechanisms/stewart/stewart_kinematics.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

TEST(stewart_atlas, legs_and_jacobian_are_the_windows_to_the_bit) {
  test::temp_working_dir dir;
  const std::unique_ptr<window_model> model = find_window("form_stewart_gyaku")->make();
  sim_window& w = dynamic_cast<sim_window&>(*model);
  w.open();
  const std::optional<atlas_mechanism> m = w.logic().atlas();
  ASSERT_TRUE(m);
  const stewart_geometry g = default_stewart_geometry();
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
    ASSERT_EQ(m->inverse(q, a), cell_state::reachable);
    const stewart_leg_set legs = stewart_legs(g, position, posture);
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(a[k - 1], legs.leg(k)) << "leg " << k;
    jacobian_matrix J;
    ASSERT_TRUE(m->jacobian(q, J));
    mat<6> reference;
    mat<6, 21> H;
    stewart_jacobian(g, position, posture, reference, H);
    for (int r = 1; r <= 6; ++r)
      for (int c = 1; c <= 6; ++c) EXPECT_EQ(J.m(r, c), reference(r, c)) << r << ", " << c;
  }
  // A leg of zero length: no assembly, no Jacobian.
  double q[6] = {g.Bx(1) - g.ax(1), g.By(1) - g.ay(1), 0, 0, 0, 0}, a[6];
  EXPECT_EQ(m->inverse(q, a), cell_state::no_assembly);
  jacobian_matrix J;
  EXPECT_FALSE(m->jacobian(q, J));
}

}  // namespace
}  // namespace kinelab

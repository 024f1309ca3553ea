#include "mechanisms/serial/serial_chain.h"

#include <gtest/gtest.h>

#include "core/angles.h"
#include "support/finite_difference.h"

namespace kinelab {
namespace {

constexpr double kRoundoff = 1e-14;

struct chain {
  int n = 0;
  link_array hx, hy, hz, alfa, beta, the, dthe, ddthe;
  kin_state point(const kin_state& start = {}) const {
    return chain_point(n, hx, hy, hz, alfa, beta, the, dthe, ddthe, start);
  }
  kin_state posture() const { return chain_posture_serial(n, alfa, beta, the, dthe, ddthe); }
};

// The three-joint arm with its output point as link 4: J2 twisted by 90° about x.
chain three_joint_arm() {
  chain c;
  c.n = 4;
  c.hz(2) = 2;
  c.hy(3) = 2;
  c.hy(4) = 1;
  c.alfa(2) = rad(90);
  return c;
}

TEST(SerialChain, ThreeJointArmAtZero) {
  const chain c = three_joint_arm();
  const kin_state p = c.point();
  EXPECT_NEAR(p.x, 0, kRoundoff);
  EXPECT_NEAR(p.y, 0, kRoundoff);
  EXPECT_NEAR(p.z, 5, kRoundoff);
  const kin_state s = c.posture();
  EXPECT_NEAR(s.x, rad(90), kRoundoff);
  EXPECT_NEAR(s.y, 0, kRoundoff);
  EXPECT_NEAR(s.z, 0, kRoundoff);
}

TEST(SerialChain, JointOfLinkNDoesNotMoveItsOrigin) {
  chain c;
  c.n = 1;
  c.hx(1) = 1.5, c.hy(1) = -2, c.hz(1) = 0.25;
  c.alfa(1) = 0.4, c.beta(1) = -0.3;
  for (double theta : {0.0, 1.0, -2.5}) {
    c.the(1) = theta;
    c.dthe(1) = 3;
    c.ddthe(1) = -4;
    const kin_state p = c.point();
    EXPECT_EQ(p.x, 1.5) << "theta " << theta;
    EXPECT_EQ(p.y, -2) << "theta " << theta;
    EXPECT_EQ(p.z, 0.25) << "theta " << theta;
    EXPECT_EQ(p.dx, 0) << "theta " << theta;
    EXPECT_EQ(p.ddz, 0) << "theta " << theta;
  }
  // The last joint of the arm changes its posture but not the output point's origin.
  chain arm = three_joint_arm();
  arm.the(4) = 1.2;
  const kin_state p = arm.point();
  EXPECT_NEAR(p.z, 5, kRoundoff);
  EXPECT_NEAR(arm.posture().z, 1.2, kRoundoff);
}

TEST(SerialChain, ZeroJointRatesGiveZeroRates) {
  chain c = three_joint_arm();
  c.the(1) = 0.5, c.the(2) = -1.1, c.the(3) = 2.0;
  c.beta(3) = 0.3;
  const kin_state p = c.point(), s = c.posture();
  for (double f : {p.dx, p.ddx, p.dy, p.ddy, p.dz, p.ddz, s.dx, s.ddx, s.dy, s.ddy, s.dz, s.ddz})
    EXPECT_EQ(f, 0);
}

TEST(SerialChain, RatesMatchCentralDifferences) {
  // A six-joint chain with all twists and offsets non-zero and every joint moving.
  const test::wave joints[6] = {{0.3, 0.8, 1.1, 0.0}, {-0.6, 0.5, 1.7, 0.4}, {1.0, 0.7, 0.9, -0.3},
                                {0.2, 1.2, 1.3, 1.0}, {-0.4, 0.6, 2.0, 0.2}, {0.9, 0.9, 0.6, -1.2}};
  chain c;
  c.n = 6;
  for (int i = 1; i <= 6; ++i) {
    c.hx(i) = 0.3 * i, c.hy(i) = 1.0 - 0.2 * i, c.hz(i) = 0.5 + 0.1 * i;
    c.alfa(i) = 0.25 * i - 0.6, c.beta(i) = 0.3 - 0.1 * i;
  }
  auto at = [&](double t) {
    chain m = c;
    for (int i = 1; i <= 6; ++i) {
      m.the(i) = joints[i - 1].at(t);
      m.dthe(i) = joints[i - 1].rate(t);
      m.ddthe(i) = joints[i - 1].accel(t);
    }
    return m;
  };
  kin_state start;  // a moving point carried by the last link
  start.x = 0.2, start.dx = 0.1, start.ddx = -0.3, start.z = 0.7;
  for (double t : {0.0, 0.4, 1.3}) {
    EXPECT_TRUE(test::kin_state_rates_match([&](double u) { return at(u).point(); }, t,
                                            "chain_point origin"));
    EXPECT_TRUE(test::kin_state_rates_match(
        [&](double u) {
          kin_state s = start;
          s.x += start.dx * u + start.ddx * u * u / 2;  // keeps start.dx, ddx consistent
          s.dx = start.dx + start.ddx * u;
          return at(u).point(s);
        },
        t, "chain_point moving start"));
    EXPECT_TRUE(test::kin_state_rates_match([&](double u) { return at(u).posture(); }, t,
                                            "chain_posture_serial"));
  }
}

}  // namespace
}  // namespace kinelab

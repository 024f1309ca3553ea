// The general joint chain: the built-in arms as chains, DH tables against orocos KDL where it
// is installed, rates against central differences and the Jacobian against the propagated
// velocity.
#include "mechanisms/serial/joint_chain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_forward.h"
#include "mechanisms/serial/serial_frames.h"
#include "mechanisms/serial/serial_window.h"
#include "support/finite_difference.h"

#ifdef KINELAB_HAVE_KDL
#include <kdl/frames.hpp>
#endif

namespace kinelab {
namespace {

// Both sides are short products of the same rotations and offsets of order one: they differ by
// rounding only.
constexpr double kSamePose = 1e-12;

// A built-in arm as a chain: link k's offset and twist before joint k, P's offset as the tool.
joint_chain chain_of(const serial_arm& arm) {
  joint_chain c;
  c.joints = arm.links - 1;
  for (int k = 1; k <= c.joints; ++k) {
    c.joint[k].fixed.R = rotation_matrix(arm.alfa(k), arm.beta(k), 0);
    c.joint[k].fixed.t(1) = arm.hx(k), c.joint[k].fixed.t(2) = arm.hy(k);
    c.joint[k].fixed.t(3) = arm.hz(k);
  }
  c.tool.t(1) = arm.hx(arm.links), c.tool.t(2) = arm.hy(arm.links);
  c.tool.t(3) = arm.hz(arm.links);
  return c;
}

// Relative to the value: posture rates grow large near β = ±90°.
void expect_same_state(const kin_state& a, const kin_state& b, double tolerance,
                       const std::string& what) {
  const double av[] = {a.x, a.dx, a.ddx, a.y, a.dy, a.ddy, a.z, a.dz, a.ddz};
  const double bv[] = {b.x, b.dx, b.ddx, b.y, b.dy, b.ddy, b.z, b.dz, b.ddz};
  for (int i = 0; i < 9; ++i)
    EXPECT_NEAR(av[i], bv[i], tolerance * std::fmax(1.0, std::fabs(bv[i])))
        << what << ", component " << i;
}

joint_motion random_motion(std::mt19937& rng, int joints) {
  std::uniform_real_distribution<double> u(-1, 1);
  joint_motion m;
  for (int k = 1; k <= joints; ++k) m.q(k) = 3 * u(rng), m.dq(k) = u(rng), m.ddq(k) = u(rng);
  return m;
}

TEST(joint_chain, built_in_arms_agree_with_their_link_chains) {
  for (const window_decl& decl : {form_3r_jun(), form_6r_jun()}) {
    sim_window w(decl);
    const int joints = decl.name == "form_3r_jun" ? 3 : 6;
    serial_arm arm =
        read_link_table(w.ctl, joints == 3 ? three_axis_link_groups() : six_axis_link_groups());
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> twist(-1.5, 1.5);
    // The defaults, then twisted about y as well, which the table allows.
    for (int variant = 0; variant < 2; ++variant) {
      if (variant == 1)
        for (int k = 1; k <= joints; ++k) arm.beta(k) = twist(rng);
      const joint_chain c = chain_of(arm);
      for (int trial = 0; trial < 50; ++trial) {
        const joint_motion m = random_motion(rng, joints);
        link_array the, dthe, ddthe;
        for (int k = 1; k <= joints; ++k) the(k) = m.q(k), dthe(k) = m.dq(k), ddthe(k) = m.ddq(k);
        kin_state points[max_links + 1], posture;
        chain_points_all(arm, the, dthe, ddthe, points, posture);
        const chain_state s = chain_motion(c, m);
        const std::string at =
            decl.name + " variant " + std::to_string(variant) + " trial " + std::to_string(trial);
        expect_same_state(s.tool, points[arm.links], kSamePose, at + " tool point");
        expect_same_state(s.posture, posture, kSamePose, at + " posture");
      }
    }
  }
}

// A path through joint space whose values, rates and accelerations are known exactly.
joint_motion motion_at(double t, int joints) {
  joint_motion m;
  for (int k = 1; k <= joints; ++k) {
    const double w = 0.7 + 0.3 * k, a = 0.4 + 0.1 * k;
    m.q(k) = a * std::sin(w * t + k);
    m.dq(k) = a * w * std::cos(w * t + k);
    m.ddq(k) = -a * w * w * std::sin(w * t + k);
  }
  return m;
}

struct dh_case {
  const char* name;
  dh_convention convention;
  std::vector<dh_row> rows;
};

std::vector<dh_case> dh_cases() {
  const auto P = joint_kind::prismatic;
  return {
      {"six revolute, standard",
       dh_convention::standard,
       {{0, pi / 2, 0.4, 0},
        {0.35, 0, 0, -pi / 2},
        {0.05, pi / 2, 0, 0},
        {0, -pi / 2, 0.4, 0},
        {0, pi / 2, 0, 0},
        {0, 0, 0.08, pi}}},
      {"seven revolute, modified",
       dh_convention::modified,
       {{0, 0, 0.333, 0},
        {0, -pi / 2, 0, 0},
        {0, pi / 2, 0.316, 0},
        {0.0825, pi / 2, 0, 0},
        {-0.0825, -pi / 2, 0.384, 0},
        {0, pi / 2, 0, 0},
        {0.088, pi / 2, 0.107, 0.3}}},
      {"with prismatic joints, standard",
       dh_convention::standard,
       {{0.2, pi / 2, 0.3, 0.1}, {0, -pi / 2, 0.5, pi / 2, P}, {0.1, 0.3, 0.2, 0, P}}},
      {"with prismatic joints, modified",
       dh_convention::modified,
       {{0.1, 0.2, 0.3, 0.4}, {0.2, pi / 2, 0.1, 0.5, P}, {0.3, -0.4, 0.2, 0}}},
  };
}

rigid_transform some_base() {
  rigid_transform b;
  b.R = rotation_matrix(-0.3, 0.2, 0.1);
  b.t(1) = 0.1, b.t(2) = 0.2, b.t(3) = -0.05;
  return b;
}

rigid_transform some_tool() {
  rigid_transform t;
  t.R = rotation_matrix(0.1, -0.2, 0.3);
  t.t(1) = 0.01, t.t(2) = -0.02, t.t(3) = 0.05;
  return t;
}

TEST(joint_chain, rates_match_differences_and_the_jacobian_gives_the_velocity) {
  for (const dh_case& c : dh_cases()) {
    SCOPED_TRACE(c.name);
    const joint_chain chain = chain_from_dh(c.rows, c.convention, some_base(), some_tool());
    const int n = chain.joints;
    const auto at = [&](double t) { return chain_motion(chain, motion_at(t, n)); };
    for (double t : {0.0, 0.37, 1.2}) {
      const chain_state s = at(t);
      double kin_state::*values[] = {&kin_state::x, &kin_state::y, &kin_state::z};
      double kin_state::*rates[] = {&kin_state::dx, &kin_state::dy, &kin_state::dz};
      double kin_state::*accels[] = {&kin_state::ddx, &kin_state::ddy, &kin_state::ddz};
      for (int i = 0; i < 3; ++i) {
        const std::string axis(1, "xyz"[i]);
        EXPECT_TRUE(test::rates_match([&](double u) { return at(u).tool.*values[i]; }, t,
                                      s.tool.*rates[i], s.tool.*accels[i], "tool " + axis));
        EXPECT_TRUE(test::rates_match([&](double u) { return at(u).posture.*values[i]; }, t,
                                      s.posture.*rates[i], s.posture.*accels[i],
                                      "posture " + axis));
      }

      mat<6, max_chain_joints> J;
      chain_jacobian(chain, s, J);
      const joint_motion m = motion_at(t, n);
      const double velocity[] = {s.tool.dx,  s.tool.dy,  s.tool.dz,
                                 s.omega(1), s.omega(2), s.omega(3)};
      for (int i = 1; i <= 6; ++i) {
        double Jq = 0;
        for (int k = 1; k <= n; ++k) Jq += J(i, k) * m.dq(k);
        EXPECT_NEAR(Jq, velocity[i - 1], kSamePose) << "row " << i << " at t=" << t;
      }
    }
  }
}

// The pose's Jacobian and second-order table, built once per set of values for the solvers,
// give the rates and accelerations chain_motion propagates: J·q̇ and J·q̈ + H·(q̇ products).
TEST(joint_chain, pose_derivatives_give_the_propagated_rates) {
  std::mt19937 rng(5);
  for (const dh_case& c : dh_cases()) {
    SCOPED_TRACE(c.name);
    const joint_chain chain = chain_from_dh(c.rows, c.convention, some_base(), some_tool());
    const int n = chain.joints;
    for (int trial = 0; trial < 20; ++trial) {
      const joint_motion m = random_motion(rng, n);
      const chain_state s = chain_motion(chain, m);
      chain_pose p;
      build_pose(chain, m.q, p);
      mat<6, max_chain_joints> J;
      mat<6, max_chain_products> H;
      pose_jacobian(chain, p, J);
      pose_quadratic_terms(chain, p, H);
      std::vector<double> w;  // squares, then pairs i < j
      for (int k = 1; k <= n; ++k) w.push_back(m.dq(k) * m.dq(k));
      for (int i = 1; i < n; ++i)
        for (int j = i + 1; j <= n; ++j) w.push_back(m.dq(i) * m.dq(j));
      const kin_state* parts[] = {&s.tool, &s.posture};
      for (int r = 1; r <= 6; ++r) {
        const kin_state& k = *parts[(r - 1) / 3];
        const double rate[] = {k.dx, k.dy, k.dz}, accel[] = {k.ddx, k.ddy, k.ddz};
        const double value[] = {k.x, k.y, k.z};
        const double pose_value[] = {p.P(1), p.P(2), p.P(3), p.angles.a, p.angles.b, p.angles.c};
        double Jq = 0, a = 0;
        for (int j = 1; j <= n; ++j) Jq += J(r, j) * m.dq(j), a += J(r, j) * m.ddq(j);
        for (std::size_t col = 0; col < w.size(); ++col)
          a += H(r, static_cast<int>(col) + 1) * w[col];
        const int i = (r - 1) % 3;
        EXPECT_EQ(pose_value[r - 1], value[i]) << "row " << r;
        EXPECT_NEAR(Jq, rate[i], kSamePose * std::fmax(1, std::fabs(rate[i]))) << "row " << r;
        EXPECT_NEAR(a, accel[i], kSamePose * std::fmax(1, std::fabs(accel[i]))) << "row " << r;
      }
    }
  }
}

#ifdef KINELAB_HAVE_KDL
// The tool frame by KDL's own DH frames, the joint's value added to θ or d.
KDL::Frame kdl_tool_frame(const dh_case& c, const joint_motion& m, const rigid_transform& tool) {
  const rigid_transform base = some_base();
  const KDL::Rotation B(base.R(1, 1), base.R(1, 2), base.R(1, 3), base.R(2, 1), base.R(2, 2),
                        base.R(2, 3), base.R(3, 1), base.R(3, 2), base.R(3, 3));
  KDL::Frame T(B, KDL::Vector(base.t(1), base.t(2), base.t(3)));
  for (std::size_t i = 0; i < c.rows.size(); ++i) {
    const dh_row& r = c.rows[i];
    const double q = m.q(static_cast<int>(i) + 1);
    const bool revolute = r.kind == joint_kind::revolute;
    const double d = revolute ? r.d : r.d + q, theta = revolute ? r.theta + q : r.theta;
    T = T * (c.convention == dh_convention::standard
                 ? KDL::Frame::DH(r.a, r.alpha, d, theta)
                 : KDL::Frame::DH_Craig1989(r.a, r.alpha, d, theta));
  }
  const KDL::Rotation R(tool.R(1, 1), tool.R(1, 2), tool.R(1, 3), tool.R(2, 1), tool.R(2, 2),
                        tool.R(2, 3), tool.R(3, 1), tool.R(3, 2), tool.R(3, 3));
  return T * KDL::Frame(R, KDL::Vector(tool.t(1), tool.t(2), tool.t(3)));
}

TEST(joint_chain, dh_tables_agree_with_kdl) {
  std::mt19937 rng(11);
  for (const dh_case& c : dh_cases()) {
    SCOPED_TRACE(c.name);
    const joint_chain chain = chain_from_dh(c.rows, c.convention, some_base(), some_tool());
    for (int trial = 0; trial < 1000; ++trial) {
      const joint_motion m = random_motion(rng, chain.joints);
      const chain_state s = chain_motion(chain, m);
      const KDL::Frame k = kdl_tool_frame(c, m, some_tool());
      EXPECT_NEAR(s.tool.x, k.p.x(), kSamePose);
      EXPECT_NEAR(s.tool.y, k.p.y(), kSamePose);
      EXPECT_NEAR(s.tool.z, k.p.z(), kSamePose);
      for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(s.R(i, j), k.M(i - 1, j - 1), kSamePose);
    }
  }
}
#endif

}  // namespace
}  // namespace kinelab

// Arms read from URDF: the built-in six-axis arm written as a URDF gives its own chain, axes
// other than z turn the right way, and what cannot be an arm is refused by name.
#include "mechanisms/serial/urdf_chain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_forward.h"
#include "mechanisms/serial/serial_frames.h"
#include "mechanisms/serial/serial_window.h"

namespace kinelab {
namespace {

// Short products of the same rotations and offsets of order one.
constexpr double kSamePose = 1e-12;

std::string link(const std::string& name) {
  return "  <link name=\"" + name + "\"/>\n";
}
std::string joint(const std::string& name, const std::string& type, const std::string& parent,
                  const std::string& child, const std::string& xyz, const std::string& rpy,
                  const std::string& axis = "0 0 1", const std::string& extra = "") {
  return "  <joint name=\"" + name + "\" type=\"" + type + "\">\n    <parent link=\"" + parent +
         "\"/>\n    <child link=\"" + child + "\"/>\n    <origin xyz=\"" + xyz + "\" rpy=\"" + rpy +
         "\"/>\n    <axis xyz=\"" + axis + "\"/>\n" + extra + "  </joint>\n";
}
std::string robot(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<robot name=\"arm\">\n" + body + "</robot>\n";
}
const std::string limit = "    <limit lower=\"-3\" upper=\"3\" effort=\"1\" velocity=\"1\"/>\n";

// The built-in arm's link table as a URDF: joint k at offset h_k turned by Rx(α_k)·Ry(β_k)
// (rpy = (α, 0, 0) while β = 0), P as a fixed joint to the tool link.
std::string urdf_of(const serial_arm& arm) {
  std::ostringstream out;
  out.precision(17);
  std::string body = link("base");
  std::string parent = "base";
  for (int k = 1; k < arm.links; ++k) {
    std::ostringstream xyz, rpy;
    xyz.precision(17), rpy.precision(17);
    xyz << arm.hx(k) << ' ' << arm.hy(k) << ' ' << arm.hz(k);
    rpy << arm.alfa(k) << " 0 0";
    const std::string child = "link" + std::to_string(k);
    body += link(child) + joint("j" + std::to_string(k), "revolute", parent, child, xyz.str(),
                                rpy.str(), "0 0 1", limit);
    parent = child;
  }
  std::ostringstream xyz;
  xyz.precision(17);
  xyz << arm.hx(arm.links) << ' ' << arm.hy(arm.links) << ' ' << arm.hz(arm.links);
  body += link("tool") + joint("tool_joint", "fixed", parent, "tool", xyz.str(), "0 0 0");
  return robot(body);
}

TEST(urdf_chain, the_six_axis_arm_as_a_urdf_moves_as_the_built_in_arm) {
  sim_window w(form_6r_jun());
  const serial_arm arm = read_link_table(w.ctl, six_axis_link_groups());
  const urdf_arm u = read_urdf_arm(urdf_of(arm));
  ASSERT_EQ(u.chain.joints, 6);
  EXPECT_EQ(u.base, "base");
  EXPECT_EQ(u.tip, "tool");
  EXPECT_EQ(u.joint_names.front(), "j1");
  EXPECT_TRUE(u.limits.front().limited);
  EXPECT_EQ(u.limits.front().upper, 3);
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> v(-3, 3);
  for (int trial = 0; trial < 200; ++trial) {
    joint_motion m;
    link_array the, dthe, ddthe;
    for (int k = 1; k <= 6; ++k) {
      m.q(k) = the(k) = v(rng), m.dq(k) = dthe(k) = v(rng), m.ddq(k) = ddthe(k) = v(rng);
    }
    kin_state points[max_links + 1], posture;
    chain_points_all(arm, the, dthe, ddthe, points, posture);
    const chain_state s = chain_motion(u.chain, m);
    const kin_state& p = points[arm.links];
    const double got[] = {s.tool.x,   s.tool.dx, s.tool.ddx, s.tool.y,  s.tool.dy,
                          s.tool.ddy, s.tool.z,  s.tool.dz,  s.tool.ddz};
    const double want[] = {p.x, p.dx, p.ddx, p.y, p.dy, p.ddy, p.z, p.dz, p.ddz};
    for (int i = 0; i < 9; ++i)
      EXPECT_NEAR(got[i], want[i], kSamePose * std::fmax(1.0, std::fabs(want[i])))
          << "trial " << trial << ", component " << i;
    EXPECT_NEAR(s.posture.x, posture.x, kSamePose);
    EXPECT_NEAR(s.posture.y, posture.y, kSamePose);
    EXPECT_NEAR(s.posture.z, posture.z, kSamePose);
  }
}

// One joint about or along a tilted axis, with the tool 0.3 out along x: the tool goes where
// turning (or sliding) about that axis takes it.
TEST(urdf_chain, joints_move_about_and_along_their_own_axes) {
  const struct {
    const char* type;
    const char* axis;
    double ux, uy, uz;
  } cases[] = {
      {"revolute", "0 1 0", 0, 1, 0},    {"revolute", "0 0 -1", 0, 0, -1},
      {"continuous", "1 1 0", 1, 1, 0},  {"prismatic", "0 2 0", 0, 1, 0},
      {"prismatic", "-1 0 0", -1, 0, 0}, {"revolute", "0 0 1", 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " about " + c.axis);
    const std::string xml = robot(link("a") + link("b") + link("t") +
                                  joint("j", c.type, "a", "b", "0 0 0.1", "0 0 0", c.axis, limit) +
                                  joint("f", "fixed", "b", "t", "0.3 0 0", "0 0 0"));
    const urdf_arm u = read_urdf_arm(xml);
    ASSERT_EQ(u.chain.joints, 1);
    EXPECT_EQ(u.limits.front().limited, std::string(c.type) != "continuous");
    const double n = std::sqrt(c.ux * c.ux + c.uy * c.uy + c.uz * c.uz);
    const double ux = c.ux / n, uy = c.uy / n, uz = c.uz / n;
    const double q = 0.7;
    joint_motion m;
    m.q(1) = q;
    const chain_state s = chain_motion(u.chain, m);
    double x = 0.3, y = 0, z = 0;
    if (std::string(c.type) == "prismatic") {
      x += q * ux, y += q * uy, z += q * uz;
    } else {
      // Rodrigues: v cos q + (u × v) sin q + u (u·v)(1 − cos q), v = (0.3, 0, 0).
      const double cq = std::cos(q), sq = std::sin(q), uv = ux * 0.3;
      x = 0.3 * cq + 0 * sq + ux * uv * (1 - cq);
      y = (uz * 0.3) * sq + uy * uv * (1 - cq);
      z = (-uy * 0.3) * sq + uz * uv * (1 - cq);
    }
    EXPECT_NEAR(s.tool.x, x, kSamePose);
    EXPECT_NEAR(s.tool.y, y, kSamePose);
    EXPECT_NEAR(s.tool.z, z + 0.1, kSamePose);
  }
}

// Each message names the element at fault by its line (robot() puts the body on line 3; a
// joint() takes six lines, one more with a limit); a link the caller names and the URDF lacks
// has none.
TEST(urdf_chain, what_cannot_be_an_arm_is_refused_by_name_and_line) {
  const std::string two = link("a") + link("b") + link("c");
  const std::string j1 = joint("j1", "revolute", "a", "b", "0 0 0", "0 0 0", "0 0 1", limit);
  const struct {
    const char* what;
    std::string xml, base, tip;
    const char* message;  // empty: the parser's own words
    int line;
  } cases[] = {
      {"floating",
       robot(two + joint("j1", "floating", "a", "b", "0 0 0", "0 0 0") +
             joint("j2", "revolute", "b", "c", "0 0 0", "0 0 0", "0 0 1", limit)),
       "", "", "joint j1: a floating joint cannot be part of a serial arm", 6},
      {"planar", robot(two + j1 + joint("j2", "planar", "b", "c", "0 0 0", "0 0 0")), "", "",
       "joint j2: a planar joint cannot be part of a serial arm", 13},
      {"mimic",
       robot(two + j1 +
             joint("j2", "revolute", "b", "c", "0 0 0", "0 0 0", "0 0 1",
                   limit + "    <mimic joint=\"j1\"/>\n")),
       "", "", "joint j2: mimic joints are not supported", 13},
      {"several leaves",
       robot(two + j1 + joint("j2", "revolute", "a", "c", "0 0 0", "0 0 0", "0 0 1", limit)), "",
       "", "several leaves below a (b, c): name the tip in a mechanism file", 3},
      {"no such tip", robot(link("a") + link("b") + j1), "", "z", "no link z", 0},
      {"base beside the tip",
       robot(two + j1 + joint("j2", "revolute", "a", "c", "0 0 0", "0 0 0", "0 0 1", limit)), "b",
       "c", "link b is not on the way from the root to c", 4},
      {"only fixed joints",
       robot(link("a") + link("b") + joint("f", "fixed", "a", "b", "0 0 0", "0 0 0")), "", "",
       "no moving joint between a and b", 4},
      {"two parents",
       robot(two + j1 + joint("j2", "revolute", "c", "b", "0 0 0", "0 0 0", "0 0 1", limit)), "",
       "", "link b is the child of both j1 and j2: a closed chain cannot be a serial arm", 13},
      {"loop",
       robot(two + joint("j0", "fixed", "a", "c", "0 0 0", "0 0 0") +
             joint("j3", "revolute", "b", "a", "0 0 0", "0 0 0", "0 0 1", limit) + j1),
       "", "", "the joints j3, j1 close a loop: a closed chain cannot be a serial arm", 12},
      {"child link missing", robot(link("a") + j1), "", "", "", 4},
      {"joint twice", robot(two + j1 + j1), "", "", "", 13},
      {"link twice", robot(two + link("b")), "", "", "", 6},
      {"not XML", robot(link("a") + "  <link name=\"b\">\n"), "", "", "", 5},  // at </robot>
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      read_urdf_arm(c.xml, c.base, c.tip);
      ADD_FAILURE() << "accepted";
    } catch (const urdf_error& e) {
      if (*c.message)
        EXPECT_EQ(std::string(e.what()), c.message);
      else
        EXPECT_NE(std::string(e.what()), "");
      EXPECT_EQ(e.line, c.line) << e.what();
    }
  }
  EXPECT_THROW(read_urdf_arm("not xml"), urdf_error);
  // In Japanese the parser's own words come after a word of what they are, at the same line.
  try {
    read_urdf_arm(robot(link("a") + j1), "", "", ui_language::japanese);
    ADD_FAILURE() << "accepted";
  } catch (const urdf_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("URDF を解析できません: ", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find("j1"), std::string::npos) << e.what();
    EXPECT_EQ(e.line, 4);
  }
}

}  // namespace
}  // namespace kinelab

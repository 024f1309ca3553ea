// The example arms of examples/mechanisms: forward kinematics against orocos KDL where it is
// installed (the DH tables through KDL's own DH frames, the URDF files through their joint
// origins as urdfdom reads them), and the DH and URDF versions of one arm against each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "core/angles.h"
#include "mechanisms/serial/arm_file.h"

#ifdef KINELAB_HAVE_KDL
#include <urdf_model/model.h>
#include <urdf_parser/urdf_parser.h>

#include <kdl/frames.hpp>
#endif

namespace kinelab {
namespace {

namespace fs = std::filesystem;

const fs::path examples = fs::path(KINELAB_SOURCE_DIR) / "examples" / "mechanisms";

// Every arm of the examples: the URDF files and the mechanism files of kind "serial arm".
std::vector<fs::path> example_arms() {
  std::vector<fs::path> arms;
  for (const fs::directory_entry& e : fs::directory_iterator(examples)) {
    const fs::path& p = e.path();
    if (p.extension() == ".urdf") {
      arms.push_back(p);
    } else if (p.extension() == ".json") {
      std::ifstream in(p);
      if (nlohmann::json::parse(in).value("kind", "") == "serial arm") arms.push_back(p);
    }
  }
  std::sort(arms.begin(), arms.end());
  return arms;
}

// Joint values drawn within the file's limits (±π where a joint has none).
vec<max_chain_joints> random_joints(const arm_file& arm, std::mt19937& rng) {
  vec<max_chain_joints> q;
  for (int k = 1; k <= arm.joints(); ++k) {
    const joint_limit& l = arm.limits[static_cast<std::size_t>(k - 1)];
    std::uniform_real_distribution<double> u(l.limited ? l.lower : -pi, l.limited ? l.upper : pi);
    q(k) = u(rng);
  }
  return q;
}

chain_state pose_at(const arm_file& arm, const vec<max_chain_joints>& q) {
  joint_motion m;
  m.q = q;
  return chain_motion(arm.chain, m);
}

// Lengths of order one, products of a few rotations: rounding only.
constexpr double kSamePose = 1e-12;

void expect_same_frame(const chain_state& a, const chain_state& b, const std::string& at) {
  EXPECT_NEAR(a.tool.x, b.tool.x, kSamePose) << at;
  EXPECT_NEAR(a.tool.y, b.tool.y, kSamePose) << at;
  EXPECT_NEAR(a.tool.z, b.tool.z, kSamePose) << at;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(a.R(i, j), b.R(i, j), kSamePose) << at;
}

TEST(example_arms, dh_and_urdf_versions_of_one_arm_agree) {
  const std::pair<const char*, const char*> pairs[] = {
      {"builtin_6r_dh.json", "builtin_6r.urdf"},
      {"builtin_6r_dh.json", "builtin_6r_urdf.json"},
      {"ur5_dh.json", "ur5.urdf"},
      {"ur5_dh.json", "ur5_urdf.json"},
  };
  std::mt19937 rng(3);
  for (const auto& [dh, urdf] : pairs) {
    SCOPED_TRACE(std::string(dh) + " against " + urdf);
    const arm_file a = read_arm_file((examples / dh).string());
    const arm_file b = read_arm_file((examples / urdf).string());
    ASSERT_EQ(a.joints(), b.joints());
    for (int trial = 0; trial < 1000; ++trial) {
      const vec<max_chain_joints> q = random_joints(a, rng);
      expect_same_frame(pose_at(a, q), pose_at(b, q), "trial " + std::to_string(trial));
    }
  }
}

#ifdef KINELAB_HAVE_KDL

KDL::Frame frame_of(const nlohmann::json& f) {
  KDL::Frame F;
  if (f.contains("xyz")) F.p = KDL::Vector(f["xyz"][0], f["xyz"][1], f["xyz"][2]);
  if (f.contains("rpy_deg"))
    F.M = KDL::Rotation::RPY(rad(f["rpy_deg"][0]), rad(f["rpy_deg"][1]), rad(f["rpy_deg"][2]));
  return F;
}

// The tool frame by KDL's DH frames from the file's own rows, the joint's value added to θ or d.
KDL::Frame kdl_dh_tool(const nlohmann::json& file, const vec<max_chain_joints>& q) {
  const bool standard = file["convention"] == "standard";
  KDL::Frame T = file.contains("base") ? frame_of(file["base"]) : KDL::Frame::Identity();
  int k = 0;
  for (const nlohmann::json& row : file["joints"]) {
    const double v = q(++k);
    const bool revolute = row["type"] == "revolute";
    const double a = row["a"], alpha = rad(row["alpha_deg"]);
    const double d = revolute ? double(row["d"]) : double(row["d"]) + v;
    const double theta = revolute ? rad(row["theta_deg"]) + v : rad(row["theta_deg"]);
    T = T * (standard ? KDL::Frame::DH(a, alpha, d, theta)
                      : KDL::Frame::DH_Craig1989(a, alpha, d, theta));
  }
  return file.contains("tool") ? T * frame_of(file["tool"]) : T;
}

// The tool frame by KDL from the URDF's joint origins and axes, root to its one leaf.
KDL::Frame kdl_urdf_tool(const urdf::ModelInterface& model, const vec<max_chain_joints>& q) {
  std::vector<urdf::JointConstSharedPtr> path;
  urdf::LinkConstSharedPtr l = model.getRoot();
  while (!l->child_joints.empty()) {
    path.push_back(l->child_joints.front());
    l = l->child_links.front();
  }
  KDL::Frame T = KDL::Frame::Identity();
  int k = 0;
  for (const urdf::JointConstSharedPtr& j : path) {
    const urdf::Pose& o = j->parent_to_joint_origin_transform;
    T = T * KDL::Frame(
                KDL::Rotation::Quaternion(o.rotation.x, o.rotation.y, o.rotation.z, o.rotation.w),
                KDL::Vector(o.position.x, o.position.y, o.position.z));
    const KDL::Vector axis(j->axis.x, j->axis.y, j->axis.z);
    if (j->type == urdf::Joint::REVOLUTE || j->type == urdf::Joint::CONTINUOUS)
      T = T * KDL::Frame(KDL::Rotation::Rot(axis, q(++k)));
    else if (j->type == urdf::Joint::PRISMATIC)
      T = T * KDL::Frame(axis * q(++k));
  }
  return T;
}

chain_state state_of(const KDL::Frame& F) {
  chain_state s;
  s.tool.x = F.p.x(), s.tool.y = F.p.y(), s.tool.z = F.p.z();
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) s.R(i, j) = F.M(i - 1, j - 1);
  return s;
}

TEST(example_arms, forward_kinematics_agrees_with_kdl) {
  std::mt19937 rng(17);
  for (const fs::path& path : example_arms()) {
    SCOPED_TRACE(path.filename().string());
    const arm_file arm = read_arm_file(path.string());
    nlohmann::json file;
    fs::path urdf = path;
    if (path.extension() == ".json") {
      std::ifstream in(path);
      file = nlohmann::json::parse(in);
      if (file.contains("urdf")) urdf = path.parent_path() / file["urdf"].get<std::string>();
    }
    urdf::ModelInterfaceSharedPtr model;
    if (urdf.extension() == ".urdf") {
      model = urdf::parseURDFFile(urdf.string());
      ASSERT_TRUE(model);
    }
    for (int trial = 0; trial < 1000; ++trial) {
      const vec<max_chain_joints> q = random_joints(arm, rng);
      const KDL::Frame k = model ? kdl_urdf_tool(*model, q) : kdl_dh_tool(file, q);
      expect_same_frame(pose_at(arm, q), state_of(k), "trial " + std::to_string(trial));
    }
  }
}

#else

TEST(example_arms, forward_kinematics_agrees_with_kdl) {
  GTEST_SKIP() << "orocos KDL is not installed (Debian: liborocos-kdl-dev): the example arms are "
                  "not held to it";
}

#endif

}  // namespace
}  // namespace kinelab

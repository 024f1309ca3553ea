#include "mechanisms/serial/urdf_chain.h"

#include <console_bridge/console.h>
#include <urdf_parser/urdf_parser.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "core/posture.h"

namespace kinelab {

namespace {

// The parser reports through console_bridge; its last error is kept for our message instead of
// going to the terminal.
class parser_messages : public console_bridge::OutputHandler {
 public:
  void log(const std::string& text, console_bridge::LogLevel level, const char*, int) override {
    if (level >= console_bridge::CONSOLE_BRIDGE_LOG_ERROR && last_error.empty()) last_error = text;
  }
  std::string last_error;
};

urdf::ModelInterfaceSharedPtr parse(const std::string& xml) {
  // console_bridge's handler is process-wide: one parse at a time.
  static std::mutex one_at_a_time;
  const std::lock_guard<std::mutex> lock(one_at_a_time);
  parser_messages messages;
  console_bridge::useOutputHandler(&messages);
  urdf::ModelInterfaceSharedPtr model = urdf::parseURDF(xml);
  console_bridge::restorePreviousOutputHandler();
  if (!model)
    throw urdf_error(messages.last_error.empty() ? "not a URDF robot description"
                                                 : messages.last_error);
  return model;
}

rigid_transform transform_of(const urdf::Pose& p) {
  rigid_transform f;
  const double x = p.rotation.x, y = p.rotation.y, z = p.rotation.z, w = p.rotation.w;
  const double n = std::sqrt(x * x + y * y + z * z + w * w);
  const double a = x / n, b = y / n, c = z / n, d = w / n;
  f.R = mat3_of(1 - 2 * (b * b + c * c), 2 * (a * b - c * d), 2 * (a * c + b * d),
                2 * (a * b + c * d), 1 - 2 * (a * a + c * c), 2 * (b * c - a * d),
                2 * (a * c - b * d), 2 * (b * c + a * d), 1 - 2 * (a * a + b * b));
  f.t(1) = p.position.x, f.t(2) = p.position.y, f.t(3) = p.position.z;
  return f;
}

rigid_transform rotation_only(const mat3& R) {
  rigid_transform f;
  f.R = R;
  return f;
}

mat3 transposed(const mat3& R) {
  mat3 T;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) T(i, j) = R(j, i);
  return T;
}

// A rotation U with U·e_z = u (u a unit vector): about e_z × u by the angle between them.
mat3 turning_z_onto(const vec3& u) {
  mat3 U;
  mat_identity(3, U);
  const double c = u(3), s = std::hypot(u(1), u(2));
  if (s == 0) return c > 0 ? U : rot_x(pi);
  // Unit axis k = (−u_y, u_x, 0)/s; Rodrigues: U = I + s·[k]× + (1 − c)·[k]×².
  const double kx = -u(2) / s, ky = u(1) / s;
  const mat3 K = mat3_of(0, 0, ky, 0, 0, -kx, -ky, kx, 0);
  mat3 K2;
  mat_mul(3, K, K, K2);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) U(i, j) += s * K(i, j) + (1 - c) * K2(i, j);
  return U;
}

const char* refused_kind(int type) {
  switch (type) {
    case urdf::Joint::FLOATING:
      return "a floating joint";
    case urdf::Joint::PLANAR:
      return "a planar joint";
    case urdf::Joint::UNKNOWN:
      return "a joint of unknown type";
    default:
      return nullptr;
  }
}

// The leaves below `link`.
void leaves_below(const urdf::LinkConstSharedPtr& link, std::vector<std::string>& out) {
  if (link->child_links.empty()) out.push_back(link->name);
  for (const urdf::LinkSharedPtr& child : link->child_links) leaves_below(child, out);
}

}  // namespace

urdf_arm read_urdf_arm(const std::string& xml, const std::string& base_name,
                       const std::string& tip_name) {
  const urdf::ModelInterfaceSharedPtr model = parse(xml);
  urdf::LinkConstSharedPtr base = base_name.empty() ? model->getRoot() : model->getLink(base_name);
  if (!base) throw urdf_error("no link " + base_name);
  urdf::LinkConstSharedPtr tip;
  if (tip_name.empty()) {
    std::vector<std::string> leaves;
    leaves_below(base, leaves);
    if (leaves.size() != 1) {
      std::string list;
      for (const std::string& l : leaves) list += (list.empty() ? "" : ", ") + l;
      throw urdf_error("several leaves below " + base->name + " (" + list +
                       "): name the tip in a mechanism file");
    }
    tip = model->getLink(leaves.front());
  } else {
    tip = model->getLink(tip_name);
    if (!tip) throw urdf_error("no link " + tip_name);
  }

  // The joints from the tip up to the base, then base outward.
  std::vector<urdf::JointConstSharedPtr> path;
  for (urdf::LinkConstSharedPtr l = tip; l != base; l = l->getParent()) {
    if (!l->parent_joint)
      throw urdf_error("link " + base->name + " is not on the way from the root to " + tip->name);
    path.push_back(l->parent_joint);
  }
  std::reverse(path.begin(), path.end());

  urdf_arm arm;
  arm.base = base->name;
  arm.tip = tip->name;
  rigid_transform pending;  // fixed transforms since the last moving joint
  for (const urdf::JointConstSharedPtr& j : path) {
    if (const char* kind = refused_kind(j->type))
      throw urdf_error("joint " + j->name + ": " + kind + " cannot be part of a serial arm");
    if (j->mimic) throw urdf_error("joint " + j->name + ": mimic joints are not supported");
    pending = compose(pending, transform_of(j->parent_to_joint_origin_transform));
    if (j->type == urdf::Joint::FIXED) continue;

    if (arm.chain.joints == max_chain_joints)
      throw urdf_error("more than " + std::to_string(max_chain_joints) + " moving joints between " +
                       arm.base + " and " + arm.tip);
    vec3 u;
    u(1) = j->axis.x, u(2) = j->axis.y, u(3) = j->axis.z;
    const double length = vec_norm(3, u);
    if (!(length > 0) || !std::isfinite(length))
      throw urdf_error("joint " + j->name + ": its axis has no direction");
    vec_scale(3, u, 1 / length, u);
    const mat3 U = turning_z_onto(u);

    chain_joint& cj = arm.chain.joint[++arm.chain.joints];
    cj.kind = j->type == urdf::Joint::PRISMATIC ? joint_kind::prismatic : joint_kind::revolute;
    cj.fixed = compose(pending, rotation_only(U));
    pending = rotation_only(transposed(U));
    joint_limit limit;
    if (j->type != urdf::Joint::CONTINUOUS && j->limits) {
      limit.limited = true;
      limit.lower = j->limits->lower;
      limit.upper = j->limits->upper;
    }
    arm.limits.push_back(limit);
    arm.joint_names.push_back(j->name);
  }
  if (arm.chain.joints == 0)
    throw urdf_error("no moving joint between " + arm.base + " and " + arm.tip);
  arm.chain.tool = pending;
  return arm;
}

}  // namespace kinelab

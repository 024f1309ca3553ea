#include "mechanisms/serial/urdf_chain.h"

#include <console_bridge/console.h>
#include <tinyxml.h>
#include <urdf_parser/urdf_parser.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>

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

// Where each joint and link stands in the text (urdfdom keeps no lines); the last element of a
// name, which is the one a parser refuses as "not unique".
struct element_lines {
  std::map<std::string, int> joint, link;
  int xml_error = 0;  // where the text stops being XML
  int of_joint(const std::string& name) const { return line_of(joint, name); }
  int of_link(const std::string& name) const { return line_of(link, name); }
  static int line_of(const std::map<std::string, int>& m, const std::string& name) {
    const auto it = m.find(name);
    return it == m.end() ? 0 : it->second;
  }
};

const char* link_of(const TiXmlElement& joint, const char* end) {
  const TiXmlElement* e = joint.FirstChildElement(end);
  return e ? e->Attribute("link") : nullptr;
}

// Reads the elements' lines, and refuses what the parser would take for something else: a link
// that is the child of two joints, or joints that close a loop (the parser finds no root, or
// two, and names neither joint). Text that is not XML is left to the parser to refuse.
element_lines read_element_lines(const std::string& xml, ui_language lang) {
  element_lines lines;
  TiXmlDocument doc;
  doc.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UTF8);
  if (doc.Error()) {
    lines.xml_error = std::max(doc.ErrorRow(), 0);
    return lines;
  }
  const TiXmlElement* robot = doc.FirstChildElement("robot");
  if (!robot) return lines;  // the parser says so
  // child link → its joint; a link's parent link
  std::map<std::string, const TiXmlElement*> parent_joint;
  std::map<std::string, std::string> parent_link;
  std::vector<const TiXmlElement*> joints;
  for (const TiXmlElement* e = robot->FirstChildElement(); e; e = e->NextSiblingElement()) {
    const char* name = e->Attribute("name");
    if (!name) continue;
    if (e->ValueStr() == "link") lines.link[name] = e->Row();
    if (e->ValueStr() != "joint") continue;
    lines.joint[name] = e->Row();
    const char* parent = link_of(*e, "parent");
    const char* child = link_of(*e, "child");
    if (!parent || !child) continue;
    joints.push_back(e);
    const auto [first, fresh] = parent_joint.emplace(child, e);
    if (!fresh)
      throw urdf_error(message(lang, message_id::urdf_two_parents,
                               {child, first->second->Attribute("name"), name}),
                       e->Row());
    parent_link[child] = parent;
  }
  // Up from each link through its parents: meeting a link of the same walk closes a loop.
  enum class mark { walking, done };
  std::map<std::string, mark> seen;
  for (const TiXmlElement* j : joints) {
    std::vector<std::string> walk;
    std::string link = link_of(*j, "child");
    while (!seen.count(link)) {
      seen[link] = mark::walking;
      walk.push_back(link);
      const auto up = parent_link.find(link);
      if (up == parent_link.end()) break;
      link = up->second;
    }
    const auto at = seen.find(link);
    if (at != seen.end() && at->second == mark::walking && parent_link.count(link)) {
      // The loop: from `link` up until it comes round; named in the order of the file.
      std::vector<const TiXmlElement*> loop;
      std::string l = link;
      do {
        loop.push_back(parent_joint.at(l));
        l = parent_link.at(l);
      } while (l != link);
      std::sort(loop.begin(), loop.end(),
                [](const TiXmlElement* a, const TiXmlElement* b) { return a->Row() < b->Row(); });
      std::string names;
      for (const TiXmlElement* e : loop)
        names += (names.empty() ? "" : list_separator(lang)) + std::string(e->Attribute("name"));
      throw urdf_error(message(lang, message_id::urdf_loop, {names}), loop.front()->Row());
    }
    for (const std::string& w : walk) seen[w] = mark::done;
  }
  return lines;
}

// The line of the first joint or link the parser's message names ("joint [j1]", "link 'l1'")
// that the text holds.
int line_in_parser_message(const std::string& text, const element_lines& lines) {
  for (std::size_t open = text.find_first_of("['"); open != std::string::npos;
       open = text.find_first_of("['", open + 1)) {
    const std::size_t close = text.find(text[open] == '[' ? ']' : '\'', open + 1);
    if (close == std::string::npos) break;
    const std::string name = text.substr(open + 1, close - open - 1);
    const std::string before = text.substr(open >= 6 ? open - 6 : 0, open >= 6 ? 6 : open);
    const bool joint = before.find("oint") != std::string::npos;
    const bool link = before.find("link") != std::string::npos;
    if (const int l = joint ? lines.of_joint(name) : link ? lines.of_link(name) : 0) return l;
    open = close;
  }
  return 0;
}

urdf::ModelInterfaceSharedPtr parse(const std::string& xml, const element_lines& lines,
                                    ui_language lang) {
  // console_bridge's handler is process-wide: one parse at a time.
  static std::mutex one_at_a_time;
  const std::lock_guard<std::mutex> lock(one_at_a_time);
  parser_messages messages;
  console_bridge::useOutputHandler(&messages);
  urdf::ModelInterfaceSharedPtr model = urdf::parseURDF(xml);
  console_bridge::restorePreviousOutputHandler();
  if (!model) {
    if (messages.last_error.empty()) throw urdf_error(message(lang, message_id::urdf_not_a_robot));
    const int line = line_in_parser_message(messages.last_error, lines);
    throw urdf_error(message(lang, message_id::urdf_parser_report, {messages.last_error}),
                     line ? line : lines.xml_error);
  }
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

// The kind of a joint a serial arm cannot hold; nothing for the others.
std::optional<message_id> refused_kind(int type) {
  switch (type) {
    case urdf::Joint::FLOATING:
      return message_id::urdf_kind_floating;
    case urdf::Joint::PLANAR:
      return message_id::urdf_kind_planar;
    case urdf::Joint::UNKNOWN:
      return message_id::urdf_kind_unknown;
    default:
      return std::nullopt;
  }
}

// The leaves below `link`, and the first link below it where the tree branches.
void leaves_below(const urdf::LinkConstSharedPtr& link, std::vector<std::string>& out,
                  std::string& branch) {
  if (link->child_links.empty()) out.push_back(link->name);
  if (link->child_links.size() > 1 && branch.empty()) branch = link->name;
  for (const urdf::LinkSharedPtr& child : link->child_links) leaves_below(child, out, branch);
}

}  // namespace

urdf_arm read_urdf_arm(const std::string& xml, const std::string& base_name,
                       const std::string& tip_name, ui_language lang) {
  const element_lines lines = read_element_lines(xml, lang);
  const urdf::ModelInterfaceSharedPtr model = parse(xml, lines, lang);
  using subject = urdf_error::subject;
  urdf::LinkConstSharedPtr base = base_name.empty() ? model->getRoot() : model->getLink(base_name);
  if (!base)
    throw urdf_error(message(lang, message_id::urdf_no_link, {base_name}), 0, subject::base_link);
  urdf::LinkConstSharedPtr tip;
  if (tip_name.empty()) {
    std::vector<std::string> leaves;
    std::string branch;
    leaves_below(base, leaves, branch);
    if (leaves.size() != 1) {
      std::string list;
      for (const std::string& l : leaves) list += (list.empty() ? "" : ", ") + l;
      throw urdf_error(message(lang, message_id::urdf_several_leaves, {base->name, list}),
                       lines.of_link(branch));
    }
    tip = model->getLink(leaves.front());
  } else {
    tip = model->getLink(tip_name);
    if (!tip)
      throw urdf_error(message(lang, message_id::urdf_no_link, {tip_name}), 0, subject::tip_link);
  }

  // The joints from the tip up to the base, then base outward.
  std::vector<urdf::JointConstSharedPtr> path;
  for (urdf::LinkConstSharedPtr l = tip; l != base; l = l->getParent()) {
    if (!l->parent_joint)
      throw urdf_error(message(lang, message_id::urdf_not_on_the_way, {base->name, tip->name}),
                       lines.of_link(base->name));
    path.push_back(l->parent_joint);
  }
  std::reverse(path.begin(), path.end());

  urdf_arm arm;
  arm.base = base->name;
  arm.tip = tip->name;
  rigid_transform pending;  // fixed transforms since the last moving joint
  for (const urdf::JointConstSharedPtr& j : path) {
    const int line = lines.of_joint(j->name);
    if (const std::optional<message_id> kind = refused_kind(j->type))
      throw urdf_error(
          message(lang, message_id::urdf_refused_joint, {j->name, message(lang, *kind)}), line);
    if (j->mimic) throw urdf_error(message(lang, message_id::urdf_mimic, {j->name}), line);
    pending = compose(pending, transform_of(j->parent_to_joint_origin_transform));
    if (j->type == urdf::Joint::FIXED) continue;

    if (arm.chain.joints == max_chain_joints)
      throw urdf_error(message(lang, message_id::urdf_too_many_joints,
                               {std::to_string(max_chain_joints), arm.base, arm.tip}),
                       line);
    vec3 u;
    u(1) = j->axis.x, u(2) = j->axis.y, u(3) = j->axis.z;
    const double length = vec_norm(3, u);
    if (!(length > 0) || !std::isfinite(length))
      throw urdf_error(message(lang, message_id::urdf_axis_without_direction, {j->name}), line);
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
    throw urdf_error(message(lang, message_id::urdf_no_moving_joint, {arm.base, arm.tip}),
                     lines.of_link(arm.tip));
  arm.chain.tool = pending;
  return arm;
}

}  // namespace kinelab

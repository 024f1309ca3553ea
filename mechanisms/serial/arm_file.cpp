#include "mechanisms/serial/arm_file.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/study/mechanism_document.h"
#include "app/text/messages.h"
#include "core/angles.h"
#include "core/posture.h"

namespace kinelab {

namespace {

using json = nlohmann::json;

void set_home(arm_file& a) {
  a.home.assign(a.limits.size(), 0.0);
  for (std::size_t k = 0; k < a.limits.size(); ++k) {
    const joint_limit& l = a.limits[k];
    if (l.limited && (l.lower > 0 || l.upper < 0)) a.home[k] = (l.lower + l.upper) / 2;
  }
}

// The fields of a mechanism file of a serial arm.
class reader : public mechanism_reader {
 public:
  using mechanism_reader::mechanism_reader;

  // {"xyz": [...], "rpy_deg": [...]}, both optional; R = Rz(yaw)·Ry(pitch)·Rx(roll).
  rigid_transform frame(const json& root, const std::string& key) const {
    rigid_transform f;
    const json* v = find(root, key);
    if (!v) return f;
    if (!v->is_object()) fail(key, message_id::mechanism_not_a_frame);
    only_keys(*v, key, {"xyz", "rpy_deg"});
    if (const json* xyz = find(*v, "xyz")) f.t = triple(*xyz, key + "/xyz");
    if (const json* rpy = find(*v, "rpy_deg")) {
      f.R = rpy_matrix(triple(*rpy, key + "/rpy_deg"));
    }
    return f;
  }

  arm_file read(const json& root, const std::string& bytes) {
    if (!root.is_object()) fail("format", message_id::mechanism_not_an_object_file);
    only_keys(root, "",
              {"format", "format_version", "name", "source", "kind", "unit", "convention", "joints",
               "base", "tool", "inverse", "urdf", "base_link", "tip_link"});
    const std::string kind = this->kind(root);
    if (kind == "hexapod") fail("kind", message_id::mechanism_hexapod_not_an_arm);
    if (kind != "serial arm") fail("kind", message_id::mechanism_unknown_kind, {kind});

    arm_file a;
    a.path = path_;
    a.name = name(root);
    if (find(root, "source")) a.source = text(root["source"], "source");
    a.unit = unit(root);
    const rigid_transform base = frame(root, "base"), tool = frame(root, "tool");

    const bool has_joints = find(root, "joints"), has_urdf = find(root, "urdf");
    std::string hashed = bytes;
    if (has_joints == has_urdf)
      fail(has_urdf ? "urdf" : "joints", message_id::mechanism_joints_or_urdf);
    if (has_joints) {
      for (const char* k : {"base_link", "tip_link"})
        if (find(root, k)) fail(k, message_id::mechanism_only_with, {"urdf"});
      read_dh(root, base, tool, a);
    } else {
      if (find(root, "convention")) fail("convention", message_id::mechanism_only_with, {"joints"});
      hashed += read_urdf(root, base, tool, a);
    }
    read_task(root, a);
    a.content_hash = content_hash_of(hashed);
    return a;
  }

 private:
  void read_dh(const json& root, const rigid_transform& base, const rigid_transform& tool,
               arm_file& a) const {
    const std::string convention = text(need(root, "", "convention"), "convention");
    if (convention != "standard" && convention != "modified")
      fail("convention", message_id::mechanism_not_a_convention);
    const json& rows = root["joints"];
    if (!rows.is_array()) fail("joints", message_id::mechanism_not_a_joint_list);
    if (rows.empty() || rows.size() > max_chain_joints)
      fail("joints", message_id::mechanism_joint_count, {std::to_string(rows.size())});
    std::vector<dh_row> dh;
    std::vector<std::pair<std::size_t, double>> homes;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::string p = "joints/" + std::to_string(k);
      const json& row = rows[k];
      if (!row.is_object()) fail(p, message_id::mechanism_not_an_object);
      const std::string type = text(need(row, p, "type"), p + "/type");
      if (type != "revolute" && type != "prismatic")
        fail(p + "/type", message_id::mechanism_unknown_joint_type, {type});
      const bool revolute = type == "revolute";
      const char* lo = revolute ? "min_deg" : "min";
      const char* hi = revolute ? "max_deg" : "max";
      const char* home = revolute ? "home_deg" : "home";
      only_keys(row, p, {"type", "name", "a", "alpha_deg", "d", "theta_deg", lo, hi, home});
      dh_row r;
      r.kind = revolute ? joint_kind::revolute : joint_kind::prismatic;
      r.a = number_of(row, p, "a");
      r.alpha = rad(number_of(row, p, "alpha_deg"));
      r.d = number_of(row, p, "d");
      r.theta = rad(number_of(row, p, "theta_deg"));
      dh.push_back(r);
      joint_limit l;
      if (find(row, lo) || find(row, hi)) {
        l.limited = true;
        l.lower = number_of(row, p, lo);
        l.upper = number_of(row, p, hi);
        if (!(l.lower < l.upper))
          fail(at(p, lo), message_id::mechanism_limits_not_a_range, {lo, hi});
        if (revolute) l.lower = rad(l.lower), l.upper = rad(l.upper);
      }
      a.limits.push_back(l);
      if (find(row, home)) {
        const double h = number_of(row, p, home);
        const double q = revolute ? rad(h) : h;
        if (l.limited && (q < l.lower || q > l.upper))
          fail(at(p, home), message_id::mechanism_home_outside_limits);
        homes.push_back({k, q});
      }
      a.joint_names.push_back(find(row, "name") ? text(row["name"], p + "/name")
                                                : "joint" + std::to_string(k + 1));
    }
    a.chain = chain_from_dh(
        dh, convention == "standard" ? dh_convention::standard : dh_convention::modified, base,
        tool);
    set_home(a);
    for (const auto& [k, q] : homes) a.home[k] = q;
  }

  // Returns the URDF's bytes, for the content hash.
  std::string read_urdf(const json& root, const rigid_transform& base, const rigid_transform& tool,
                        arm_file& a) const {
    const std::string name = text(root["urdf"], "urdf");
    const std::string base_link =
        find(root, "base_link") ? text(root["base_link"], "base_link") : std::string();
    const std::string tip_link =
        find(root, "tip_link") ? text(root["tip_link"], "tip_link") : std::string();
    const std::filesystem::path file =
        std::filesystem::path(path_).parent_path() / std::filesystem::path(name);
    std::string xml;
    try {
      xml = read_mechanism_bytes(file.string(), lang_);
    } catch (const arm_file_error& e) {
      fail_with("urdf", e.what());
    }
    try {
      const urdf_arm u = read_urdf_arm(xml, base_link, tip_link, lang_);
      a.chain = u.chain;
      a.limits = u.limits;
      a.joint_names = u.joint_names;
    } catch (const urdf_error& e) {
      // At the URDF's element where there is one; else at the key that leads to the URDF.
      if (e.line > 0) throw arm_file_error(located_message(file.string(), e.line, "", e.what()));
      using subject = urdf_error::subject;
      fail_with(e.about == subject::base_link  ? "base_link"
                : e.about == subject::tip_link ? "tip_link"
                                               : "urdf",
                name + ": " + e.what());
    }
    a.chain.joint[1].fixed = compose(base, a.chain.joint[1].fixed);
    a.chain.tool = compose(a.chain.tool, tool);
    set_home(a);
    return xml;
  }

  void read_task(const json& root, arm_file& a) const {
    const int n = a.joints();
    const int m = n < 6 ? n : 6;
    const json* v = find(root, "inverse");
    a.task.clear();
    if (!v) {
      // Position first, then as many posture angles as the joints can control; fewer than three
      // joints track the first coordinates of the position.
      for (int c = 0; c < m; ++c) a.task.push_back(static_cast<task_component>(c));
      return;
    }
    const task_component all[] = {task_component::x,    task_component::y,
                                  task_component::z,    task_component::alpha,
                                  task_component::beta, task_component::gamma};
    if (v->is_string()) {
      const std::string t = v->get<std::string>();
      if (t == "position and posture")
        a.task.assign(all, all + 6);
      else if (t == "position")
        a.task.assign(all, all + 3);
      else
        fail("inverse", message_id::mechanism_inverse_not_named);
    } else if (v->is_array()) {
      for (std::size_t i = 0; i < v->size(); ++i) {
        const std::string key = "inverse/" + std::to_string(i);
        const std::string t = text((*v)[i], key);
        bool found = false;
        for (task_component c : all)
          if (t == to_string(c)) {
            for (task_component seen : a.task)
              if (seen == c) fail(key, message_id::mechanism_component_twice, {t});
            // Kept in the order x, y, z, alpha, beta, gamma.
            a.task.push_back(c);
            found = true;
          }
        if (!found) fail(key, message_id::mechanism_not_a_component, {t});
      }
      std::sort(a.task.begin(), a.task.end());
    } else {
      fail("inverse", message_id::mechanism_inverse_not_a_list);
    }
    if (static_cast<int>(a.task.size()) != m)
      fail("inverse", message_id::mechanism_component_count,
           {std::to_string(a.task.size()), std::to_string(n), std::to_string(m)});
  }
};

arm_file arm_from_urdf(const std::string& path, ui_language lang) {
  const std::string xml = read_mechanism_bytes(path, lang);
  arm_file a;
  a.path = path;
  a.name = std::filesystem::path(path).stem().string();
  a.unit = "m";
  try {
    const urdf_arm u = read_urdf_arm(xml, "", "", lang);
    a.chain = u.chain;
    a.limits = u.limits;
    a.joint_names = u.joint_names;
  } catch (const urdf_error& e) {
    throw arm_file_error(located_message(path, e.line, "", e.what()));
  }
  set_home(a);
  const int m = a.joints() < 6 ? a.joints() : 6;
  for (int c = 0; c < m; ++c) a.task.push_back(static_cast<task_component>(c));
  a.content_hash = content_hash_of(xml);
  return a;
}

}  // namespace

const char* to_string(task_component c) {
  switch (c) {
    case task_component::x:
      return "x";
    case task_component::y:
      return "y";
    case task_component::z:
      return "z";
    case task_component::alpha:
      return "alpha";
    case task_component::beta:
      return "beta";
    case task_component::gamma:
      return "gamma";
  }
  return "?";
}

arm_file parse_arm_file(const std::string& text, const std::string& path, ui_language lang) {
  return read_mechanism_document<reader>(text, path, lang);
}

arm_file read_arm_file(const std::string& path, ui_language lang) {
  const std::string ext = std::filesystem::path(path).extension().string();
  std::string text;
  try {
    if (ext == ".urdf" || ext == ".URDF") return arm_from_urdf(path, lang);
    text = read_mechanism_bytes(path, lang);
  } catch (const arm_file_error& e) {
    throw placed_at_file(path, e);
  }
  return parse_arm_file(text, path, lang);
}

}  // namespace kinelab

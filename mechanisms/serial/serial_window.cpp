#include "mechanisms/serial/serial_window.h"

#include <cmath>

#include "app/io/result_file.h"
#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "core/posture.h"
#include "draw/view.h"
#include "mechanisms/serial/serial_frames.h"
#include "mechanisms/serial/serial_ik.h"

namespace kinelab {

namespace {
// P and the tool posture at the step on show.
constexpr const char* pose_readouts = "Text4";
}  // namespace

serial_arm read_link_table(const controls& c, const std::vector<std::string>& groups) {
  serial_arm arm;
  arm.links = static_cast<int>(groups.size());
  for (int k = 1; k <= arm.links; ++k) {
    const std::string& g = groups[static_cast<std::size_t>(k - 1)];
    arm.hx(k) = c.number(g, 0);
    arm.hy(k) = c.number(g, 1);
    arm.hz(k) = c.number(g, 2);
    if (k < arm.links) {  // P has no twist
      arm.alfa(k) = rad(c.number(g, 3));
      arm.beta(k) = rad(c.number(g, 4));
    }
  }
  return arm;
}

double arm_size(const serial_arm& arm) {
  return vec_sum_abs(arm.links, arm.hx) + vec_sum_abs(arm.links, arm.hy) +
         vec_sum_abs(arm.links, arm.hz);
}

std::vector<std::string> three_axis_link_groups() {
  return {"Text1", "Text6", "Text7", "Text8"};
}

std::vector<std::vector<std::string>> three_axis_link_defaults() {
  return {{"0", "0", "0", "0", "0"},
          {"0", "0", "2", "90", "0"},
          {"0", "2", "0", "0", "0"},
          {"0", "1", "0"}};
}

std::string three_axis_result_header() {
  return "i, deg(the1(i)), deg(the2(i)), deg(the3(i)), p4(i).x, p4(i).y, p4(i).z, deg(s4(i).x), "
         "deg(s4(i).y), deg(s4(i).z)";
}

std::vector<std::string> six_axis_link_groups() {
  return {"Text1", "Text6", "Text7", "Text8", "Text9", "Text10", "Text11"};
}

std::vector<std::vector<std::string>> six_axis_link_defaults() {
  return {{"0", "0", "0.06", "0", "0"},
          {"0", "0", "0.23", "90", "0"},
          {"0", "0.26", "0", "0", "0"},
          {"0", "0.07", "0", "-90", "0"},
          {"0", "0", "0.20", "90", "0"},
          {"0", "0.07", "0", "-90", "0"},
          {"0", "0", "0.03"}};
}

std::string six_axis_result_header() {
  // "deg(the3(i)),deg(the4(i))" has no blank: the header is kept as the arm's users know it.
  return "i, deg(the1(i)), deg(the2(i)), deg(the3(i)),deg(the4(i)), deg(the5(i)), "
         "deg(the6(i)), p7(i).x, p7(i).y, p7(i).z, deg(s7(i).x), deg(s7(i).y), deg(s7(i).z)";
}

control_grid link_table(controls& c, const std::vector<std::string>& groups,
                        const std::vector<std::vector<std::string>>& defaults) {
  std::vector<grid_column> columns;
  const std::size_t joints = groups.size() - 1;
  for (std::size_t k = 0; k < groups.size(); ++k) {
    const bool is_p = k == joints;
    columns.push_back({is_p ? "出力P" : "J" + std::to_string(k + 1), groups[k], defaults[k],
                       is_p ? "" : "the" + std::to_string(k + 1)});
  }
  return column_table(c, "", {"hx", "hy", "hz", "alfa", "beta", "ganma"}, columns);
}

window_decl serial_decl(std::string name, std::string title, int joints,
                        const std::vector<std::string>& link_groups,
                        const std::vector<std::vector<std::string>>& link_defaults,
                        const std::vector<start_stop_row>& start_stop) {
  window_decl d;
  d.name = std::move(name);
  d.title = std::move(title);
  d.layout.push_back(link_table(d.initial, link_groups, link_defaults));
  d.layout.push_back(start_stop_table(d.initial, "", {"", " start", "stop", ""}, start_stop));
  declare_serial_controls(d);
  const std::string last = std::to_string(joints + 1);
  add_pose_graphs(d, "p" + last, "s" + last);
  add_joint_graphs(d, joints);
  return d;
}

void declare_serial_controls(window_decl& d, const std::string& unit) {
  d.style = serial_style();
  d.style.view_readouts = "Text3";
  const window_style& s = d.style;
  controls& c = d.initial;
  std::vector<readout_row> pose;
  const char* pose_captions[] = {"出力Pｘ",     "出力Pｙ",     "出力Pｚ",
                                 "ロール(deg)", "ピッチ(deg)", "ヨー(deg)"};
  for (int k = 0; k < 6; ++k)
    pose.push_back({pose_captions[k] + (k < 3 && !unit.empty() ? "(" + unit + ")" : std::string()),
                    pose_readouts, k, ""});
  d.layout.push_back(readout_table(c, "", pose));
  // The readouts show the stored texts until the first drag, though the view starts at x = 0.
  d.layout.push_back(readout_table(c, "",
                                   {{"X回転(deg)", s.view_readouts, 0, "-60"},
                                    {"Y回転(deg)", s.view_readouts, 1, "0"},
                                    {"Z回転(deg)", s.view_readouts, 2, "30"}}));
  declare_slider(c, s.time_slider, 0, {0, 50, 0, true});
  declare_field(c, s.step_readout, 0, "0", "step", false);
  for (const std::string& g : {std::string(pose_readouts), s.view_readouts, s.step_readout})
    mark_readouts(c, g);
  d.layout.push_back(
      {"", {"", "", "step"}, {"時間"}, {{slider_cell(s.time_slider), field_cell(s.step_readout)}}});
  c.find_sliders(s.time_slider)->indexed = false;
  c.add_label(s.caption_label, "動画");
  c.option_captions = {"５次曲線", "3次曲線", "等速曲線"};
  d.buttons = {{"run", "Run"}, {"stop", "Stop"}, {"next", "next figure"}};
}

void add_pose_graphs(window_decl& d, const std::string& point, const std::string& posture) {
  // Named as the pose readouts name them.
  d.graphs.push_back({"x   dx   ddx", point, 'x', "出力Pｘ"});
  d.graphs.push_back({"y   dy   ddy", point, 'y', "出力Pｙ"});
  d.graphs.push_back({"z   dz   ddz", point, 'z', "出力Pｚ"});
  d.graphs.push_back({"α  dα  ddα", posture, 'x', "ロール(deg)", true});
  d.graphs.push_back({"β  dβ  ddβ", posture, 'y', "ピッチ(deg)", true});
  d.graphs.push_back({"γ  dγ  ddγ", posture, 'z', "ヨー(deg)", true});
}

void add_joint_graphs(window_decl& d, int joints) {
  for (int k = 1; k <= joints; ++k) {
    const std::string n = std::to_string(k);
    d.graphs.push_back({"the" + n + " dthe" + n + " ddthe" + n, "the" + n, 'x', {}, true});
  }
}

void draw_serial_arm(surface& s, const view_params& v, const std::vector<kin_state>& points,
                     const kin_state& tool_posture, double L) {
  s.DrawWidth(2);
  std::vector<view_point> q;
  for (const kin_state& p : points) q.push_back(project(v.V, v.scale, p.x, p.y, p.z));
  view_dot(s, 0, 0, 0);
  // Dots cycle through blue, green, cyan, red; links through blue, green, cyan.
  for (std::size_t k = 0; k < q.size(); ++k)
    view_dot(s, q[k].u, q[k].w, static_cast<int>(k % 4) + 1);
  for (std::size_t k = 0; k + 1 < q.size(); ++k)
    view_line(s, q[k].u, q[k].w, q[k + 1].u, q[k + 1].w, static_cast<int>(k % 3) + 1);
  // Tool frame: the tool's x, y, z axes, L/10 long.
  draw_frame_axes(s, v.V, v.scale, points.back(), tool_posture, L / 10);
  s.DrawWidth(1);
}

void show_pose_readouts(controls& c, const kin_state& p, const kin_state& posture) {
  const double values[] = {p.x, p.y, p.z, deg(posture.x), deg(posture.y), deg(posture.z)};
  for (int k = 0; k < 6; ++k) c.set_number(pose_readouts, k, values[k]);
}

serial_logic::serial_logic(int joints, std::vector<std::string> link_groups,
                           std::string result_header)
    : joints_count_(joints),
      link_groups_(std::move(link_groups)),
      result_header_(std::move(result_header)) {
  for (int k = 2; k <= joints + 1; ++k)
    points_.push_back(&arrays.add("p" + std::to_string(k), array_kind::point,
                                  k == joints + 1
                                      ? "position of the point P"
                                      : "position of the origin of link " + std::to_string(k),
                                  "length"));
  posture_ = &arrays.add("s" + std::to_string(joints + 1), array_kind::point,
                         "posture of the point P's frame (α, β, γ)", "rad");
  for (int k = 1; k <= joints; ++k)
    joints_.push_back(&arrays.add("the" + std::to_string(k), array_kind::scalar,
                                  "angle of joint " + std::to_string(k), "rad"));
}

void serial_logic::read_arm(sim_window& w) {
  const serial_arm arm = read_link_table(w.ctl, link_groups_);
  arm_ = arm;
  p1_ = {};
  p1_.x = arm_.hx(1), p1_.y = arm_.hy(1), p1_.z = arm_.hz(1);
  w.set_draw_size(arm_size(arm_));
}

void serial_logic::store_step(int i, const link_array& the, const link_array& dthe,
                              const link_array& ddthe) {
  const auto at = static_cast<std::size_t>(i);
  for (int k = 1; k <= joints_count_; ++k) {
    kin_state& j = (*joints_[static_cast<std::size_t>(k - 1)])[at];
    j = {};
    j.x = the(k), j.dx = dthe(k), j.ddx = ddthe(k);
  }
  // All origins in one outward pass; chain_point for each n would repeat the inner links.
  kin_state origins[max_links + 1];
  chain_points_all(arm_, the, dthe, ddthe, origins, (*posture_)[at]);
  for (int k = 2; k <= links(); ++k) (*points_[static_cast<std::size_t>(k - 2)])[at] = origins[k];
}

void serial_logic::draw_step(sim_window& w, surface& s, const view_params& v, int i) {
  std::vector<kin_state> pts{p1_};
  for (auto* a : points_) pts.push_back((*a)[static_cast<std::size_t>(i)]);
  draw_serial_arm(s, v, pts, (*posture_)[static_cast<std::size_t>(i)], w.draw_size);
}

void serial_logic::fill_readouts(sim_window& w, int i) {
  show_pose_readouts(w.ctl, (*points_.back())[static_cast<std::size_t>(i)],
                     (*posture_)[static_cast<std::size_t>(i)]);
}

void serial_logic::write_header(result_text& out) const {
  out.text(result_header_);
  out.end_line();
}

void serial_logic::write_row(result_text& out, int i) const {
  const auto at = static_cast<std::size_t>(i);
  out.integer(i);
  for (auto* j : joints_) out.number(deg((*j)[at].x));
  const kin_state& p = (*points_.back())[at];
  const kin_state& s = (*posture_)[at];
  out.number(p.x).number(p.y).number(p.z);
  out.number(deg(s.x)).number(deg(s.y)).number(deg(s.z));
  out.end_line();
}

std::optional<atlas_mechanism> serial_logic::atlas() const {
  atlas_mechanism m;
  m.kind = atlas_kind::sampled;
  for (int k = 1; k <= joints_count_; ++k) m.pose.push_back({"the" + std::to_string(k), 'x', true});
  m.actuators = m.pose;
  m.output = "p" + std::to_string(links());
  const serial_arm arm = arm_;
  const arm_twists twists = twists_of(arm);
  const int joints = joints_count_;
  add_identity(m.identity, arm.links);
  add_identity(m.identity, joints);
  for (const link_array* a : {&arm.hx, &arm.hy, &arm.hz, &arm.alfa, &arm.beta})
    add_identity(m.identity, *a);
  auto angles = [joints](const double* q) {
    link_array the;
    for (int k = 1; k <= joints; ++k) the(k) = q[k - 1];
    return the;
  };
  m.forward = [arm, twists, angles](const double* q, double* p) {
    chain_frames f;
    build_frames(arm, twists, angles(q), false, f);
    const vec3& o = f.o[arm.links];
    p[0] = o(1), p[1] = o(2), p[2] = o(3);
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
  };
  // The frames' Jacobian is the one jacobian_3r and jacobian_6r form column by column.
  m.jacobian = [arm, twists, angles, joints](const double* q, jacobian_matrix& J) {
    chain_frames f;
    build_frames(arm, twists, angles(q), joints == 6, f);
    J = {};
    J.rows = J.cols = joints;
    frames_jacobian(f, joints, J.m);
    return true;
  };
  return m;
}

bool serial_logic::jacobian_at(int i, jacobian_matrix& J) const {
  if (i < 0 || i > arrays.N()) return false;
  link_array the;
  for (int k = 1; k <= joints_count_; ++k) {
    the(k) = (*joints_[static_cast<std::size_t>(k - 1)])[static_cast<std::size_t>(i)].x;
    if (!std::isfinite(the(k))) return false;
  }
  // The frames' Jacobian, as the solvers and the atlas form it.
  chain_frames f;
  build_frames(arm_, twists_of(arm_), the, joints_count_ == 6, f);
  J = {};
  J.rows = J.cols = joints_count_;
  frames_jacobian(f, joints_count_, J.m);
  return true;
}

}  // namespace kinelab

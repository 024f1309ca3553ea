#include "mechanisms/rail/rail_window.h"

#include <cmath>

#include "app/io/result_file.h"
#include "app/window/decl_builder.h"
#include "core/posture.h"
#include "draw/view.h"

namespace kinelab {

namespace {

const std::vector<std::string> leg_rows = {"第１節", "第２", "第３", "第4", "第5", "第6"};

// The geometry table's groups, one field per leg, and the rod length.
constexpr const char *ax_fields = "Text1", *ay_fields = "Text2", *By_fields = "Text3",
                     *rod_length_field = "Text6";

std::vector<std::string> texts_of(const std::array<const char*, rail_leg_count>& t) {
  return {t.begin(), t.end()};
}

// The platform outline visits the joints in the order 1, 3, 4, 6, 5, 2.
constexpr int outline[][2] = {{2, 1}, {1, 3}, {3, 4}, {4, 6}, {6, 5}, {5, 2}};

// The view is fitted to the surface width alone: the platform spans about draw_size, and
// 2.5·draw_size fills the width.
constexpr double width_in_draw_sizes = 2.5;

}  // namespace

void declare_rail_geometry(window_decl& d, bool bx_column, bool tolerance_field) {
  controls& c = d.initial;
  std::vector<grid_column> columns = {{"ax", ax_fields, texts_of(rail_default_texts.ax), ""},
                                      {"ay", ay_fields, texts_of(rail_default_texts.ay), ""},
                                      {"By", By_fields, texts_of(rail_default_texts.By), ""}};
  if (bx_column) columns.push_back({"Bx", rail_readouts, std::vector<std::string>(6), ""});
  d.layout.push_back(column_table(c, "", leg_rows, columns));
  if (bx_column) mark_readouts(c, rail_readouts);
  std::vector<readout_row> rows = {
      {"リンク棒長さ＝", rod_length_field, 0, rail_default_texts.rod_length}};
  if (tolerance_field) rows.push_back({"許容誤差", rail_tolerance, 0, "0.001"});
  d.layout.push_back(readout_table(c, "", rows, false));
}

void add_rail_slider_graphs(std::vector<graph_decl>& graphs, const std::vector<int>& legs,
                            bool forward) {
  // The forward windows name the sliders in their start and stop rows.
  for (int k : legs) {
    const std::string n = std::to_string(k);
    graphs.push_back(
        {"bx" + n + " dbx" + n + " ddbx" + n, "bx" + n, 'x', forward ? "Bx" + n : std::string()});
  }
}

void add_rail_pose_graphs(std::vector<graph_decl>& graphs, bool posture, bool forward) {
  // The forward windows show the pose in their readouts, the inverse ones in start and stop rows.
  graphs.push_back({"x  dx ddx", "pp", 'x', forward ? "出力Pｘ" : "Px"});
  graphs.push_back({"y  dy ddy", "pp", 'y', forward ? "出力Pｙ" : "Py"});
  graphs.push_back({"z  dz ddz", "pp", 'z', forward ? "出力Pｚ" : "Pz"});
  if (!posture) return;
  graphs.push_back({"α  dα ddα", "sp", 'x', forward ? "ロール(deg)" : "", true});
  graphs.push_back({"β  dβ ddβ", "sp", 'y', forward ? "ピッチ(deg)" : "", true});
  graphs.push_back({"γ  dγ ddγ", "sp", 'z', forward ? "ヨー(deg)" : "", true});
}

rail_logic::rail_logic(const rail_outputs& outputs) : outputs_(outputs) {
  pp_ = &arrays.add("pp", array_kind::point);
  sp_ = &arrays.add("sp", array_kind::point);
  for (int k = 1; k <= rail_leg_count; ++k)
    jp_[static_cast<std::size_t>(k - 1)] = &arrays.add("jp" + std::to_string(k), array_kind::point);
  for (int k = 1; k <= rail_leg_count; ++k)
    bx_[static_cast<std::size_t>(k - 1)] =
        &arrays.add("bx" + std::to_string(k), array_kind::scalar);
}

void rail_logic::read_geometry(sim_window& w) {
  rail_geometry g;
  for (int i = 1; i <= rail_leg_count; ++i) {
    g.ax(i) = w.ctl.number(ax_fields, i - 1);
    g.ay(i) = w.ctl.number(ay_fields, i - 1);
    g.By(i) = w.ctl.number(By_fields, i - 1);
  }
  g.rod_length = w.ctl.number(rod_length_field);
  geometry_ = g;
  if (sized_) return;
  sized_ = true;
  const double size = (vec_sum_abs(rail_leg_count, g.ax) + vec_sum_abs(rail_leg_count, g.ay)) / 2;
  w.set_width_scale(size, width_in_draw_sizes);  // a table of zeros keeps one unit
}

void rail_logic::store_joints(int i, const rail_joint_states& joints) {
  for (std::size_t k = 0; k < joints.size(); ++k)
    (*jp_[k])[static_cast<std::size_t>(i)] = joints[k];
}

void rail_logic::draw_step(sim_window& w, surface& s, const view_params& v, int i) {
  const auto at = static_cast<std::size_t>(i);
  std::array<view_point, rail_leg_count + 1> joint, slide;  // legs 1..6
  for (int k = 1; k <= rail_leg_count; ++k) {
    const kin_state& j = (*jp_[static_cast<std::size_t>(k - 1)])[at];
    joint[static_cast<std::size_t>(k)] = project(v.V, v.scale, j.x, j.y, j.z);
    // The slider stands on its rail: (bx, By, 0).
    slide[static_cast<std::size_t>(k)] = project(v.V, v.scale, slider(k, i).x, geometry_.By(k), 0);
  }
  s.DrawWidth(2);
  for (int k = 1; k <= rail_leg_count; ++k) {
    const view_point& p = joint[static_cast<std::size_t>(k)];
    view_dot(s, p.u, p.w, 1);
  }
  for (int k = 1; k <= rail_leg_count; ++k) {
    const view_point& p = slide[static_cast<std::size_t>(k)];
    view_dot(s, p.u, p.w, 1);
  }
  for (const auto& edge : outline) {
    const view_point& a = joint[static_cast<std::size_t>(edge[0])];
    const view_point& b = joint[static_cast<std::size_t>(edge[1])];
    view_line(s, a.u, a.w, b.u, b.w, 0);
  }
  // Rod k in palette colour k (blue, green, cyan, red, magenta, yellow).
  for (int k = 1; k <= rail_leg_count; ++k) {
    const view_point& a = joint[static_cast<std::size_t>(k)];
    const view_point& b = slide[static_cast<std::size_t>(k)];
    view_line(s, a.u, a.w, b.u, b.w, k);
  }
  // Platform frame at the origin pp: its x, y, z axes, draw_size/10 long.
  draw_frame_axes(s, v.V, v.scale, (*pp_)[at], (*sp_)[at], w.draw_size / 10);
  // The world axes that follow are drawn with the thin pen.
  s.DrawWidth(1);
}

void rail_logic::write_header(result_text& out) const {
  out.text(outputs_.result_header);
  out.end_line();
}

void rail_logic::write_row(result_text& out, int i) const {
  const auto at = static_cast<std::size_t>(i);
  const kin_state& p = (*pp_)[at];
  out.integer(i);
  out.number(p.x).number(p.y).number(p.z);
  for (int k : outputs_.result_legs) out.number((*bx_[static_cast<std::size_t>(k - 1)])[at].x);
  out.end_line();
}

namespace {

// ∂bx/∂q at the pose q = (x, y, z, α, β, γ); none where a rod cannot reach its rail.
bool rail_jacobian_at(const rail_geometry& g, const double* q, jacobian_matrix& J) {
  for (int k = 0; k < 6; ++k)
    if (!std::isfinite(q[k])) return false;
  const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
  const kin_state posture{q[3], 0, 0, q[4], 0, 0, q[5], 0, 0};
  // A rod off its rail has no slider position, let alone a derivative of one.
  if (rail_inverse(g, position, posture).unreachable != 0) return false;
  mat<6, 21> H;
  J = {};
  J.rows = J.cols = rail_leg_count;
  rail_jacobian(g, position, posture, J.m, H);
  return true;
}

}  // namespace

bool rail_logic::jacobian_at(int i, jacobian_matrix& J) const {
  if (i < 0 || i > arrays.N()) return false;
  const kin_state& p = (*pp_)[static_cast<std::size_t>(i)];
  const kin_state& s = (*sp_)[static_cast<std::size_t>(i)];
  const double q[] = {p.x, p.y, p.z, s.x, s.y, s.z};
  return rail_jacobian_at(geometry_, q, J);
}

std::optional<atlas_mechanism> rail_logic::atlas() const {
  atlas_mechanism m;
  m.pose = platform_pose_variables("pp", "sp");
  for (int k = 1; k <= rail_leg_count; ++k)
    m.actuators.push_back({"bx" + std::to_string(k), 'x', false});
  m.output = "pp";
  const rail_geometry g = geometry_;
  m.inverse = [g](const double* q, double* a) {
    const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
    const kin_state posture{q[3], 0, 0, q[4], 0, 0, q[5], 0, 0};
    const rail_sliders sliders = rail_inverse(g, position, posture);
    for (int k = 1; k <= rail_leg_count; ++k) a[k - 1] = sliders.bx(k);
    return sliders.unreachable ? cell_state::no_assembly : cell_state::reachable;
  };
  m.jacobian = [g](const double* q, jacobian_matrix& J) { return rail_jacobian_at(g, q, J); };
  return m;
}

}  // namespace kinelab

#include "mechanisms/stewart/stewart_window.h"

#include <array>
#include <cmath>

#include "app/io/result_file.h"
#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "core/posture.h"
#include "draw/view.h"

namespace kinelab {

namespace {

const char* const leg_columns[] = {"第２", "第３", "第4", "第5", "第6"};  // after the first

// The joint table's groups, one field per leg.
constexpr const char *ax_fields = "Text3", *ay_fields = "Text6", *Bx_fields = "Text1",
                     *By_fields = "Text2";

struct geometry_row {
  const char* caption;
  const char* group;
  std::array<const char*, stewart_leg_count> defaults;
};
const geometry_row geometry_rows[] = {
    {"ax", ax_fields, stewart_default_texts.ax},
    {"ay", ay_fields, stewart_default_texts.ay},
    {"Bx", Bx_fields, stewart_default_texts.Bx},
    {"By", By_fields, stewart_default_texts.By},
};

}  // namespace

void declare_stewart_geometry(window_decl& d, const std::string& first_column) {
  controls& c = d.initial;
  control_grid g;
  g.column_captions = {"", first_column};
  for (const char* col : leg_columns) g.column_captions.push_back(col);
  for (const geometry_row& row : geometry_rows) {
    g.row_captions.push_back(row.caption);
    std::vector<grid_cell> cells;
    for (int k = 0; k < stewart_leg_count; ++k) {
      declare_field_of(c, row.group, k, row.defaults[static_cast<std::size_t>(k)], row.caption,
                       g.column_captions[static_cast<std::size_t>(k + 1)]);
      cells.push_back(field_cell(row.group, k));
    }
    g.rows.push_back(std::move(cells));
  }
  d.layout.push_back(std::move(g));
}

void declare_stewart_common(window_decl& d) {
  declare_parallel_controls(d, {"stop", true});
  for (int k = 1; k <= stewart_leg_count; ++k) {
    const std::string n = std::to_string(k);
    // The legs as the window labels them.
    d.graphs.push_back({"the" + n + " dthe" + n + " ddthe" + n, "the" + n, 'x', "L" + n});
  }
  d.graphs.push_back({"x   dx  ddx", "pp", 'x', "Px"});
  d.graphs.push_back({"y   dy  ddy", "pp", 'y', "Py"});
  d.graphs.push_back({"z   dz  ddz", "pp", 'z', "Pz"});
  d.graphs.push_back({"α  dα ddα", "sp", 'x', {}, true});
  d.graphs.push_back({"β  dβ ddβ", "sp", 'y', {}, true});
  d.graphs.push_back({"γ  dγ ddγ", "sp", 'z', {}, true});
}

stewart_logic::stewart_logic(std::string result_header) : result_header_(std::move(result_header)) {
  pp_ = &arrays.add("pp", array_kind::point);
  sp_ = &arrays.add("sp", array_kind::point);
  for (int k = 1; k <= stewart_leg_count; ++k)
    pj_.push_back(&arrays.add("pj" + std::to_string(k), array_kind::point));
  for (int k = 1; k <= stewart_leg_count; ++k)
    the_.push_back(&arrays.add("the" + std::to_string(k), array_kind::scalar));
}

bool stewart_logic::read_geometry(sim_window& w) {
  stewart_geometry g;
  for (int k = 1; k <= stewart_leg_count; ++k) {
    g.Bx(k) = w.ctl.number(Bx_fields, k - 1);
    g.By(k) = w.ctl.number(By_fields, k - 1);
    g.ax(k) = w.ctl.number(ax_fields, k - 1);
    g.ay(k) = w.ctl.number(ay_fields, k - 1);
  }
  geometry_ = g;
  if (sized_) return false;
  sized_ = true;
  const double L =
      (vec_sum_abs(stewart_leg_count, g.ax) + vec_sum_abs(stewart_leg_count, g.ay)) / 2;
  // The width alone, not the shorter side: the platform is seen mostly from the side (a
  // platform of zero size keeps one unit).
  w.set_width_scale(L, 2);
  return true;
}

void stewart_logic::store_joints(int i, const platform_joints& joints) {
  for (std::size_t k = 0; k < joints.size(); ++k)
    (*pj_[k])[static_cast<std::size_t>(i)] = joints[k];
}

void stewart_logic::store_run_step(int i, const stewart_leg_set& legs,
                                   const platform_joints& joints) {
  store_joints(i, joints);
  for (int k = 1; k <= stewart_leg_count; ++k)
    the(k, i) = {legs.leg(k), legs.dleg(k), legs.ddleg(k)};
  zero_legs_.note(i, legs.zero_length);
}

void stewart_logic::draw_step(sim_window& w, surface& s, const view_params& v, int i) {
  const auto at = static_cast<std::size_t>(i);
  std::array<view_point, stewart_leg_count> joint, base;  // leg k at [k − 1]
  for (std::size_t k = 0; k < joint.size(); ++k) {
    const kin_state& j = (*pj_[k])[at];
    joint[k] = project(v.V, v.scale, j.x, j.y, j.z);
    const int leg = static_cast<int>(k) + 1;
    base[k] = project(v.V, v.scale, geometry_.Bx(leg), geometry_.By(leg), 0);
  }
  s.DrawWidth(2);
  for (const view_point& p : joint) view_dot(s, p.u, p.w, 1);
  for (const view_point& p : base) view_dot(s, p.u, p.w, 1);
  // The outline joins the platform joints in leg order, 6 back to 1.
  for (std::size_t k = 0; k < joint.size(); ++k) {
    const view_point& a = joint[k];
    const view_point& b = joint[(k + 1) % joint.size()];
    view_line(s, a.u, a.w, b.u, b.w, 0);
  }
  // Leg k in palette colour k (blue, green, cyan, red, magenta, yellow).
  for (std::size_t k = 0; k < joint.size(); ++k)
    view_line(s, joint[k].u, joint[k].w, base[k].u, base[k].w, static_cast<int>(k) + 1);
  // Platform frame at the origin pp: its x, y, z axes, draw_size/10 long.
  draw_frame_axes(s, v.V, v.scale, (*pp_)[at], (*sp_)[at], w.draw_size / 10);
  // The dotted world axes that follow are drawn with the thin pen.
  s.DrawWidth(1);
}

void stewart_logic::write_header(result_text& out) const {
  out.text(result_header_);
  out.end_line();
}

void stewart_logic::write_row(result_text& out, int i) const {
  const auto at = static_cast<std::size_t>(i);
  const kin_state& p = (*pp_)[at];
  out.integer(i);
  out.number(p.x).number(p.y).number(p.z);
  for (const auto* leg : the_) out.number((*leg)[at].x);
  out.end_line();
}

namespace {

// ∂L/∂q at the pose q = (x, y, z, α, β, γ); none where a leg has zero length.
bool stewart_jacobian_at(const stewart_geometry& g, const double* q, jacobian_matrix& J) {
  for (int k = 0; k < 6; ++k)
    if (!std::isfinite(q[k])) return false;
  // The values alone: stewart_jacobian probes the rates itself and overwrites them.
  const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
  const kin_state posture{q[3], 0, 0, q[4], 0, 0, q[5], 0, 0};
  // A leg of zero length has no direction, so its row is undefined.
  if (stewart_legs(g, position, posture).zero_length != 0) return false;
  mat<6, 21> H;
  J = {};
  J.rows = J.cols = stewart_leg_count;
  stewart_jacobian(g, position, posture, J.m, H);
  return true;
}

}  // namespace

bool stewart_logic::jacobian_at(int i, jacobian_matrix& J) const {
  if (i < 0 || i > arrays.N()) return false;
  const kin_state& p = (*pp_)[static_cast<std::size_t>(i)];
  const kin_state& s = (*sp_)[static_cast<std::size_t>(i)];
  const double q[] = {p.x, p.y, p.z, s.x, s.y, s.z};
  return stewart_jacobian_at(geometry_, q, J);
}

}  // namespace kinelab

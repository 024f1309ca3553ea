#include "mechanisms/stewart/stewart_window.h"

#include <array>

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

void declare_stewart_leg_readouts(window_decl& d, const std::string& unit) {
  controls& c = d.initial;
  control_grid lengths;
  for (int k = 0; k < stewart_leg_count; ++k) {
    const std::string caption = "L" + std::to_string(k + 1) + unit;
    declare_field(c, stewart_readouts, k, "", caption);
    lengths.column_captions.push_back(caption);
  }
  mark_readouts(c, stewart_readouts);
  lengths.rows.push_back({});
  for (int k = 0; k < stewart_leg_count; ++k)
    lengths.rows[0].push_back(field_cell(stewart_readouts, k));
  d.layout.push_back(lengths);
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

stewart_logic::stewart_logic(std::string result_header)
    : platform_window_logic("pj", "the", "length of leg", leg_fault::zero_length,
                            std::move(result_header), {1, 2, 3, 4, 5, 6}) {}

bool stewart_logic::read_geometry(sim_window& w) {
  stewart_geometry g;
  for (int k = 1; k <= stewart_leg_count; ++k) {
    g.Bx(k) = w.ctl.number(Bx_fields, k - 1);
    g.By(k) = w.ctl.number(By_fields, k - 1);
    g.ax(k) = w.ctl.number(ax_fields, k - 1);
    g.ay(k) = w.ctl.number(ay_fields, k - 1);
  }
  geometry_ = g;
  return size_view_once(w, g.ax, g.ay, 2);
}

void stewart_logic::draw_step(sim_window& w, surface& s, const view_params& v, int i) {
  std::array<view_point, stewart_leg_count> joint, base;  // leg k at [k − 1]
  for (std::size_t k = 0; k < joint.size(); ++k) {
    const int leg = static_cast<int>(k) + 1;
    const kin_state& j = this->joint(leg, i);
    joint[k] = project(v.V, v.scale, j.x, j.y, j.z);
    base[k] = project(v.V, v.scale, geometry_.Bx(leg), geometry_.By(leg), geometry_.Bz(leg));
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
  draw_frame_axes(s, v.V, v.scale, pp(i), sp(i), w.draw_size / 10);
  // The dotted world axes that follow are drawn with the thin pen.
  s.DrawWidth(1);
}

}  // namespace kinelab

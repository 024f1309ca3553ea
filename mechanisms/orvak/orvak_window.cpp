#include "mechanisms/orvak/orvak_window.h"

#include <cmath>

#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "draw/view.h"

namespace kinelab {

namespace {
struct joint_row {
  const char* caption;
  const char* group;
  const char* defaults[3];
};
// Rows of the joint table in the order shown; each row is one text group over the three legs.
constexpr joint_row joint_rows[] = {
    {"ax", "Text3", {"0.06", "-0.06", "0"}},       {"ay", "Text6", {"-0.035", "-0.035", "0.07"}},
    {"az", "Text12", {"-0.06", "-0.06", "-0.06"}}, {"Bx", "Text1", {"0.06", "-0.06", "0"}},
    {"By", "Text2", {"-0.035", "-0.035", "0.07"}}, {"Bz", "Text8", {"-0.014", "-0.014", "-0.014"}},
};
constexpr const char* link_captions[] = {"link1", "link2", "link3"};
constexpr const char* column_length_field = "Text7";
}  // namespace

std::vector<control_grid> orvak_geometry_tables(controls& c) {
  control_grid joints;
  joints.column_captions = {""};
  for (const char* l : link_captions) joints.column_captions.push_back(l);
  for (const joint_row& r : joint_rows) {
    joints.row_captions.push_back(r.caption);
    std::vector<grid_cell> cells;
    for (int k = 0; k < 3; ++k) {
      declare_field_of(c, r.group, k, r.defaults[k], r.caption, link_captions[k]);
      cells.push_back(field_cell(r.group, k));
    }
    joints.rows.push_back(std::move(cells));
  }
  control_grid column =
      readout_table(c, "", {{"原点間距離", column_length_field, 0, "0.385"}}, false);
  return {joints, column};
}

void read_orvak_geometry(const controls& c, orvak_geometry& g, double& d) {
  orvak_geometry r;
  vec3* rows[] = {&r.ax, &r.ay, &r.az, &r.Bx, &r.By, &r.Bz};
  for (int row = 0; row < 6; ++row)
    for (int k = 1; k <= 3; ++k) (*rows[row])(k) = c.number(joint_rows[row].group, k - 1);
  d = c.number(column_length_field);
  g = r;
}

control_grid orvak_posture_table(controls& c) {
  std::vector<start_stop_row> rows;
  const char* captions[] = {"alfa", "beta", "ganma"};
  for (int k = 0; k < 3; ++k)
    rows.push_back(orvak_start_stop.row(k, captions[k], "", "0", slider{-180, 180, 0, true}));
  return start_stop_table(c, "", {"", "start  stop", "", ""}, rows);
}

void declare_orvak_controls(window_decl& d) {
  controls& c = d.initial;
  for (control_grid& g : orvak_geometry_tables(c)) d.layout.push_back(std::move(g));
  d.layout.push_back(orvak_posture_table(c));
  d.layout.push_back(pose_readout_row(c, "Px     Py     Pz     alfa   beta ganma",
                                      {"Px", "Py", "Pz", "alfa", "beta", "ganma"}));
  declare_parallel_controls(d);
}

control_grid pose_readout_row(controls& c, const std::string& caption,
                              const std::vector<std::string>& field_captions) {
  control_grid g;
  g.title = caption;
  std::vector<grid_cell> cells;
  for (std::size_t k = 0; k < field_captions.size(); ++k) {
    declare_field(c, orvak_readouts, static_cast<int>(k), "", field_captions[k]);
    cells.push_back(field_cell(orvak_readouts, static_cast<int>(k)));
  }
  mark_readouts(c, orvak_readouts);
  g.rows.push_back(std::move(cells));
  return g;
}

void world_dot(surface& s, const view_params& v, const kin_state& p, int colour) {
  const view_point q = project(v.V, v.scale, p.x, p.y, p.z);
  view_dot(s, q.u, q.w, colour);
}

void world_line(surface& s, const view_params& v, const kin_state& p, const kin_state& q,
                int colour) {
  const view_point a = project(v.V, v.scale, p.x, p.y, p.z);
  const view_point b = project(v.V, v.scale, q.x, q.y, q.z);
  view_line(s, a.u, a.w, b.u, b.w, colour);
}

void draw_posture_frame(surface& s, const view_params& v, const kin_state& origin,
                        const kin_state& posture, double L) {
  // The columns of R are the frame's x, y and z axes in world coordinates.
  const mat3 R = rotation_matrix(posture.x, posture.y, posture.z);
  const int colour[] = {0, 1, 2, 4};
  for (int c = 1; c <= 3; ++c) {
    kin_state end;
    end.x = origin.x + L / 10 * R(1, c);
    end.y = origin.y + L / 10 * R(2, c);
    end.z = origin.z + L / 10 * R(3, c);
    world_line(s, v, origin, end, colour[c]);
  }
}

unsigned zero_length_legs(const orvak_legs& legs, int first_bit) {
  unsigned bits = 0;
  for (int k = 1; k <= 3; ++k)
    if (legs.zero_length[k]) bits |= 1u << (first_bit + k - 1);
  return bits;
}

}  // namespace kinelab

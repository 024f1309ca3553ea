#include "mechanisms/orvak/orvak_window.h"

#include <cmath>

#include "app/decl_builder.h"
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
  control_grid column = readout_table(c, "", {{"原点間距離", "Text7", 0, "0.385"}}, false);
  return {joints, column};
}

void read_orvak_geometry(const controls& c, orvak_geometry& g, double& d) {
  orvak_geometry r;
  vec3* rows[] = {&r.ax, &r.ay, &r.az, &r.Bx, &r.By, &r.Bz};
  for (int row = 0; row < 6; ++row)
    for (int k = 1; k <= 3; ++k) (*rows[row])(k) = c.number(joint_rows[row].group, k - 1);
  d = c.number("Text7");
  g = r;
}

void declare_parallel_controls(window_decl& d) {
  controls& c = d.initial;
  declare_slider(c, "HScroll2", 0, {0, 50, 0, true});
  c.find_sliders("HScroll2")->indexed = false;
  declare_field(c, "Text5", 0, "0", "step", false);
  d.layout.push_back(
      {"", {"", "", "step"}, {"時間"}, {{slider_cell("HScroll2"), field_cell("Text5")}}});
  c.add_label("Label4", "動画");
  c.option_captions = {"５次曲線", "２次曲線", "等速曲線"};
  d.buttons = {{"run", "Run"}, {"stop", "Stop"}, {"next", "next figure"}};
  d.style = parallel_style();
}

control_grid orvak_posture_table(controls& c) {
  std::vector<start_stop_row> rows;
  const char* captions[] = {"alfa", "beta", "ganma"};
  for (int k = 0; k < 3; ++k)
    rows.push_back(
        {captions[k], "Text9", k, "", "Text10", k, "0", "HScroll1", k, slider{-180, 180, 0, true}});
  return start_stop_table(c, "", {"", "start  stop", "", ""}, rows);
}

control_grid pose_readout_row(controls& c, const std::string& caption,
                              const std::vector<std::string>& field_captions) {
  control_grid g;
  g.title = caption;
  std::vector<grid_cell> cells;
  for (std::size_t k = 0; k < field_captions.size(); ++k) {
    declare_field(c, "Text11", static_cast<int>(k), "", field_captions[k]);
    cells.push_back(field_cell("Text11", static_cast<int>(k)));
  }
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

void zero_leg_log::note(const orvak_legs& legs, int step, int unit) {
  for (int k = 1; k <= 3; ++k) {
    if (!legs.zero_length[k]) continue;
    entry& e = legs_[unit][k];
    if (e.count++ == 0) e.first_step = step;
  }
}

std::string zero_leg_log::text() const {
  static const char* unit_names[] = {"", "lower ", "upper "};
  std::string s;
  for (int u = 0; u < 3; ++u)
    for (int k = 1; k <= 3; ++k) {
      const entry& e = legs_[u][k];
      if (e.count == 0) continue;
      if (!s.empty()) s += "; ";
      s += std::string(unit_names[u]) + "leg " + std::to_string(k) + " had zero length at " +
           std::to_string(e.count) + (e.count == 1 ? " step" : " steps") + " (first: step " +
           std::to_string(e.first_step) + "), its rate and acceleration shown as 0";
    }
  return s;
}

}  // namespace kinelab

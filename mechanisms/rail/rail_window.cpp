#include "mechanisms/rail/rail_window.h"

#include <cmath>

#include "app/window/decl_builder.h"
#include "core/posture.h"
#include "draw/view.h"
#include "mechanisms/platform/platform_logic.h"

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

rail_outputs outputs_of(std::vector<int> legs, bool posture, bool pose_first,
                        std::string result_header) {
  rail_outputs out;
  // The forward windows show the pose first; they are also the ones that name things their way.
  const bool forward = pose_first;
  if (pose_first) add_rail_pose_graphs(out.graphs, posture, forward);
  add_rail_slider_graphs(out.graphs, legs, forward);
  if (!pose_first) add_rail_pose_graphs(out.graphs, posture, forward);
  out.result_legs = std::move(legs);
  out.result_header = std::move(result_header);
  return out;
}

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

rail_outputs drav_outputs(bool pose_first) {
  return outputs_of({1, 3, 5}, false, pose_first,
                    "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx3(i), bx5(i)");
}

rail_outputs selvo_outputs(bool pose_first) {
  return outputs_of({1, 2, 3, 4, 5, 6}, true, pose_first,
                    "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx2(i), bx3(i), bx4(i), bx5(i), bx6(i)");
}

rail_logic::rail_logic(const rail_outputs& outputs)
    : platform_window_logic("jp", "bx", "slider position on rail", leg_fault::unreachable,
                            outputs.result_header, outputs.result_legs) {}

bool rail_logic::read_geometry(sim_window& w) {
  rail_geometry g;
  for (int i = 1; i <= rail_leg_count; ++i) {
    g.ax(i) = w.ctl.number(ax_fields, i - 1);
    g.ay(i) = w.ctl.number(ay_fields, i - 1);
    g.By(i) = w.ctl.number(By_fields, i - 1);
  }
  g.rod_length = w.ctl.number(rod_length_field);
  geometry_ = g;
  return size_view_once(w, g.ax, g.ay, width_in_draw_sizes);  // a table of zeros keeps one unit
}

void rail_logic::draw_step(sim_window& w, surface& s, const view_params& v, int i) {
  std::array<view_point, rail_leg_count + 1> joint, slide;  // legs 1..6
  for (int k = 1; k <= rail_leg_count; ++k) {
    const kin_state& j = this->joint(k, i);
    joint[static_cast<std::size_t>(k)] = project(v.V, v.scale, j.x, j.y, j.z);
    // The slider stands on its rail: (bx, By, 0).
    slide[static_cast<std::size_t>(k)] =
        project(v.V, v.scale, actuator(k, i).x, geometry_.By(k), 0);
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
  draw_frame_axes(s, v.V, v.scale, pp(i), sp(i), w.draw_size / 10);
  // The world axes that follow are drawn with the thin pen.
  s.DrawWidth(1);
}

std::optional<atlas_mechanism> rail_logic::atlas() const {
  atlas_mechanism m = atlas_frame();
  set_platform_atlas_maps<rail_model>(geometry_, m);
  return m;
}

}  // namespace kinelab

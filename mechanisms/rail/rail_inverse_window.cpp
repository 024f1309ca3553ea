// form_drav_gyaku and form_selvo_gyaku: the platform pose follows the motion profile from the
// start pose (set by the sliders) to the stop pose, and the sliders are solved in closed form.
#include <memory>

#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "mechanisms/platform/platform_logic.h"
#include "mechanisms/rail/rail_window.h"

namespace kinelab {

namespace {

constexpr int position_rows = 3;

}  // namespace

window_decl rail_inverse_window(const rail_inverse_variant& v) {
  window_decl d;
  d.name = v.name;
  d.title = v.title;
  controls& c = d.initial;
  declare_rail_geometry(d, true, false);

  const char* captions[] = {"Px", "Py ", "Pz", "α", "β", "γ"};
  const char* stops[] = {"0", "0", "0.25", "0", "0", "0"};
  const int start_values[] = {0, 0, 15, 0, 0, 0};
  std::vector<start_stop_row> rows;
  for (int k = 0; k < rail_leg_count; ++k) {
    const slider range = k < position_rows ? slider{0, 40, start_values[k], true}
                                           : slider{-90, 90, start_values[k], true};
    rows.push_back(rail_start_stop.row(k, captions[k], "", stops[k], range));
  }
  control_grid table = start_stop_table(c, "", {"", "start", "stop"}, rows);
  for (int k = position_rows; k < rail_leg_count; ++k) {
    table.rows[static_cast<std::size_t>(k)].push_back(text_cell("deg"));
    if (!v.posture_inputs) {
      c.field(rail_start_stop.stop, rail_start_stop.stop_index(k)).enabled = false;
      c.slider_at(rail_start_stop.sliders, k).enabled = false;
    }
  }
  d.layout.push_back(table);

  declare_parallel_controls(d, {"Stop", true});
  d.graphs = v.outputs.graphs;
  d.make_logic = [&v] { return std::make_unique<platform_inverse_logic<rail_model>>(v.outputs); };
  return d;
}

const window_decl& form_drav_gyaku() {
  static const rail_inverse_variant variant = [] {
    rail_inverse_variant v{"form_drav_gyaku", "drav_gyaku", false, {}};
    // Each pair's second slider follows its first at a fixed offset: legs 1, 3, 5 say it all.
    add_rail_slider_graphs(v.outputs.graphs, {1, 3, 5});
    add_rail_pose_graphs(v.outputs.graphs, false);
    v.outputs.result_legs = {1, 3, 5};
    v.outputs.result_header = "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx3(i), bx5(i)";
    return v;
  }();
  static const window_decl decl = rail_inverse_window(variant);
  return decl;
}

const window_decl& form_selvo_gyaku() {
  static const rail_inverse_variant variant = [] {
    rail_inverse_variant v{"form_selvo_gyaku", "selvo_gyaku", true, {}};
    add_rail_slider_graphs(v.outputs.graphs, {1, 2, 3, 4, 5, 6});
    add_rail_pose_graphs(v.outputs.graphs, true);
    v.outputs.result_legs = {1, 2, 3, 4, 5, 6};
    v.outputs.result_header =
        "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx2(i), bx3(i), bx4(i), bx5(i), bx6(i)";
    return v;
  }();
  static const window_decl decl = rail_inverse_window(variant);
  return decl;
}

}  // namespace kinelab

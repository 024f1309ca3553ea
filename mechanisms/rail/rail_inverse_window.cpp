// form_drav_gyaku and form_selvo_gyaku: the platform pose follows the motion profile from the
// start pose (set by the sliders) to the stop pose, and the sliders are solved in closed form.
#include <memory>

#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "mechanisms/platform/platform_logic.h"
#include "mechanisms/rail/rail_window.h"

namespace kinelab {

window_decl rail_inverse_window(const rail_inverse_variant& v) {
  window_decl d;
  d.name = v.name;
  d.title = v.title;
  controls& c = d.initial;
  declare_rail_geometry(d, true, false);

  control_grid table = platform_pose_table(c, rail_start_stop, rail_model::slider_units_per_length,
                                           {"0", "0", "0.25", "0", "0", "0"}, false);
  // dravik's posture stays at zero.
  for (int k = 3; k < rail_leg_count && !v.posture_inputs; ++k) {
    c.field(rail_start_stop.stop, rail_start_stop.stop_index(k)).enabled = false;
    c.slider_at(rail_start_stop.sliders, k).enabled = false;
  }
  d.layout.push_back(table);

  declare_parallel_controls(d, {"Stop", true});
  d.graphs = v.outputs.graphs;
  d.make_logic = [&v] { return std::make_unique<platform_inverse_logic<rail_model>>(v.outputs); };
  return d;
}

const window_decl& form_drav_gyaku() {
  static const rail_inverse_variant variant{"form_drav_gyaku", "drav_gyaku", false,
                                            drav_outputs(false)};
  static const window_decl decl = rail_inverse_window(variant);
  return decl;
}

const window_decl& form_selvo_gyaku() {
  static const rail_inverse_variant variant{"form_selvo_gyaku", "selvo_gyaku", true,
                                            selvo_outputs(false)};
  static const window_decl decl = rail_inverse_window(variant);
  return decl;
}

}  // namespace kinelab

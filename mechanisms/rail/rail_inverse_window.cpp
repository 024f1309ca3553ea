// form_drav_gyaku and form_selvo_gyaku: the platform pose follows the motion profile from the
// start pose (set by the sliders) to the stop pose, and the sliders are solved in closed form.
#include <memory>

#include "app/run/leg_report.h"
#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "app/window/pose_fields.h"
#include "core/angles.h"
#include "mechanisms/rail/rail_window.h"

namespace kinelab {

namespace {

// Start x, y, z are slider values in hundredths of the length unit; α, β, γ whole degrees.
constexpr int position_rows = 3;
constexpr double slider_units_per_length = 100;

class rail_inverse_logic : public rail_logic {
 public:
  explicit rail_inverse_logic(const rail_inverse_variant& v) : rail_logic(v.outputs) {}

  void read_parameters(sim_window& w) override {
    read_geometry(w);
    // The start pose is a slider setting: whatever was typed into Text9 is replaced.
    start_pose_from_sliders(w.ctl, rail_start_stop, slider_units_per_length);
  }

  void static_pose(sim_window& w) override {
    // Values only: the rate fields of pp(0) and sp(0) keep what the last run left there.
    kin_state& p = pp(0);
    kin_state& s = sp(0);
    read_pose_values(w.ctl, rail_start_stop, p, s);
    rail_sliders sliders;
    rail_joint_states joints;
    rail_inverse_full(geometry_, p, s, sliders, joints);
    for (int k = 1; k <= rail_leg_count; ++k) slider(k, 0).x = sliders.bx(k);
    store_joints(0, joints);
    static_unreachable_ = sliders.unreachable;
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, rail_start_stop, rail_leg_count, start_, stop_);
    unreachable_.clear();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    // All six pose coordinates follow the one profile: a straight line in (x, y, z, α, β, γ).
    const kin_state position = apply_profile(p, start_, stop_, 1, w.T());
    const kin_state posture = rad(apply_profile(p, start_, stop_, 4, w.T()));
    rail_sliders sliders;
    rail_joint_states joints;
    rail_inverse_full(geometry_, position, posture, sliders, joints);
    pp(i) = position;
    sp(i) = posture;
    for (int k = 1; k <= rail_leg_count; ++k)
      slider(k, i) = {sliders.bx(k), sliders.dbx(k), sliders.ddbx(k)};
    store_joints(i, joints);
    unreachable_.note(i, sliders.unreachable);
  }

  void fill_readouts(sim_window& w, int i) override {
    for (int k = 1; k <= rail_leg_count; ++k)
      w.ctl.set_number(rail_readouts, k - 1, slider(k, i).x);
  }

  std::string run_note(ui_language lang) const override { return unreachable_.text(lang); }

  // "the static pose is unreachable (leg 4)".
  std::string static_pose_note(ui_language lang) const override {
    if (static_unreachable_ == 0) return {};
    return message(lang, message_id::static_pose_unreachable,
                   {unreachable_.legs_text(static_unreachable_, lang)});
  }

 private:
  vec<6> start_, stop_;  // x, y, z in length units, α, β, γ in degrees
  leg_fault_log unreachable_{leg_fault::unreachable};  // the legs off their rails, last run
  unsigned static_unreachable_ = 0;
};

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
  d.make_logic = [&v] { return std::make_unique<rail_inverse_logic>(v); };
  return d;
}

const window_decl& form_drav_gyaku() {
  static const rail_inverse_variant variant = [] {
    rail_inverse_variant v{"form_drav_gyaku", "drav_gyaku", false, {}};
    // Each pair's second slider follows its first at a fixed offset: legs 1, 3, 5 say it all.
    add_rail_slider_graphs(v.outputs.graphs, {1, 3, 5}, false);
    add_rail_pose_graphs(v.outputs.graphs, false, false);
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
    add_rail_slider_graphs(v.outputs.graphs, {1, 2, 3, 4, 5, 6}, false);
    add_rail_pose_graphs(v.outputs.graphs, true, false);
    v.outputs.result_legs = {1, 2, 3, 4, 5, 6};
    v.outputs.result_header =
        "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx2(i), bx3(i), bx4(i), bx5(i), bx6(i)";
    return v;
  }();
  static const window_decl decl = rail_inverse_window(variant);
  return decl;
}

}  // namespace kinelab

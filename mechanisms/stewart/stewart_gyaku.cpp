// form_stewart_gyaku: the platform pose follows the motion profile from the start pose (set by
// the sliders) to the stop pose, and the six leg lengths follow in closed form.
#include <memory>

#include "app/window/decl_builder.h"
#include "app/window/pose_fields.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

namespace {

// Start x, y, z are slider values in tenths of the length unit; α, β, γ whole degrees.
constexpr int position_rows = 3;
constexpr double slider_units_per_length = 10;

class stewart_inverse_logic : public stewart_logic {
 public:
  stewart_inverse_logic()
      : stewart_logic(
            "i, pp(i).x, pp(i).y, pp(i).z, the1(i), THE2(i), THE3(i), the4(i), the5(i), the6(i); "
            "\"") {}

  void read_parameters(sim_window& w) override {
    read_geometry(w);
    // The start pose is a slider setting: whatever was typed into Text9 is replaced.
    start_pose_from_sliders(w.ctl, stewart_start_stop, slider_units_per_length);
  }

  void static_pose(sim_window& w) override {
    // Values only: the rate fields of pp(0) and sp(0) keep what the last run left there, and
    // only the lengths of the legs are stored.
    kin_state& p = pp(0);
    kin_state& s = sp(0);
    read_pose_values(w.ctl, stewart_start_stop, p, s);
    stewart_leg_set legs;
    platform_joints joints;
    stewart_ik(geometry_, p, s, legs, joints);
    store_joints(0, joints);
    for (int k = 1; k <= stewart_leg_count; ++k) the(k, 0).x = legs.leg(k);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, stewart_start_stop, stewart_leg_count, start_, stop_);
    zero_legs_.clear();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    // All six pose coordinates follow the one profile: a straight line in (x, y, z, α, β, γ).
    const kin_state position = apply_profile(p, start_, stop_, 1, w.T());
    const kin_state posture = rad(apply_profile(p, start_, stop_, 4, w.T()));
    stewart_leg_set legs;
    platform_joints joints;
    stewart_ik(geometry_, position, posture, legs, joints);
    pp(i) = position;
    sp(i) = posture;
    store_run_step(i, legs, joints);
  }

  void fill_readouts(sim_window& w, int i) override {
    for (int k = 1; k <= stewart_leg_count; ++k)
      w.ctl.set_number(stewart_readouts, k - 1, the(k, i).x);
  }

 private:
  vec<6> start_, stop_;  // x, y, z in length units, α, β, γ in degrees
};

}  // namespace

const window_decl& form_stewart_gyaku() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "form_stewart_gyaku";
    d.title = "stewart_gyaku";
    controls& c = d.initial;
    declare_stewart_geometry(d, "第１節");

    const char* captions[] = {"Px", "Py ", "Pz", "α", "β", "γ"};
    const char* stops[] = {"0", "0", "3", "0", "0", "0"};
    const int start_values[] = {0, 0, 15, 0, 0, 0};
    std::vector<start_stop_row> rows;
    for (int k = 0; k < stewart_leg_count; ++k) {
      const bool length = k < position_rows;
      const slider range =
          length ? slider{0, 40, start_values[k], true} : slider{-90, 90, start_values[k], true};
      const double start = length ? start_values[k] / slider_units_per_length : start_values[k];
      rows.push_back(stewart_start_stop.row(k, captions[k], format_number(start), stops[k], range));
    }
    control_grid table = start_stop_table(c, "", {"", "start", "stop"}, rows);
    for (int k = position_rows; k < stewart_leg_count; ++k)
      table.rows[static_cast<std::size_t>(k)].push_back(text_cell("deg"));
    d.layout.push_back(table);

    control_grid lengths;
    for (int k = 0; k < stewart_leg_count; ++k) {
      const std::string caption = "L" + std::to_string(k + 1);
      declare_field(c, stewart_readouts, k, "", caption);
      lengths.column_captions.push_back(caption);
    }
    mark_readouts(c, stewart_readouts);
    lengths.rows.push_back({});
    for (int k = 0; k < stewart_leg_count; ++k)
      lengths.rows[0].push_back(field_cell(stewart_readouts, k));
    d.layout.push_back(lengths);

    declare_stewart_common(d);
    d.make_logic = [] { return std::make_unique<stewart_inverse_logic>(); };
    return d;
  }();
  return decl;
}

}  // namespace kinelab

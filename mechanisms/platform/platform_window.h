#pragma once
// What the logic of every six-legged platform window holds, whichever way it is driven: the
// trajectory arrays, result.dat's rows, the legs at fault over the last run and the size of the
// view. The family's own logic (mechanisms/stewart, mechanisms/rail) adds its geometry and its
// drawing; platform_logic.h adds the two directions.
#include <array>
#include <string>
#include <vector>

#include "app/run/leg_report.h"
#include "app/window/sim_window.h"
#include "app/window/start_stop_fields.h"

namespace kinelab {

inline constexpr int platform_legs = 6;

// The inverse windows' start/stop table of the pose, one row a coordinate: Px, Py, Pz on sliders
// 0..40 in steps of 1/units_per_length, then α, β, γ on sliders −90..90 in degrees, marked "deg";
// the sliders start at Pz = 15 steps, the rest at 0. The start fields show the sliders' values
// when `start_texts`, else they stay empty until the first static pose fills them.
control_grid platform_pose_table(controls& c, const start_stop_fields& f, double units_per_length,
                                 const std::array<const char*, platform_legs>& stops,
                                 bool start_texts);

class platform_window_logic : public window_logic {
 public:
  // The platform joints in the world frame with their rates; leg k at [k − 1].
  using joints = std::array<kin_state, platform_legs>;

  // Arrays: pp (platform origin), sp (posture), then the joints `joint`1..6 and the actuators
  // `actuator`1..6 (value, rate, acceleration in x, dx, ddx), "pj" and "the" say pj1, the1;
  // `actuator_meaning` is what the actuators are, in the words of the arrays' descriptions.
  // result.dat: `result_header`, then per step i, pp.x, pp.y, pp.z and the values of the
  // actuators `result_legs`. `fault` names what the legs noted in faults_ suffered.
  platform_window_logic(const std::string& joint, const std::string& actuator,
                        const std::string& actuator_meaning, leg_fault fault,
                        std::string result_header, std::vector<int> result_legs);

  const std::vector<kin_state>* output_path() const override { return pp_; }
  void write_header(result_text& out) const override;
  void write_row(result_text& out, int i) const override;
  std::string run_note(ui_language lang) const override { return faults_.text(lang); }
  // The atlas description without its maps: the pose (pp, sp), the six actuators, output pp.
  atlas_mechanism atlas_frame() const;

 protected:
  kin_state& pp(int i) { return (*pp_)[static_cast<std::size_t>(i)]; }
  kin_state& sp(int i) { return (*sp_)[static_cast<std::size_t>(i)]; }
  const kin_state& pp(int i) const { return (*pp_)[static_cast<std::size_t>(i)]; }
  const kin_state& sp(int i) const { return (*sp_)[static_cast<std::size_t>(i)]; }
  // Leg k's joint and actuator at step i, k = 1..6.
  const kin_state& joint(int k, int i) const {
    return (*joints_[static_cast<std::size_t>(k - 1)])[static_cast<std::size_t>(i)];
  }
  scalar_state& actuator(int k, int i) {
    return (*actuators_[static_cast<std::size_t>(k - 1)])[static_cast<std::size_t>(i)];
  }
  const scalar_state& actuator(int k, int i) const {
    return (*actuators_[static_cast<std::size_t>(k - 1)])[static_cast<std::size_t>(i)];
  }
  void store_joints(int i, const joints& at);

  // On the first call, when the window opens: draw_size = ½·Σ(|ax| + |ay|) over the platform
  // joints and draw_scale = surface width / (divisor·draw_size), the width alone since the
  // platform is seen mostly from the side (a platform of zero size keeps one unit). Later edits
  // of the table do not rescale the view. True on that first call.
  bool size_view_once(sim_window& w, const vec<6>& ax, const vec<6>& ay, double divisor);

  leg_fault_log faults_;  // over the last run

 private:
  std::string actuator_name_;
  std::string result_header_;
  std::vector<int> result_legs_;
  bool sized_ = false;
  std::vector<kin_state>* pp_;
  std::vector<kin_state>* sp_;
  std::array<std::vector<kin_state>*, platform_legs> joints_{};
  std::array<std::vector<scalar_state>*, platform_legs> actuators_{};
};

}  // namespace kinelab

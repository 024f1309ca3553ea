#pragma once
// What the two zelko windows share: the geometry controls, the trajectory arrays of the limb,
// placing it at a step, its drawing and the rows of result.dat.
#include <string>
#include <vector>

#include "app/run/leg_report.h"
#include "app/window/sim_window.h"
#include "mechanisms/orvak/orvak_window.h"
#include "mechanisms/zelko/zelko_kinematics.h"

namespace kinelab {

// The orvak joint table, Text7, and the middle-joint offsets Text4(0..3) "Hx1=" … "Hz3=".
void declare_zelko_geometry(window_decl& d);

class zelko_logic : public window_logic {
 public:
  zelko_logic();

  // The geometry, and draw_size 2·d with the scale from the surface width.
  void read_geometry(sim_window& w);

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override;
  const std::vector<kin_state>* output_path() const override { return top_; }
  void write_row(result_text& out, int i) const override;
  std::string run_note(ui_language lang) const override;
  // ∂(pp4, shisei)/∂θ (6×6) at the stored twists, θ = (α1, β1, γ1, β2, α3, β3).
  bool jacobian_at(int i, jacobian_matrix& J) const override;
  // Sampled over θ; the end-plate origin pp4 binned, the Jacobian of jacobian_at.
  std::optional<atlas_mechanism> atlas() const override;

 protected:
  static std::size_t at(int i) { return static_cast<std::size_t>(i); }
  // Stores the twists as step i and places every point of the limb there.
  void store_step(int i, const zelko_twists& twists);
  // Lower legs into leng1 (and, when the window keeps them, upper legs into leng2).
  void store_legs(int i);
  // The four header lines; the inverse window's last line has no trailing comma.
  static void write_zelko_header(result_text& out, bool last_comma);
  void clear_run_notes();
  // From here on the placed points of steps 1..N are those of a Run at the geometry as it stands.
  void begin_placing();
  // Stage origin j (1..4) at step i.
  kin_state pp(int j, int i) const { return j == 4 ? (*top_)[at(i)] : pp_[j]->state(at(i)); }

  zelko_geometry geometry_;
  std::vector<kin_state>* hineri_[4] = {};  // [1..3]
  std::vector<kin_state>& shisei_;
  // The stage origins below the top and the joints are placed again when read, from the
  // twists; the top origin pp4, the output, is kept.
  placed_arrays& placed_;
  zelko_geometry run_geometry_;                    // that of the last Run
  const trajectory_array* pp_[4] = {};             // [1..3]
  std::vector<kin_state>* top_ = nullptr;          // pp4
  const trajectory_array* plat_joint_[3][4] = {};  // [unit 1..2][joint 1..3]
  const trajectory_array* base_joint_[3][4] = {};
  std::vector<kin_state>* leng_[3] = {};  // [1] lower legs; [2] upper legs, if kept

 private:
  // Lower legs L11..L13 at bits 0..2, upper legs L31..L33 at bits 3..5, as the graphs name them.
  leg_fault_log zero_legs_{leg_fault::zero_length, {"L11", "L12", "L13", "L31", "L32", "L33"}};
  // The in-unit legs store_step took at the step it placed last (−1: none).
  int placed_step_ = -1;
  orvak_legs placed_legs_[3];
};

}  // namespace kinelab

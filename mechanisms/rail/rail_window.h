#pragma once
// The four windows of the six-rail slider mechanism: dravik and selvo, each driven by its
// platform pose (inverse) and by its sliders (forward). The dravik and the selvo window of one
// direction are one declaration over the data that tells them apart; this header holds that
// data and what all four share (geometry table, trajectory arrays, drawing, result file).
#include <array>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "app/window/start_stop_fields.h"
#include "mechanisms/rail/rail_kinematics.h"

namespace kinelab {

// What the graphs and result.dat show.
struct rail_outputs {
  std::vector<graph_decl> graphs;
  std::vector<int> result_legs;  // slider columns after i, pp.x, pp.y, pp.z
  std::string result_header;
};

// The inverse windows: dravik holds the posture at zero (its posture stop fields and sliders
// are disabled), selvo moves all six pose coordinates.
struct rail_inverse_variant {
  std::string name, title;
  bool posture_inputs = true;
  rail_outputs outputs;
};

// The forward windows: start field k shows slider `source` (in hundredths) plus `offset`.
// dravik drives the first slider of each leg pair and places the second at the pair's fixed
// offset; a slider that feeds no start field of its own row is disabled.
struct rail_start_source {
  int slider = 0;
  double offset = 0;
};
struct rail_forward_variant {
  std::string name, title;
  std::array<rail_start_source, rail_leg_count> start;
  rail_outputs outputs;
};

window_decl rail_inverse_window(const rail_inverse_variant& v);
window_decl rail_forward_window(const rail_forward_variant& v);

const window_decl& form_drav_gyaku();
const window_decl& form_selvo_gyaku();
const window_decl& form_drav_jun();
const window_decl& form_selvo_jun();

// ---- shared by both directions ----

// The start/stop table, one row per pose coordinate or slider.
inline constexpr start_stop_fields rail_start_stop{"Text9", "Text10", "HScroll1"};
// The six readouts: the output column "Bx" of the inverse windows, the pose of the forward ones.
inline constexpr const char* rail_readouts = "Text4";
// The forward windows' tolerance on the slider positions.
inline constexpr const char* rail_tolerance = "Text7";

// The geometry table Text1..Text3 (columns "ax", "ay", "By"; the readouts as an output column
// "Bx" when `bx_column`), then the rod length Text6 and, when `tolerance_field`, the tolerance.
void declare_rail_geometry(window_decl& d, bool bx_column, bool tolerance_field);
// Graphs of the slider arrays of the given legs ("bx1 dbx1 ddbx1", ...).
void add_rail_slider_graphs(std::vector<graph_decl>& graphs, const std::vector<int>& legs,
                            bool forward);
// Graphs of the platform position pp, and of the posture sp when `posture`.
void add_rail_pose_graphs(std::vector<graph_decl>& graphs, bool posture, bool forward);

// The part of the window logic both directions share: the geometry, the trajectory arrays
// (pp, sp, jp1..jp6 and the slider histories bx1..bx6), the drawing and the result file.
class rail_logic : public window_logic {
 public:
  explicit rail_logic(const rail_outputs& outputs);

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override;
  const std::vector<kin_state>* output_path() const override { return pp_; }
  void write_header(result_text& out) const override;
  void write_row(result_text& out, int i) const override;
  // ∂bx/∂q (6×6) at the stored platform pose q = (pp, sp); none where a rod cannot reach its
  // rail.
  bool jacobian_at(int i, jacobian_matrix& J) const override;
  // Pose (pp, sp), actuators bx1..bx6, solved by rail_inverse.
  std::optional<atlas_mechanism> atlas() const override;

 protected:
  // Reads the geometry table and the rod length. The first read, when the window opens, also
  // fixes draw_size (half the sum of |ax| and |ay|) and draw_scale (the surface width over
  // 2.5·draw_size); later edits of the table do not rescale the view.
  void read_geometry(sim_window& w);
  kin_state& pp(int i) { return (*pp_)[static_cast<std::size_t>(i)]; }
  kin_state& sp(int i) { return (*sp_)[static_cast<std::size_t>(i)]; }
  // Slider history of leg 1..6 at step i: bx in x, dbx in dx, ddbx in ddx.
  kin_state& slider(int leg, int i) {
    return (*bx_[static_cast<std::size_t>(leg - 1)])[static_cast<std::size_t>(i)];
  }
  void store_joints(int i, const rail_joint_states& joints);

  rail_geometry geometry_;

 private:
  const rail_outputs& outputs_;
  bool sized_ = false;
  std::vector<kin_state>* pp_;
  std::vector<kin_state>* sp_;
  std::array<std::vector<kin_state>*, rail_leg_count> jp_{}, bx_{};
};

}  // namespace kinelab

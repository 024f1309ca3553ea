#pragma once
// What the two Stewart windows share: the joint table, the common controls, the twelve graphs,
// the trajectory arrays, the drawing of the platform and the result rows.
#include <string>
#include <vector>

#include "app/run/leg_report.h"
#include "app/window/sim_window.h"
#include "app/window/start_stop_fields.h"
#include "mechanisms/stewart/stewart_kinematics.h"

namespace kinelab {

const window_decl& form_stewart_gyaku();
const window_decl& form_stewart_jun();

// Both windows' start/stop table, one row per pose coordinate or leg, and their six readouts.
inline constexpr start_stop_fields stewart_start_stop{"Text9", "Text10", "HScroll1"};
inline constexpr const char* stewart_readouts = "Text11";

// The joint table: rows "ax" (Text3), "ay" (Text6), "Bx" (Text1), "By" (Text2), one column per
// leg; the first column is captioned `first_column`.
void declare_stewart_geometry(window_decl& d, const std::string& first_column);
// The parallel windows' common controls (the stop button captioned "stop") and the twelve
// graphs.
void declare_stewart_common(window_decl& d);

// The window logic both directions share. Arrays: pp (platform origin), sp (posture), pj1..pj6
// (platform joints in the world frame), the1..the6 (leg lengths in x, dx, ddx).
class stewart_logic : public window_logic {
 public:
  explicit stewart_logic(std::string result_header);

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override;
  const std::vector<kin_state>* output_path() const override { return pp_; }
  void write_header(result_text& out) const override;
  void write_row(result_text& out, int i) const override;
  std::string run_note(ui_language lang) const override { return zero_legs_.text(lang); }
  // ∂L/∂q (6×6) at the stored platform pose q = (pp, sp); none where a leg has zero length.
  bool jacobian_at(int i, jacobian_matrix& J) const override;
  // Pose (pp, sp), actuators the1..the6, solved by stewart_legs.
  std::optional<atlas_mechanism> atlas() const override;

 protected:
  // Reads the joint table (Text1, Text2, Text3, Text6). The first read, when the window opens,
  // also fixes draw_size L = ½·Σ(|ax| + |ay|) over the platform joints and draw_scale = surface
  // width / (2·L); later edits of the table do not rescale the view. Returns true on that read.
  bool read_geometry(sim_window& w);

  kin_state& pp(int i) { return (*pp_)[static_cast<std::size_t>(i)]; }
  kin_state& sp(int i) { return (*sp_)[static_cast<std::size_t>(i)]; }
  // Leg k's length history at step i: the in x, dthe in dx, ddthe in ddx.
  kin_state& the(int k, int i) {
    return (*the_[static_cast<std::size_t>(k - 1)])[static_cast<std::size_t>(i)];
  }
  void store_joints(int i, const platform_joints& joints);
  // Leg lengths with rates and the joints at step i of a run, noting legs of zero length.
  void store_run_step(int i, const stewart_leg_set& legs, const platform_joints& joints);

  stewart_geometry geometry_;
  leg_fault_log zero_legs_{leg_fault::zero_length};  // over the last run

 private:
  std::string result_header_;
  bool sized_ = false;
  std::vector<kin_state>* pp_;
  std::vector<kin_state>* sp_;
  std::vector<std::vector<kin_state>*> pj_, the_;
};

}  // namespace kinelab

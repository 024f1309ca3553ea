#pragma once
// The four windows of the six-rail slider mechanism: dravik and selvo, each driven by its
// platform pose (inverse) and by its sliders (forward). The dravik and the selvo window of one
// direction are one declaration over the data that tells them apart; this header holds that
// data and what all four share (geometry table, trajectory arrays, drawing, result file).
#include <array>
#include <string>
#include <vector>

#include "app/window/start_stop_fields.h"
#include "mechanisms/platform/platform_window.h"
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
// What dravik shows (the sliders of legs 1, 3, 5, whose pair partners follow at fixed offsets,
// and the position) and what selvo shows (all six sliders and the whole pose): the graphs, the
// pose's first when `pose_first`, and the columns of result.dat.
rail_outputs drav_outputs(bool pose_first);
rail_outputs selvo_outputs(bool pose_first);

// The part of the window logic both directions share: the geometry and the drawing. Arrays: pp,
// sp, jp1..jp6 (platform joints) and the slider histories bx1..bx6; the rods off their rails are
// noted.
class rail_logic : public platform_window_logic {
 public:
  explicit rail_logic(const rail_outputs& outputs);

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override;
  // Pose (pp, sp), actuators bx1..bx6, solved by rail_inverse.
  std::optional<atlas_mechanism> atlas() const override;

 protected:
  // Reads the geometry table and the rod length; the first read, when the window opens, sizes
  // the view to 2.5 times the platform (size_view_once). Returns true on that read.
  bool read_geometry(sim_window& w);

  rail_geometry geometry_;
};

// The rail platforms for the shared platform window logic (mechanisms/platform).
struct rail_model {
  using base = rail_logic;
  using geometry = rail_geometry;
  using legs = rail_sliders;
  static constexpr const start_stop_fields& table = rail_start_stop;
  static constexpr const char* readouts = rail_readouts;
  static constexpr const char* tolerance_field = rail_tolerance;
  // Start positions in hundredths, angles in whole degrees.
  static constexpr double slider_units_per_length = 100;
  static constexpr bool notes_static_faults = true;
  static constexpr auto legs_at = &rail_inverse;
  static constexpr auto joints_at = &rail_joints;
  static constexpr auto jacobian = &rail_jacobian;
  static constexpr auto jacobian_values = &rail_jacobian_values;
  static constexpr auto value = &legs::bx, rate = &legs::dbx, accel = &legs::ddbx;
  static constexpr auto faults = &legs::unreachable;
  // A leg off its rail means the pose was not reached.
  static constexpr bool faults_unreach = true;
};

}  // namespace kinelab

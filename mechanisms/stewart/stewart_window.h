#pragma once
// What the two Stewart windows share: the joint table, the common controls, the twelve graphs,
// the trajectory arrays, the drawing of the platform and the result rows.
#include <string>
#include <vector>

#include "app/window/start_stop_fields.h"
#include "mechanisms/platform/platform_window.h"
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
// The inverse windows' six leg readouts in one row, captioned L1..L6 followed by `unit`.
void declare_stewart_leg_readouts(window_decl& d, const std::string& unit);
// The parallel windows' common controls (the stop button captioned "stop") and the twelve
// graphs.
void declare_stewart_common(window_decl& d);

// The window logic both directions share: the joint table and the drawing. Arrays: pp (platform
// origin), sp (posture), pj1..pj6 (platform joints in the world frame), the1..the6 (leg lengths
// in x, dx, ddx); the legs of zero length are noted.
class stewart_logic : public platform_window_logic {
 public:
  explicit stewart_logic(std::string result_header);

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override;
  // Pose (pp, sp), actuators the1..the6, solved by stewart_legs.
  std::optional<atlas_mechanism> atlas() const override;

 protected:
  // Reads the joint table (Text1, Text2, Text3, Text6); the first read, when the window opens,
  // sizes the view to twice the platform (size_view_once). Returns true on that read.
  bool read_geometry(sim_window& w);

  stewart_geometry geometry_;
};

// The Stewart platform for the shared platform window logic (mechanisms/platform).
struct stewart_model {
  using base = stewart_logic;
  using geometry = stewart_geometry;
  using legs = stewart_leg_set;
  static constexpr const start_stop_fields& table = stewart_start_stop;
  static constexpr const char* readouts = stewart_readouts;
  static constexpr const char* tolerance_field = "Text4";
  // Start positions and lengths in tenths, angles in whole degrees.
  static constexpr double slider_units_per_length = 10;
  static constexpr bool notes_static_faults = false;
  static constexpr auto legs_at = &stewart_legs;
  static constexpr auto joints_at = &stewart_joints;
  static constexpr auto jacobian = &stewart_jacobian;
  static constexpr auto jacobian_values = &stewart_jacobian_values;
  static constexpr auto value = &legs::leg, rate = &legs::dleg, accel = &legs::ddleg;
  static constexpr auto faults = &legs::zero_length;
  // A leg of zero length is still reached; only its rates are undefined.
  static constexpr bool faults_unreach = false;
};

}  // namespace kinelab

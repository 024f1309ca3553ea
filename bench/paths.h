#pragma once
// The trajectories the solver benchmarks step along: each window's own Run at the default
// N = 50, with every step's goal and solution, so that a timed step starts from the previous
// step's solution exactly as it does inside a Run.
#include <vector>

#include "core/kin_state.h"
#include "mechanisms/rail/rail_kinematics.h"
#include "mechanisms/serial/serial_chain.h"
#include "mechanisms/stewart/stewart_kinematics.h"
#include "mechanisms/zelko/zelko_kinematics.h"

namespace kinelab::bench {

struct serial_path {
  serial_arm arm;
  double tolerance = 0;
  std::vector<kin_state> goal_p, goal_s;  // goal_s empty for the 3R arm
  std::vector<link_array> the;            // the solution of every step
};

// form_3r_gyaku's default Run.
const serial_path& three_axis_path();
// The 6R arm from a regular first guess: every joint at 20°, the goal from
// (0.3, −0.3, 0.5; 0°, 0°, 0°) to (0.2, 0.1, 0.6; 30°, −20°, 45°). The window's default Run
// starts at all-zero angles, where the arm is singular, and never moves.
const serial_path& six_axis_path();
inline constexpr double six_axis_first_guess_deg = 20;

struct stewart_path {
  stewart_geometry geometry;
  double tolerance = 0;
  std::vector<vec<6>> leg, dleg, ddleg;      // the legs' goal lengths
  std::vector<kin_state> position, posture;  // the solution of every step
};
// form_stewart_jun's default Run.
const stewart_path& stewart_forward_path();
// The default Run of the forward window of examples/mechanisms/hexapod_650_250.json.
const stewart_path& hexapod_file_forward_path();

struct rail_path {
  rail_geometry geometry;
  double tolerance = 0;
  std::vector<vec<6>> bx, dbx, ddbx;         // the sliders' targets
  std::vector<kin_state> position, posture;  // the solution of every step
};
// form_drav_jun's default Run.
const rail_path& rail_forward_path();

struct zelko_path {
  zelko_geometry geometry;
  double tolerance = 0;
  std::vector<kin_state> goal_p, goal_s;
  std::vector<zelko_twists> twists;  // the solution of every step
};
// Form_zelko_gyaku's default Run.
const zelko_path& zelko_inverse_path();

}  // namespace kinelab::bench

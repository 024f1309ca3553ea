#pragma once
// The serial-arm inverse windows: the output point (3R) or the full pose (6R) moves from a
// start to a stop along the motion profile, and Newton–Raphson finds the joint angles at every
// step, warm-started from the previous step.
#include <string>
#include <vector>

#include "app/window/sim_window.h"

namespace kinelab {

// One driven coordinate of the goal: its caption, stop default and pose slider. The start
// field shows slider value × factor (0.1 or 0.01 for lengths, 5 for angles in degrees).
struct goal_coordinate {
  std::string caption;
  std::string stop_default;
  slider pose_slider;
  double slider_factor = 1;
  bool angle = false;  // degrees in the fields, radians inside
};

struct serial_inverse_layout {
  std::string name, title;
  int joints = 3;
  std::vector<std::string> link_groups;
  std::vector<std::vector<std::string>> link_defaults;
  std::vector<goal_coordinate> goal;  // x, y, z (3R) or x, y, z, α, β, γ (6R)
  std::string tolerance_group, tolerance_caption;
  double initial_angle_deg = 0;  // every joint's first guess
  std::string result_header;
};

window_decl serial_inverse_window(const serial_inverse_layout& layout);

const window_decl& form_3r_gyaku();
const window_decl& form_6r_gyaku();

}  // namespace kinelab

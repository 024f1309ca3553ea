#pragma once
// The serial-arm forward windows: an arm of n revolute joints and an output point P (a chain of
// n + 1 links) whose joints follow the motion profile from their start to their stop angles.
#include <string>
#include <vector>

#include "app/window/sim_window.h"

namespace kinelab {

// What differs between the 3R and the 6R forward window: data only.
struct serial_forward_layout {
  std::string name, title;
  int joints = 3;
  std::vector<std::string> link_groups;                 // one text group per joint, then one for P
  std::vector<std::vector<std::string>> link_defaults;  // hx, hy, hz, alfa, beta (P: hx, hy, hz)
  std::vector<std::string> stop_defaults;               // one per joint, degrees
  std::string result_header;
};

window_decl serial_forward_window(const serial_forward_layout& layout);

const window_decl& form_3r_jun();
const window_decl& form_6r_jun();

}  // namespace kinelab

#pragma once
// The two orvak windows: one unit driven by its platform posture, and four stacked units
// driven together.
#include "app/window/sim_window.h"

namespace kinelab {

const window_decl& form_orvak1_gyaku();
const window_decl& Form_orvak4_jun();

}  // namespace kinelab

#pragma once
// The two zelko windows: the limb driven by its joint twists, and driven by the pose of its end
// plate through the Newton–Raphson inverse.
#include "app/window/sim_window.h"

namespace kinelab {

const window_decl& Form_zelko_jun();
const window_decl& Form_zelko_gyaku();

}  // namespace kinelab

#pragma once
// The windows of a hexapod read from a mechanism file: an inverse window (the platform pose
// moves and the legs follow in closed form) and a forward window (the legs move and Newton–
// Raphson finds the pose), the built-in Stewart windows' logic over the file's geometry. The
// file's leg range and joint cones are recorded per step (array `outside`: the first leg beyond
// them, 0 for none) and the first such step is named in the status line.
#include <memory>

#include "app/window/sim_window.h"
#include "mechanisms/stewart/hexapod_file.h"

namespace kinelab {

enum class hexapod_window_kind { forward, inverse };

std::unique_ptr<sim_window> make_hexapod_window(std::shared_ptr<const hexapod_file> h,
                                                hexapod_window_kind kind,
                                                const run_settings& settings = {});

// The slider step of the file's lengths: a round part of the longest leg.
double hexapod_slider_step(const hexapod_file& h);

}  // namespace kinelab

#pragma once
// What the status line says about the Newton–Raphson solves of a Run or a static pose.
#include <string>
#include <vector>

#include "app/text/messages.h"
#include "core/newton.h"

namespace kinelab {

// Empty when every step converged; otherwise e.g.
// "3 of 51 steps did not reach the tolerance (first: step 17, residual 0.0042)".
std::string summarize_run(const std::vector<nr_outcome>& steps,
                          ui_language lang = ui_language::english);
// Empty when the solve converged; otherwise e.g.
// "the static pose did not reach the tolerance (residual 0.12, singular Jacobian)".
std::string summarize_static_pose(const nr_outcome& step, ui_language lang = ui_language::english);

}  // namespace kinelab

#pragma once
// Checks of what a window reports about its last Run beyond the trajectory: its Jacobian
// against the rates it stored, and its solved variables against false branch-jump alarms.
#include <memory>
#include <string>
#include <vector>

#include "app/window/sim_window.h"

namespace kinelab::test {

// J·ẋ against the stored velocity: both come from the same rate propagation or the same
// linear solve, so they differ by rounding (some 1e-14 relative), not by truncation.
inline constexpr double jacobian_tolerance = 1e-9;

// The rate field of one component of one array: {"the1", 'x'} is the1.dx.
struct stored_rate {
  std::string array;
  char component = 'x';
};

// The variables of a window's Jacobian: J(r, c) = ∂rows[r]/∂columns[c].
struct jacobian_layout {
  std::vector<stored_rate> columns, rows;
};

// At every step 0..N of the window's last Run: a Jacobian of the layout's shape whose product
// with the stored column rates is the stored row rates within `tolerance` of the step's scale
// (the largest row rate or term of the product); none before step 0 or after N. One readable
// line per failure, and one when every rate was zero (nothing would have been checked).
std::vector<std::string> jacobian_rate_mismatches(const sim_window& w,
                                                  const jacobian_layout& layout,
                                                  double tolerance = jacobian_tolerance);

// A new window of the declaration, opened with the default settings (N = 50, T = 1), `sets`
// applied as run_and_check_derivatives applies them, and run.
std::unique_ptr<sim_window> run_window(const window_decl& decl,
                                       const std::vector<std::string>& sets = {});

// The branch jumps find_branch_jumps finds over the window's last Run, as the status line would
// name them, and every solved variable whose array the window does not have; empty when there
// is nothing to say.
std::vector<std::string> branch_jump_alarms(const sim_window& w);

}  // namespace kinelab::test

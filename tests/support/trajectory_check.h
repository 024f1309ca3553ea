#pragma once
// The trajectory check every window's tests use: after a Run at a large N, the stored rate of
// every array must match the central difference of its values over the time grid, and the
// stored acceleration the central difference of its rates.
//
// A central difference over dt = T/N has truncation error dt²/6·|f‴|; with N = 2000 and T = 1
// that is about 4e-8·|f‴|, far below check_tolerance relative to the curve's own scale (its
// largest rate or acceleration), which still catches a wrong sign, factor or missing term.
#include <memory>
#include <string>
#include <vector>

#include "app/run/trajectory_arrays.h"
#include "app/window/window_model.h"

namespace kinelab::test {

inline constexpr int check_divisions = 2000;
inline constexpr double check_tolerance = 1e-4;
// Newton–Raphson windows solve their rates with the Jacobian at the solved pose, so the rates
// carry the error of the pose itself: with a tight solver tolerance such as 1e-10 that is some
// 1e-10 relative, which differencing over dt = T/2000 magnifies by about N to a few 1e-7 of the
// acceleration scale; a step that stalls just short of so tight a tolerance and the step after
// it, going on from there, double that at most. Still far below a wrong sign, factor or missing
// term.
inline constexpr double nr_check_tolerance = 2e-5;

struct derivative_mismatch {
  std::string column;  // "p4.dx" (a rate) or "p4.ddx" (an acceleration)
  int step = 0;
  double analytic = 0, numeric = 0, relative = 0;
};

// The worst mismatch of each column that exceeds `tolerance` (empty when all agree). Steps
// where a value jumps by more than π between neighbours (an angle wrapping) are skipped.
std::vector<derivative_mismatch> check_trajectory_derivatives(const trajectory_arrays& arrays,
                                                              double T, double tolerance);

// Makes the CONTROL=VALUE edits of kinelab-cli's --set on an open window, as the user would
// (a slider fires its change event); an edit that cannot be made throws edit_error.
void apply_sets(window_model& w, const std::vector<std::string>& sets);

// Opens `window` with N = check_divisions, makes the CONTROL=VALUE edits (apply_sets), runs it
// and returns the mismatches as readable lines.
std::vector<std::string> run_and_check_derivatives(const std::string& window,
                                                   const std::vector<std::string>& sets = {},
                                                   double tolerance = check_tolerance);
// The same for a window built from a declaration of the test's own (another geometry or first
// guess for the same window code).
std::vector<std::string> run_and_check_derivatives(std::unique_ptr<window_model> w,
                                                   const std::vector<std::string>& sets = {},
                                                   double tolerance = check_tolerance);

}  // namespace kinelab::test

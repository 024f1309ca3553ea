#pragma once
// The trajectory check every window's tests use: after a Run at a large N, the stored rate of
// every array must match the central difference of its values over the time grid, and the
// stored acceleration the central difference of its rates.
//
// A central difference over dt = T/N has truncation error dt²/6·|f‴|; with N = 2000 and T = 1
// that is about 4e-8·|f‴|, far below check_tolerance relative to the curve's own scale (its
// largest rate or acceleration), which still catches a wrong sign, factor or missing term.
#include <string>
#include <vector>

#include "app/trajectory_arrays.h"

namespace kinelab::test {

inline constexpr int check_divisions = 2000;
inline constexpr double check_tolerance = 1e-4;

struct derivative_mismatch {
  std::string column;  // "p4.dx" (a rate) or "p4.ddx" (an acceleration)
  int step = 0;
  double analytic = 0, numeric = 0, relative = 0;
};

// The worst mismatch of each column that exceeds `tolerance` (empty when all agree). Steps
// where a value jumps by more than π between neighbours (an angle wrapping) are skipped.
std::vector<derivative_mismatch> check_trajectory_derivatives(const trajectory_arrays& arrays,
                                                              double T, double tolerance);

// Opens `window` with N = check_divisions, applies CONTROL=VALUE settings to text fields (and
// Option1=k to the profile option), runs it and returns the mismatches as readable lines.
std::vector<std::string> run_and_check_derivatives(const std::string& window,
                                                   const std::vector<std::string>& sets = {});

}  // namespace kinelab::test

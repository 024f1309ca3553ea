#pragma once
// The derivative check: every stored rate against the central difference of its values over the
// time grid, every stored acceleration against the central difference of its rates. Only this
// check differentiates numerically; the windows' own rates are analytic.
#include <string>
#include <vector>

#include "app/run/trajectory_arrays.h"
#include "app/text/messages.h"

namespace kinelab {

// The numerical derivative of a curve sampled at steps 0..N, dt apart: central differences
// inside, second-order one-sided differences at both ends. A difference across a jump of more
// than 90° between neighbours (an angle that wrapped, a posture triple that switched form) is
// not a derivative: there the entry is NaN, for the caller to skip.
std::vector<double> numerical_derivative(const std::vector<double>& f, double dt);
// The same differences over twice the step ((f[i+2] − f[i−2])/(4·dt) inside, NaN at the two
// steps next to each end). Their difference from numerical_derivative is three times the
// latter's truncation error, to leading order.
std::vector<double> numerical_derivative_wide(const std::vector<double>& f, double dt);

// The worst mismatch of one analytic derivative against the numerical one, relative to the
// curve's scale: its largest analytic value, or a floor of a thousandth of the value's largest
// magnitude per cycle time (per cycle time squared for an acceleration), so that a quantity that
// barely moves is not judged by the rounding of its values.
struct derivative_mismatch {
  double relative = 0;  // |numerical − analytic| / scale at the worst step
  int step = 0;
  double analytic = 0, numerical = 0;
  double scale = 0;
  // The numerical derivative's own error, estimated from the differences over twice the step,
  // relative to the same scale: a mismatch far above it is the analytic value's.
  double difference_error = 0;
};
derivative_mismatch compare_derivative(const std::vector<double>& analytic,
                                       const std::vector<double>& numerical, double floor);

// One quantity (an array component): value, rate and acceleration with both checks.
struct quantity_check {
  std::string column;  // "p4.x", "the1"
  std::vector<double> value, rate, accel;
  std::vector<double> rate_difference, accel_difference;  // numerical derivatives
  derivative_mismatch rate_mismatch, accel_mismatch;
  // The quantity does not move: its values spread, and its rate and acceleration reach, no
  // further than the rounding of the window's lengths (a y of 1e-17 in a motion in x and z);
  // its differences are rounding noise and judge nothing. Both mismatches are then 0.
  bool at_rest = false;
};
// `length_scale`: the window's characteristic length, which sets the rounding its values carry
// (0: the quantity's own largest value).
quantity_check check_quantity(const trajectory_array& a, char component, double T,
                              double length_scale = 0);
// Every quantity of every array.
std::vector<quantity_check> check_all_quantities(const trajectory_arrays& arrays, double T);

// "p4.x: rate 3.1e-07, acceleration 2.4e-05 of the curve's scale (at steps 12 and 25; the
// differences' own error about 3e-07 and 2e-05)", or "p4.y: at rest". Never a NaN or an
// infinity.
std::string describe(const quantity_check& q, ui_language lang = ui_language::english);

}  // namespace kinelab

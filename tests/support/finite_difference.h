#pragma once
// Central differences of a smooth function of time, for checking analytic rates and
// accelerations in tests. Five-point stencils: the truncation error is h⁴/30·|f⁽⁵⁾| for the first
// derivative and h⁴/90·|f⁽⁶⁾| for the second; with fd_step = 1e-3 that is about 1e-14 for
// motions whose derivatives stay below 100, while rounding costs about (64/12)·ε·|f|/h² ≈
// 1e-9·|f| in the second derivative (≈ 3e-13·|f| in the first). fd_tolerance leaves a wide
// margin above both for values of order 1–10.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "core/kin_state.h"

namespace kinelab::test {

inline constexpr double fd_step = 1e-3;
inline constexpr double fd_tolerance = 1e-6;  // relative to max(1, |analytic value|)

// A smooth test motion with exact rates: q(t) = mean + amplitude·sin(omega·t + phase).
struct wave {
  double mean = 0, amplitude = 0, omega = 1, phase = 0;
  double at(double t) const { return mean + amplitude * std::sin(omega * t + phase); }
  double rate(double t) const { return amplitude * omega * std::cos(omega * t + phase); }
  double accel(double t) const { return -amplitude * omega * omega * std::sin(omega * t + phase); }
};

struct fd_rates {
  double d1 = 0;  // df/dt
  double d2 = 0;  // d²f/dt²
};

// Derivatives at t of a scalar function f(double) by five-point central differences.
template <class F>
fd_rates central_rates(F&& f, double t, double h = fd_step) {
  const double m2 = f(t - 2 * h), m1 = f(t - h), c = f(t), p1 = f(t + h), p2 = f(t + 2 * h);
  fd_rates r;
  r.d1 = (m2 - 8 * m1 + 8 * p1 - p2) / (12 * h);
  r.d2 = (-m2 + 16 * m1 - 30 * c + 16 * p1 - p2) / (12 * h * h);
  return r;
}

// Checks an analytic (rate, acceleration) against the central differences of f at t.
template <class F>
::testing::AssertionResult rates_match(F&& f, double t, double rate, double accel,
                                       const std::string& what, double tol = fd_tolerance) {
  const fd_rates fd = central_rates(f, t);
  std::ostringstream msg;
  msg.precision(12);
  bool ok = true;
  if (!(std::fabs(rate - fd.d1) <= tol * std::fmax(1.0, std::fabs(rate)))) {
    ok = false;
    msg << what << " at t=" << t << ": rate " << rate << " vs difference " << fd.d1 << " (off by "
        << rate - fd.d1 << "). ";
  }
  if (!(std::fabs(accel - fd.d2) <= tol * std::fmax(1.0, std::fabs(accel)))) {
    ok = false;
    msg << what << " at t=" << t << ": acceleration " << accel << " vs difference " << fd.d2
        << " (off by " << accel - fd.d2 << ").";
  }
  return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << msg.str();
}

// Checks the dx/ddx, dy/ddy and dz/ddz fields of a kin_state-valued motion g(t) against the
// central differences of its x, y and z fields.
template <class G>
::testing::AssertionResult kin_state_rates_match(G&& g, double t, const std::string& what,
                                                 double tol = fd_tolerance) {
  const kin_state s = g(t);
  auto res = rates_match([&](double u) { return g(u).x; }, t, s.dx, s.ddx, what + ".x", tol);
  if (!res) return res;
  res = rates_match([&](double u) { return g(u).y; }, t, s.dy, s.ddy, what + ".y", tol);
  if (!res) return res;
  return rates_match([&](double u) { return g(u).z; }, t, s.dz, s.ddz, what + ".z", tol);
}

}  // namespace kinelab::test

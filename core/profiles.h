#pragma once
// Normalised motion profiles over τ = i/N in [0, 1] and their application to a driven quantity.
// s(0) = 0 and s(1) = 1; s′ = ds/dτ, s″ = d²s/dτ².
#include "core/array_algebra.h"
#include "core/kin_state.h"

namespace kinelab {

void profile_quintic(double tau, double& s, double& ds, double& dds);
void profile_cubic(double tau, double& s, double& ds, double& dds);
void profile_linear(double tau, double& s, double& ds, double& dds);

// The option group Option1: element 0 quintic, 1 cubic, anything else (2 or none) linear.
enum class profile_kind { quintic, cubic, linear };
profile_kind profile_from_option(int selected_option);
const char* to_string(profile_kind kind);  // "quintic", "cubic", "constant velocity"

struct profile_point {
  double s = 0, ds = 0, dds = 0;
};
profile_point profile_at(profile_kind kind, int i, int N);

// A driven quantity moved from a to b: value (b − a)·s + a, rate s′·(b − a)/T,
// acceleration s″·(b − a)/T², T the cycle time in seconds.
struct driven_value {
  double q = 0, dq = 0, ddq = 0;
};
driven_value apply_profile(const profile_point& p, double a, double b, double T);

// Quantities first, first + 1 and first + 2 of a and b moved on the one profile: the x, y and z
// of one state (a point, a posture, a twist).
template <int N>
kin_state apply_profile(const profile_point& p, const vec<N>& a, const vec<N>& b, int first,
                        double T) {
  const driven_value x = apply_profile(p, a(first), b(first), T);
  const driven_value y = apply_profile(p, a(first + 1), b(first + 1), T);
  const driven_value z = apply_profile(p, a(first + 2), b(first + 2), T);
  return {x.q, x.dq, x.ddq, y.q, y.dq, y.ddq, z.q, z.dq, z.ddq};
}

}  // namespace kinelab

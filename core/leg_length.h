#pragma once
// A leg of variable length between two points, with the rates of its length.
//
// The leg runs from end b to end p (both in one frame, with velocities and accelerations):
// l = p − b, l̇ = ṗ − ḃ, l̈ = p̈ − b̈, and its length L = |l| has
//   L̇ = (l·l̇)/L,   L̈ = (l̇·l̇ + l·l̈ − L̇²)/L,
// the derivatives of L² = l·l. The same two quotients give the partial derivatives of L for
// the partials of l in place of its rates (leg_vector::rate and leg_vector::second).
//
// A leg of zero length has no direction, so L̇ and L̈ are undefined: such a leg is flagged and
// takes L̇ = L̈ = 0, with L as computed. Zero means
//   L ≤ 8 rounding units of the larger of |p| and |b| (the ends coincide as far as doubles can
//   tell: l is rounding, its direction noise), or
//   L < √(smallest normal double) (L² underflows and the quotients by L would overflow).
// Above both, L > 0 and nothing divides by zero. An infinite L (ends beyond the doubles) keeps
// zero rates; rates that overflow come back infinite (+∞ where their sign is lost), never NaN,
// for the caller's overflow rule.
#include <cmath>
#include <limits>

#include "core/array_algebra.h"
#include "core/kin_state.h"

namespace kinelab {

// How |v| is taken. hypot never overflows below the largest double. sum_of_squares is √(v·v),
// which overflows beyond about 1e154: the orvak unit's lengths have always been taken so, and
// the two differ in the last bit.
enum class leg_norm { hypot, sum_of_squares };

// The leg at one instant: l = p − b, L = |l| and whether it counts as zero (the rule above).
struct leg_vector {
  vec3 l;
  double L = 0;
  bool zero_length = false;

  // (l·v)/L: L̇ for the leg vector's rate v, or ∂L/∂q_k for its partial v = ∂l/∂q_k.
  double rate(const vec3& v) const {
    double l_v;
    vec_dot(3, l, v, l_v);
    return l_v / L;
  }
  // (u·v + l·w − ru·rv)/L with ru = rate(u), rv = rate(v): L̈ for u = v = l̇, w = l̈, or
  // ∂²L/∂q_j∂q_k for the partials u = ∂l/∂q_j, v = ∂l/∂q_k, w = ∂²l/∂q_j∂q_k. w = nullptr
  // stands for a w of zero (l·w is then taken as 0).
  double second(const vec3& u, const vec3& v, const vec3* w, double ru, double rv) const {
    double u_v, l_w = 0;
    vec_dot(3, u, v, u_v);
    if (w) vec_dot(3, l, *w, l_w);
    return (u_v + l_w - ru * rv) / L;
  }
};
inline leg_vector leg_between(const vec3& p, const vec3& b, leg_norm norm = leg_norm::hypot);

namespace leg_detail {
// √(smallest normal double): below it L² underflows.
inline constexpr double shortest_leg = 0x1p-511;
inline constexpr double coincidence_ulps = 8;  // rounding units of the ends' size
// The zero rule with both ends' norms, for a leg the quick bound below could not clear.
bool zero_by_ends(const vec3& p, const vec3& b, double L, leg_norm norm);
}  // namespace leg_detail

// The leg at one instant, inline: per cell and per solver step it is the bulk of the work. The
// ends' norms are taken only when L is not clearly above the rule's bound: |p| and |b| are
// below twice their largest component, so the decision is the same.
inline leg_vector leg_between(const vec3& p, const vec3& b, leg_norm norm) {
  leg_vector v;
  vec_sub(3, p, b, v.l);
  v.L = norm == leg_norm::hypot ? std::hypot(v.l(1), v.l(2), v.l(3)) : vec_norm(3, v.l);
  if (!std::isfinite(v.L)) return v;
  double largest = 0;
  for (int i = 1; i <= 3; ++i) {
    const double ap = std::fabs(p(i)), ab = std::fabs(b(i));
    largest = ap > largest ? ap : largest;
    largest = ab > largest ? ab : largest;
  }
  constexpr double bound =
      2 * leg_detail::coincidence_ulps * std::numeric_limits<double>::epsilon();
  if (!(v.L >= leg_detail::shortest_leg && v.L > bound * largest))
    v.zero_length = leg_detail::zero_by_ends(p, b, v.L, norm);
  return v;
}

// L with its rate and acceleration.
struct leg_length {
  double L = 0, dL = 0, ddL = 0;
  bool zero_length = false;  // L̇ and L̈ undefined, set to 0
};
// The leg from end b to end p, each given with its velocity and acceleration.
leg_length leg_between(const kin_state& p, const kin_state& b, leg_norm norm = leg_norm::hypot);

}  // namespace kinelab

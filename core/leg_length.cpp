#include "core/leg_length.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace kinelab {

namespace {

// Ends closer than this many rounding units of their size coincide as far as doubles can tell.
constexpr double coincidence_ulps = 8;
// Below this L² underflows, and L̈ ~ |l̇|²/L overflows for any rate.
const double shortest_leg = std::sqrt(DBL_MIN);

double norm_of(const vec3& v, leg_norm norm) {
  return norm == leg_norm::hypot ? std::hypot(v(1), v(2), v(3)) : vec_norm(3, v);
}

vec3 position_of(const kin_state& s) {
  vec3 v;
  v(1) = s.x, v(2) = s.y, v(3) = s.z;
  return v;
}

}  // namespace

double leg_vector::rate(const vec3& v) const {
  double l_v;
  vec_dot(3, l, v, l_v);
  return l_v / L;
}

double leg_vector::second(const vec3& u, const vec3& v, const vec3* w, double ru, double rv) const {
  double u_v, l_w = 0;
  vec_dot(3, u, v, u_v);
  if (w) vec_dot(3, l, *w, l_w);
  return (u_v + l_w - ru * rv) / L;
}

leg_vector leg_between(const vec3& p, const vec3& b, leg_norm norm) {
  leg_vector v;
  vec_sub(3, p, b, v.l);
  v.L = norm_of(v.l, norm);
  if (!std::isfinite(v.L)) return v;
  const double ends = std::fmax(norm_of(p, norm), norm_of(b, norm));
  v.zero_length =
      v.L < shortest_leg || v.L <= coincidence_ulps * std::numeric_limits<double>::epsilon() * ends;
  return v;
}

leg_length leg_between(const kin_state& p, const kin_state& b, leg_norm norm) {
  const leg_vector v = leg_between(position_of(p), position_of(b), norm);
  leg_length out;
  out.L = v.L;
  out.zero_length = v.zero_length;
  if (v.zero_length || !std::isfinite(v.L)) return out;
  vec3 dl, ddl;
  dl(1) = p.dx - b.dx, dl(2) = p.dy - b.dy, dl(3) = p.dz - b.dz;
  ddl(1) = p.ddx - b.ddx, ddl(2) = p.ddy - b.ddy, ddl(3) = p.ddz - b.ddz;
  out.dL = v.rate(dl);
  out.ddL = v.second(dl, dl, &ddl, out.dL, out.dL);
  // Rates that overflowed may meet as inf − inf: they stay beyond the doubles, not NaN.
  if (std::isnan(out.dL)) out.dL = HUGE_VAL;
  if (std::isnan(out.ddL)) out.ddL = HUGE_VAL;
  return out;
}

}  // namespace kinelab

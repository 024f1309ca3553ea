#include "core/leg_length.h"

#include <cmath>
#include <limits>

namespace kinelab {

namespace {

double norm_of(const vec3& v, leg_norm norm) {
  return norm == leg_norm::hypot ? std::hypot(v(1), v(2), v(3)) : vec_norm(3, v);
}

vec3 position_of(const kin_state& s) {
  vec3 v;
  v(1) = s.x, v(2) = s.y, v(3) = s.z;
  return v;
}

}  // namespace

bool leg_detail::zero_by_ends(const vec3& p, const vec3& b, double L, leg_norm norm) {
  const double ends = std::fmax(norm_of(p, norm), norm_of(b, norm));
  return L < shortest_leg || L <= coincidence_ulps * std::numeric_limits<double>::epsilon() * ends;
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

// The Stewart platform for the workspace atlas: the leg lengths of stewart_legs and the
// Jacobian of stewart_jacobian, to the bit, without the rates and the second-order table that
// the atlas does not need, and with the posture's partials kept per thread while the posture
// stays (a position atlas holds it for every cell).
#include <cfloat>
#include <cmath>
#include <limits>

#include "core/posture_partials.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

namespace {

// As stewart_leg: below √(smallest normal double) a leg counts as having zero length.
const double shortest_leg = std::sqrt(DBL_MIN);

// R and ∂R/∂θ at the posture (α, β, γ), formed once per thread while the posture stays.
const posture_partials& partials_at(const double* s) {
  struct cached {
    double a = std::numeric_limits<double>::quiet_NaN(), b = 0, c = 0;
    posture_partials p;
  };
  thread_local cached cache;
  if (!(cache.a == s[0] && cache.b == s[1] && cache.c == s[2])) {
    cache.a = s[0], cache.b = s[1], cache.c = s[2];
    cache.p = posture_partials_of(kin_state{s[0], 0, 0, s[1], 0, 0, s[2], 0, 0}, 1);
  }
  return cache.p;
}

// Leg j's vector l = P + R·a − B at the pose q = (x, y, z, α, β, γ), its length L and a.
struct leg_vector {
  vec3 a, l;
  double L = 0;
};
leg_vector leg_at(const stewart_geometry& g, int j, const double* q, const mat3& R) {
  leg_vector v;
  v.a(1) = g.ax(j), v.a(2) = g.ay(j), v.a(3) = 0;
  vec3 Ra;
  mat_vec(3, R, v.a, Ra);
  v.l(1) = q[0] + Ra(1) - g.Bx(j);
  v.l(2) = q[1] + Ra(2) - g.By(j);
  v.l(3) = q[2] + Ra(3);  // B_z = 0
  v.L = std::hypot(v.l(1), v.l(2), v.l(3));
  return v;
}

}  // namespace

// L_j = |l| and J(j, k) = (l·l_k)/L with l_k = e_k for the position and R_k·a for the angles,
// the operations of stewart_legs and stewart_jacobian.
std::optional<atlas_mechanism> stewart_logic::atlas() const {
  atlas_mechanism m;
  m.pose = platform_pose_variables("pp", "sp");
  for (int k = 1; k <= stewart_leg_count; ++k)
    m.actuators.push_back({"the" + std::to_string(k), 'x', false});
  m.output = "pp";
  const stewart_geometry g = geometry_;
  m.inverse = [g](const double* q, double* a) {
    const posture_partials& p = partials_at(q + 3);
    bool zero = false;
    for (int j = 1; j <= stewart_leg_count; ++j) {
      a[j - 1] = leg_at(g, j, q, p.R).L;
      zero = zero || a[j - 1] < shortest_leg;
    }
    return zero ? cell_state::no_assembly : cell_state::reachable;
  };
  m.jacobian = [g](const double* q, jacobian_matrix& J) {
    for (int k = 0; k < 6; ++k)
      if (!std::isfinite(q[k])) return false;
    const posture_partials& p = partials_at(q + 3);
    J = {};
    J.rows = J.cols = stewart_leg_count;
    for (int j = 1; j <= stewart_leg_count; ++j) {
      const leg_vector v = leg_at(g, j, q, p.R);
      // A leg of zero length has no direction, so its row is undefined.
      if (v.L < shortest_leg) return false;
      vec3 lk[7];  // [1..6]
      for (int k = 1; k <= 3; ++k) lk[k](k) = 1;
      for (int k = 1; k <= 3; ++k) mat_vec(3, p.d[k], v.a, lk[k + 3]);
      for (int k = 1; k <= 6; ++k) {
        double l_lk;
        vec_dot(3, v.l, lk[k], l_lk);
        J.m(j, k) = l_lk / v.L;
      }
    }
    return true;
  };
  return m;
}

}  // namespace kinelab

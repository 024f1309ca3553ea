#pragma once
// The first- and second-order terms of a serial chain's tool pose from its joints' origins o_k
// and axes z_k in base axes (joints 1..n), shared by the built-in arms' frames and the file
// arms' chains. A revolute joint turns about z_k through o_k; a prismatic one slides along z_k.
#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/posture.h"

namespace kinelab {

inline constexpr int max_links_of_axis_chain = 7;

struct axis_chain {
  int n = 0;                     // at most max_links_of_axis_chain
  const vec3* o = nullptr;       // [1..n]
  const vec3* z = nullptr;       // [1..n]
  const bool* slides = nullptr;  // [1..n], or null when every joint turns
  vec3 P;                        // the tool point
  mat3 R;                        // the tool frame's rotation
  posture_angles angles;         // of R
  bool with_posture = true;      // rows 4..6 are left alone without it

  bool turns(int k) const { return !slides || !slides[k]; }
};

// [w]×·M, column by column.
inline mat3 cross_times(const vec3& w, const mat3& M) {
  mat3 out;
  for (int c = 1; c <= 3; ++c) {
    const vec3 v = vec_cross(w, mat_column(M, c));
    out(1, c) = v(1), out(2, c) = v(2), out(3, c) = v(3);
  }
  return out;
}

// Column k: z_k × (P − o_k) with Ṙ = [z_k]×·R for a revolute joint, z_k with Ṙ = 0 for a
// prismatic one.
template <class Matrix>
void axis_jacobian(const axis_chain& c, Matrix& J) {
  const mat3 none;
  for (int k = 1; k <= c.n; ++k) {
    if (!c.turns(k)) {
      for (int i = 1; i <= 3; ++i) J(i, k) = c.z[k](i);
      if (c.with_posture)
        for (int i = 4; i <= 6; ++i) J(i, k) = 0;
      continue;
    }
    vec3 r;
    vec_sub(3, c.P, c.o[k], r);
    const vec3 v = vec_cross(c.z[k], r);
    J(1, k) = v(1), J(2, k) = v(2), J(3, k) = v(3);
    if (!c.with_posture) continue;
    const kin_state s = posture_with_rates(c.angles, cross_times(c.z[k], c.R), none);
    J(4, k) = s.dx, J(5, k) = s.dy, J(6, k) = s.dz;
  }
}

// The second-order table in the Newton–Raphson driver's column order (squares, then pairs
// holding twice the mixed derivative):
//   square k:  z_k × (z_k × r_k)                   Ṙ = [z_k]×·R, R̈ = [z_k]×²·R
//   pair i<j:  2·z_i × v_j                         R̈ = ([z_i]×² + 2·[z_i]×·[z_j]× + [z_j]×²)·R
// with v_j the column of P for joint j. The inner joint i sees the outer axis z_j move with its
// own frame, hence the one-sided 2; a prismatic joint has no square, and no pair as the inner.
template <class Matrix>
void axis_quadratic_terms(const axis_chain& c, Matrix& H) {
  const int n = c.n;
  const int rows = c.with_posture ? 6 : 3;
  vec3 v[max_links_of_axis_chain + 1];
  mat3 Z1[max_links_of_axis_chain + 1], Z2[max_links_of_axis_chain + 1];
  for (int k = 1; k <= n; ++k) {
    for (int i = 1; i <= rows; ++i) H(i, k) = 0;
    if (!c.turns(k)) {
      v[k] = c.z[k];
      continue;
    }
    vec3 r;
    vec_sub(3, c.P, c.o[k], r);
    v[k] = vec_cross(c.z[k], r);
    const vec3 a = vec_cross(c.z[k], v[k]);
    H(1, k) = a(1), H(2, k) = a(2), H(3, k) = a(3);
    if (!c.with_posture) continue;
    Z1[k] = cross_times(c.z[k], c.R);
    Z2[k] = cross_times(c.z[k], Z1[k]);
    const kin_state s = posture_with_rates(c.angles, Z1[k], Z2[k]);
    H(4, k) = s.ddx, H(5, k) = s.ddy, H(6, k) = s.ddz;
  }
  int column = n;
  for (int i = 1; i < n; ++i)
    for (int j = i + 1; j <= n; ++j) {
      ++column;
      for (int r = 1; r <= rows; ++r) H(r, column) = 0;
      if (!c.turns(i)) continue;
      const vec3 a = vec_cross(c.z[i], v[j]);
      H(1, column) = 2 * a(1), H(2, column) = 2 * a(2), H(3, column) = 2 * a(3);
      if (!c.with_posture || !c.turns(j)) continue;
      // The pair's posture acceleration less those of its squares: the conversion to angles is
      // not linear in (Ṙ, R̈).
      mat3 dR, ddR;
      mat_add(3, Z1[i], Z1[j], dR);
      const mat3 zi_zj = cross_times(c.z[i], Z1[j]);
      for (int r = 1; r <= 3; ++r)
        for (int k = 1; k <= 3; ++k) ddR(r, k) = Z2[i](r, k) + 2 * zi_zj(r, k) + Z2[j](r, k);
      const kin_state s = posture_with_rates(c.angles, dR, ddR);
      H(4, column) = s.ddx - H(4, i) - H(4, j);
      H(5, column) = s.ddy - H(5, i) - H(5, j);
      H(6, column) = s.ddz - H(6, i) - H(6, j);
    }
}

}  // namespace kinelab

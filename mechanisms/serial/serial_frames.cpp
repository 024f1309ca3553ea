#include "mechanisms/serial/serial_frames.h"

namespace kinelab {

namespace {

// [w]×·M, column by column.
mat3 cross_matrix(const vec3& w, const mat3& M) {
  mat3 out;
  for (int c = 1; c <= 3; ++c) {
    const vec3 v = vec_cross(w, mat_column(M, c));
    out(1, c) = v(1), out(2, c) = v(2), out(3, c) = v(3);
  }
  return out;
}

vec3 offset(const serial_arm& arm, int k) {
  vec3 h;
  h(1) = arm.hx(k), h(2) = arm.hy(k), h(3) = arm.hz(k);
  return h;
}

void put(kin_state& s, const vec3& p, const vec3& v, const vec3& a) {
  s.x = p(1), s.dx = v(1), s.ddx = a(1);
  s.y = p(2), s.dy = v(2), s.ddy = a(2);
  s.z = p(3), s.dz = v(3), s.ddz = a(3);
}

}  // namespace

arm_twists twists_of(const serial_arm& arm) {
  arm_twists tw;
  tw.links = arm.links;
  tw.alfa = arm.alfa;
  tw.beta = arm.beta;
  // Formed as posture_matrices forms X·Y, so that R_k below is the same matrix to the bit.
  for (int k = 1; k <= arm.links; ++k) mat_mul(3, rot_x(arm.alfa(k)), rot_y(arm.beta(k)), tw.T[k]);
  return tw;
}

void build_frames(const serial_arm& arm, const arm_twists& tw, const link_array& the,
                  bool with_posture, chain_frames& f) {
  f.links = arm.links;
  f.the = the;
  mat_identity(3, f.A[0]);
  f.o[1] = offset(arm, 1);
  for (int k = 1; k <= arm.links; ++k) {
    mat3 R;
    mat_mul(3, tw.T[k], rot_z(the(k)), R);
    // A_k = A_{k−1}·R_k in the order chain_posture multiplies, so R = A_n is its matrix.
    mat_mul(3, f.A[k - 1], R, f.A[k]);
    f.z[k] = mat_column(f.A[k], 3);
    if (k < arm.links) {
      vec3 d;
      mat_vec(3, f.A[k], offset(arm, k + 1), d);
      vec_add(3, f.o[k], d, f.o[k + 1]);
    }
  }
  f.with_posture = with_posture;
  if (with_posture) f.tool = posture_angles_of(f.A[arm.links]);
}

void frames_jacobian(const chain_frames& f, int joints, mat<6>& J) {
  const vec3& P = f.o[f.links];
  const mat3& R = f.A[f.links];
  const mat3 none;
  for (int k = 1; k <= joints; ++k) {
    vec3 r;
    vec_sub(3, P, f.o[k], r);
    const vec3 v = vec_cross(f.z[k], r);
    J(1, k) = v(1), J(2, k) = v(2), J(3, k) = v(3);
    if (!f.with_posture) continue;
    const kin_state s = posture_with_rates(f.tool, cross_matrix(f.z[k], R), none);
    J(4, k) = s.dx, J(5, k) = s.dy, J(6, k) = s.dz;
  }
}

void frames_quadratic_terms(const chain_frames& f, int joints, mat<6, 21>& H) {
  const vec3& P = f.o[f.links];
  const mat3& R = f.A[f.links];
  vec3 zr[max_links + 1];                     // z_k × r_k
  mat3 Z1[max_links + 1], Z2[max_links + 1];  // [z_k]×·R and [z_k]×²·R
  for (int k = 1; k <= joints; ++k) {
    vec3 r;
    vec_sub(3, P, f.o[k], r);
    zr[k] = vec_cross(f.z[k], r);
    const vec3 a = vec_cross(f.z[k], zr[k]);
    H(1, k) = a(1), H(2, k) = a(2), H(3, k) = a(3);
    if (!f.with_posture) continue;
    Z1[k] = cross_matrix(f.z[k], R);
    Z2[k] = cross_matrix(f.z[k], Z1[k]);
    const kin_state s = posture_with_rates(f.tool, Z1[k], Z2[k]);
    H(4, k) = s.ddx, H(5, k) = s.ddy, H(6, k) = s.ddz;
  }
  int column = joints;
  for (int i = 1; i < joints; ++i)
    for (int j = i + 1; j <= joints; ++j) {
      ++column;
      const vec3 a = vec_cross(f.z[i], zr[j]);
      H(1, column) = 2 * a(1), H(2, column) = 2 * a(2), H(3, column) = 2 * a(3);
      if (!f.with_posture) continue;
      // The pair's posture acceleration less those of its two squares, as the columns are
      // defined: the conversion to angles is not linear in (Ṙ, R̈).
      mat3 dR, ddR;
      mat_add(3, Z1[i], Z1[j], dR);
      const mat3 zi_zj = cross_matrix(f.z[i], Z1[j]);
      for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) ddR(r, c) = Z2[i](r, c) + 2 * zi_zj(r, c) + Z2[j](r, c);
      const kin_state s = posture_with_rates(f.tool, dR, ddR);
      H(4, column) = s.ddx - H(4, i) - H(4, j);
      H(5, column) = s.ddy - H(5, i) - H(5, j);
      H(6, column) = s.ddz - H(6, i) - H(6, j);
    }
}

void chain_points_all(const serial_arm& arm, const link_array& the, const link_array& dthe,
                      const link_array& ddthe, kin_state* points, kin_state& posture) {
  const arm_twists tw = twists_of(arm);
  chain_frames f;
  build_frames(arm, tw, the, false, f);
  // Angular velocity w and acceleration e of frame k in base axes:
  //   w_k = w_{k−1} + θ̇_k·z_k,  e_k = e_{k−1} + θ̈_k·z_k + θ̇_k·(w_{k−1} × z_k),
  // since z_k is fixed in frame k − 1. The offset d = A_k·h_{k+1} turns with frame k:
  //   ḋ = w_k × d,  d̈ = e_k × d + w_k × (w_k × d).
  // w × d and e × d are summed joint by joint, θ̇_j·(z_j × d), as chain_point's product rule
  // does: an offset along a joint's own axis then adds an exact zero, as it does there, rather
  // than the rounding left by crossing the summed w with d.
  vec3 w, e, v, a;
  vec3 turn[max_links + 1];  // w_{j−1} × z_j
  put(points[1], f.o[1], v, a);
  for (int k = 1; k <= arm.links; ++k) {
    turn[k] = vec_cross(w, f.z[k]);
    for (int c = 1; c <= 3; ++c) {
      e(c) += ddthe(k) * f.z[k](c) + dthe(k) * turn[k](c);
      w(c) += dthe(k) * f.z[k](c);
    }
    if (k == arm.links) break;
    vec3 d;
    mat_vec(3, f.A[k], offset(arm, k + 1), d);
    vec3 wd, ed;  // w × d and e × d
    for (int j = 1; j <= k; ++j) {
      const vec3 zd = vec_cross(f.z[j], d);
      const vec3 td = vec_cross(turn[j], d);
      for (int c = 1; c <= 3; ++c) {
        wd(c) += dthe(j) * zd(c);
        ed(c) += ddthe(j) * zd(c) + dthe(j) * td(c);
      }
    }
    const vec3 wwd = vec_cross(w, wd);
    for (int c = 1; c <= 3; ++c) {
      v(c) += wd(c);
      a(c) += ed(c) + wwd(c);
    }
    put(points[k + 1], f.o[k + 1], v, a);
  }
  // Ṙ = [w]×·R and R̈ = [e]×·R + [w]×·[w]×·R for the last frame.
  const mat3& R = f.A[arm.links];
  const mat3 dR = cross_matrix(w, R);
  mat3 ddR;
  mat_add(3, cross_matrix(e, R), cross_matrix(w, dR), ddR);
  posture = posture_with_rates(posture_angles_of(R), dR, ddR);
}

}  // namespace kinelab

#include "mechanisms/serial/serial_frames.h"

#include "mechanisms/serial/axis_rate_terms.h"

namespace kinelab {

namespace {

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

namespace {

axis_chain axes_of(const chain_frames& f, int joints) {
  axis_chain c;
  c.n = joints;
  c.o = f.o, c.z = f.z;
  c.P = f.o[f.links], c.R = f.A[f.links], c.angles = f.tool;
  c.with_posture = f.with_posture;
  return c;
}

}  // namespace

void frames_jacobian(const chain_frames& f, int joints, mat<6>& J) {
  axis_jacobian(axes_of(f, joints), J);
}

void frames_quadratic_terms(const chain_frames& f, int joints, mat<6, 21>& H) {
  axis_quadratic_terms(axes_of(f, joints), H);
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
  const mat3 dR = cross_times(w, R);
  mat3 ddR;
  mat_add(3, cross_times(e, R), cross_times(w, dR), ddR);
  posture = posture_with_rates(posture_angles_of(R), dR, ddR);
}

}  // namespace kinelab

#include "mechanisms/serial/joint_chain.h"

#include <cmath>

#include "mechanisms/serial/axis_rate_terms.h"

namespace kinelab {

namespace {

vec3 plus(const vec3& a, const vec3& b) {
  vec3 c;
  vec_add(3, a, b, c);
  return c;
}
vec3 scaled(const vec3& a, double k) {
  vec3 c;
  vec_scale(3, a, k, c);
  return c;
}
mat3 product(const mat3& A, const mat3& B) {
  mat3 C;
  mat_mul(3, A, B, C);
  return C;
}
vec3 applied(const mat3& A, const vec3& v) {
  vec3 c;
  mat_vec(3, A, v, c);
  return c;
}
// [w]×: the matrix of w × ·.
mat3 cross_matrix(const vec3& w) {
  return mat3_of(0, -w(3), w(2), w(3), 0, -w(1), -w(2), w(1), 0);
}

rigid_transform transform_of(const mat3& R, double x, double y, double z) {
  rigid_transform f;
  f.R = R;
  f.t(1) = x, f.t(2) = y, f.t(3) = z;
  return f;
}

// A frame in base axes with the rates of its origin and of its rotation.
struct moving_frame {
  mat3 A;
  vec3 o, v, a;        // origin, its velocity and acceleration
  vec3 omega, domega;  // angular velocity and acceleration
};

// The frame moved by a fixed transform: the new origin o + A·t rides on the old frame, so
// v' = v + ω×r and a' = a + ω̇×r + ω×(ω×r) with r = A·t.
void apply_fixed(moving_frame& f, const rigid_transform& F) {
  const vec3 r = applied(f.A, F.t);
  f.o = plus(f.o, r);
  const vec3 w_r = vec_cross(f.omega, r);
  f.v = plus(f.v, w_r);
  f.a = plus(plus(f.a, vec_cross(f.domega, r)), vec_cross(f.omega, w_r));
  f.A = product(f.A, F.R);
}

kin_state state_of(const vec3& p, const vec3& v, const vec3& a) {
  return {p(1), v(1), a(1), p(2), v(2), a(2), p(3), v(3), a(3)};
}

}  // namespace

rigid_transform compose(const rigid_transform& a, const rigid_transform& b) {
  rigid_transform c;
  c.R = product(a.R, b.R);
  c.t = plus(a.t, applied(a.R, b.t));
  return c;
}

joint_chain chain_from_dh(const std::vector<dh_row>& rows, dh_convention convention,
                          const rigid_transform& base, const rigid_transform& tool) {
  joint_chain c;
  c.joints = static_cast<int>(rows.size());
  // The joint's own motion (Rz(q) or Tz(q)) commutes with the Rz(θ)·Tz(d) beside it, so each
  // row splits into a fixed part and the motion about or along z.
  if (convention == dh_convention::modified) {
    for (int k = 1; k <= c.joints; ++k) {
      const dh_row& r = rows[static_cast<std::size_t>(k - 1)];
      const bool revolute = r.kind == joint_kind::revolute;
      c.joint[k].kind = r.kind;
      c.joint[k].offset = revolute ? r.theta : r.d;
      c.joint[k].fixed =
          compose(transform_of(rot_x(r.alpha), r.a, 0, 0),
                  transform_of(revolute ? rot_z(0) : rot_z(r.theta), 0, 0, revolute ? r.d : 0));
    }
    c.joint[1].fixed = compose(base, c.joint[1].fixed);
    c.tool = tool;
    return c;
  }
  // Standard: T_k = J_k(q_k)·G_k with G_k = Rz(θ)·Tz(d)·Tx(a)·Rx(α) less the moving part;
  // G_k is the fixed transform before joint k + 1 (or before the tool).
  c.joint[1].fixed = base;
  for (int k = 1; k <= c.joints; ++k) {
    const dh_row& r = rows[static_cast<std::size_t>(k - 1)];
    const bool revolute = r.kind == joint_kind::revolute;
    c.joint[k].kind = r.kind;
    c.joint[k].offset = revolute ? r.theta : r.d;
    const rigid_transform G =
        compose(transform_of(revolute ? rot_z(0) : rot_z(r.theta), 0, 0, revolute ? r.d : 0),
                transform_of(rot_x(r.alpha), r.a, 0, 0));
    if (k < c.joints)
      c.joint[k + 1].fixed = G;
    else
      c.tool = compose(G, tool);
  }
  return c;
}

chain_state chain_motion(const joint_chain& c, const joint_motion& m) {
  chain_state s;
  moving_frame f;
  mat_identity(3, f.A);
  s.origin[0] = kin_state{};
  for (int k = 1; k <= c.joints; ++k) {
    const chain_joint& j = c.joint[k];
    apply_fixed(f, j.fixed);
    const vec3 z = mat_column(f.A, 3);
    s.axis[k] = z;
    const double q = m.q(k) + j.offset, dq = m.dq(k), ddq = m.ddq(k);
    if (j.kind == joint_kind::revolute) {
      // ω' = ω + z·q̇ and ω̇' = ω̇ + z·q̈ + ω×z·q̇ (z turns with the frame before the joint).
      const vec3 w_z = vec_cross(f.omega, z);
      f.domega = plus(plus(f.domega, scaled(z, ddq)), scaled(w_z, dq));
      f.omega = plus(f.omega, scaled(z, dq));
      f.A = product(f.A, rot_z(q));
    } else {
      // The origin slides by z·q: its velocity gains z·q̇ + (ω×z)·q, its acceleration
      // z·q̈ + 2(ω×z)·q̇ + (ω̇×z + ω×(ω×z))·q.
      const vec3 w_z = vec_cross(f.omega, z);
      const vec3 dw_z = plus(vec_cross(f.domega, z), vec_cross(f.omega, w_z));
      f.o = plus(f.o, scaled(z, q));
      f.v = plus(f.v, plus(scaled(z, dq), scaled(w_z, q)));
      f.a = plus(f.a, plus(plus(scaled(z, ddq), scaled(w_z, 2 * dq)), scaled(dw_z, q)));
    }
    s.origin[k] = state_of(f.o, f.v, f.a);
  }
  apply_fixed(f, c.tool);
  s.tool = state_of(f.o, f.v, f.a);
  s.R = f.A;
  s.omega = f.omega;
  s.domega = f.domega;
  // Ṙ = [ω]×·R and R̈ = ([ω̇]× + [ω]×²)·R.
  const mat3 W = cross_matrix(f.omega);
  mat3 dR, ddR, K;
  mat_mul(3, W, f.A, dR);
  mat_mul(3, W, W, K);
  mat_add(3, K, cross_matrix(f.domega), K);
  mat_mul(3, K, f.A, ddR);
  s.posture = posture_from_matrices({f.A, dR, ddR});
  return s;
}

namespace {

bool turns(const joint_chain& c, int k) {
  return c.joint[k].kind == joint_kind::revolute;
}

}  // namespace

void build_pose(const joint_chain& c, const vec<max_chain_joints>& q, chain_pose& p) {
  // The operations of chain_motion without its rates, so that the pose is its pose to the bit.
  p.q = q;
  mat3 A;
  mat_identity(3, A);
  vec3 o;
  auto apply = [&](const rigid_transform& F) {
    o = plus(o, applied(A, F.t));
    A = product(A, F.R);
  };
  for (int k = 1; k <= c.joints; ++k) {
    const chain_joint& j = c.joint[k];
    apply(j.fixed);
    p.o[k] = o;
    p.z[k] = mat_column(A, 3);
    const double v = q(k) + j.offset;
    if (j.kind == joint_kind::revolute)
      A = product(A, rot_z(v));
    else
      o = plus(o, scaled(p.z[k], v));
  }
  apply(c.tool);
  p.P = o;
  p.R = A;
  p.angles = posture_angles_of(A);
}

namespace {

axis_chain axes_of(const joint_chain& c, const chain_pose& p, bool* slides) {
  for (int k = 1; k <= c.joints; ++k) slides[k] = !turns(c, k);
  axis_chain a;
  a.n = c.joints;
  a.o = p.o, a.z = p.z, a.slides = slides;
  a.P = p.P, a.R = p.R, a.angles = p.angles;
  return a;
}

}  // namespace

void pose_jacobian(const joint_chain& c, const chain_pose& p, mat<6, max_chain_joints>& J) {
  bool slides[max_chain_joints + 1];
  axis_jacobian(axes_of(c, p, slides), J);
}

void pose_quadratic_terms(const joint_chain& c, const chain_pose& p,
                          mat<6, max_chain_products>& H) {
  bool slides[max_chain_joints + 1];
  axis_quadratic_terms(axes_of(c, p, slides), H);
}

void chain_jacobian(const joint_chain& c, const chain_state& s, mat<6, max_chain_joints>& J) {
  vec3 P;
  P(1) = s.tool.x, P(2) = s.tool.y, P(3) = s.tool.z;
  for (int k = 1; k <= c.joints; ++k) {
    const vec3& z = s.axis[k];
    vec3 v, w;
    if (c.joint[k].kind == joint_kind::revolute) {
      vec3 o, r;
      o(1) = s.origin[k].x, o(2) = s.origin[k].y, o(3) = s.origin[k].z;
      vec_sub(3, P, o, r);
      v = vec_cross(z, r);
      w = z;
    } else {
      v = z;
    }
    for (int i = 1; i <= 3; ++i) J(i, k) = v(i), J(i + 3, k) = w(i);
  }
}

}  // namespace kinelab

// The limb's Jacobian and second-order table from the partial derivatives of the three twists'
// rotations, built once per set of joint values.
//
// With A = R1(α1, β1, γ1), B = R2(β2) and C = R3(α3, β3, γ1) the end-plate rotation is
// Q = A·B·C and the end-plate origin p = A·u with u = d·e_z + h1 + B·Y, Y = (−Hx3, 0, d − Hz3)
// (zelko_from_top of the origin). Their partials in θ follow by the product rule, each factor
// taking its own angles' partials (γ1 drives both A and C). The posture rows come from
// posture_with_rates at Q's angles: a unit rate e_j gives Q̇ = Q_j, Q̈ = Q_jj, and a unit pair
// e_j + e_k gives Q̇ = Q_j + Q_k, Q̈ = Q_jj + Q_kk + 2·Q_jk, as the probes of zelko_forward do.
#include "core/posture.h"
#include "core/posture_partials.h"
#include "mechanisms/zelko/zelko_kinematics.h"

namespace kinelab {

namespace {

constexpr int joints = 6;

// C = A·B, each sum from 0 over k = 1, 2, 3 in turn (mat_mul's order), reading in place.
mat3 times(const mat3& A, const mat3& B) {
  mat3 C;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      double s = 0;
      s += A(i, 1) * B(1, j);
      s += A(i, 2) * B(2, j);
      s += A(i, 3) * B(3, j);
      C(i, j) = s;
    }
  return C;
}

void add_to(mat3& S, const mat3& M) {
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) S(i, j) += M(i, j);
}

vec3 times(const mat3& M, const vec3& v) {
  vec3 out;
  mat_vec(3, M, v, out);
  return out;
}

// The partials of one twist's rotation in θ: which of its angles joint j drives (0: none).
struct twist_partials {
  posture_partials p;
  int angle_of[joints + 1] = {};
  const mat3* d(int j) const { return angle_of[j] ? &p.d[angle_of[j]] : nullptr; }
  const mat3* dd(int j, int k) const {
    return angle_of[j] && angle_of[k] ? &p.dd[angle_of[j]][angle_of[k]] : nullptr;
  }
};

// Everything at one set of joint values, to the order asked for.
struct expansion {
  twist_partials A, B, C;
  vec3 u, u4, u44;        // u and its β2 partials
  mat3 Q;                 // A·B·C
  mat3 Qd[joints + 1];    // Q_j
  posture_angles angles;  // of Q
  vec<6> values;          // pp4, then the posture angles
};

expansion expand(const zelko_geometry& g, zelko_twists& h, int order) {
  kin_state& middle = h[2];
  middle.x = middle.dx = middle.ddx = 0;
  middle.z = middle.dz = middle.ddz = 0;
  expansion x;
  x.A.p = posture_partials_of(h[1], order);
  x.B.p = posture_partials_of(h[2], order);
  x.C.p = posture_partials_of(h[3], order);
  x.A.angle_of[1] = 1, x.A.angle_of[2] = 2, x.A.angle_of[3] = 3;
  x.B.angle_of[4] = 2;
  x.C.angle_of[5] = 1, x.C.angle_of[6] = 2, x.C.angle_of[3] = 3;

  // The origin as zelko_from_top places it, in the same order of operations.
  vec3 Y, h1, top;
  Y(1) = 0 - g.Hx3, Y(3) = g.d - g.Hz3;
  h1(1) = g.Hx1, h1(3) = g.Hz1;
  top(3) = g.d;
  vec3 Z;
  vec_add(3, h1, times(x.B.p.R, Y), Z);
  vec_add(3, top, Z, x.u);
  const vec3 p = times(x.A.p.R, x.u);
  // The rotation as chain_matrices forms it.
  x.Q = times(times(x.A.p.R, x.B.p.R), x.C.p.R);
  x.angles = posture_angles_of(x.Q);
  const kin_state s = posture_with_rates(x.angles, mat3{}, mat3{});
  x.values(1) = p(1), x.values(2) = p(2), x.values(3) = p(3);
  x.values(4) = s.x, x.values(5) = s.y, x.values(6) = s.z;
  if (order < 1) return x;

  x.u4 = times(x.B.p.d[2], Y);
  if (order >= 2) x.u44 = times(x.B.p.dd[2][2], Y);
  // Q_j = A_j·B·C + A·B_j·C + A·B·C_j, each product and the sum of the two terms of γ1 in the
  // order of chain_matrices' product rule, so that J is the probes' J to the bit (and the
  // iteration that uses it takes the probes' path).
  const mat3 AB = times(x.A.p.R, x.B.p.R);
  for (int j = 1; j <= joints; ++j) {
    mat3& q = x.Qd[j];
    if (const mat3* a = x.A.d(j)) add_to(q, times(times(*a, x.B.p.R), x.C.p.R));
    if (const mat3* b = x.B.d(j)) add_to(q, times(times(x.A.p.R, *b), x.C.p.R));
    if (const mat3* c = x.C.d(j)) add_to(q, times(AB, *c));
  }
  return x;
}

// The partials of pp4: p_j and p_jk (zero where neither A nor u depends on the joints).
vec3 position_partial(const expansion& x, int j) {
  if (const mat3* a = x.A.d(j)) return times(*a, x.u);
  if (j == 4) return times(x.A.p.R, x.u4);
  return vec3{};
}
vec3 position_second_partial(const expansion& x, int j, int k) {
  if (const mat3* a = x.A.dd(j, k)) return times(*a, x.u);
  if (j == 4 && k == 4) return times(x.A.p.R, x.u44);
  if (k == 4 && x.A.d(j)) return times(*x.A.d(j), x.u4);
  if (j == 4 && x.A.d(k)) return times(*x.A.d(k), x.u4);
  return vec3{};
}

// Q_jk: the nine product-rule terms of A·B·C, those whose factors depend on the joints.
mat3 rotation_second_partial(const expansion& x, int j, int k) {
  const twist_partials* F[3] = {&x.A, &x.B, &x.C};
  mat3 sum;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) {
      // Factor a takes ∂/∂θ_j and factor b takes ∂/∂θ_k (both on one factor when a = b).
      const mat3* M[3] = {&x.A.p.R, &x.B.p.R, &x.C.p.R};
      if (a == b) {
        M[a] = F[a]->dd(j, k);
      } else {
        M[a] = F[a]->d(j);
        M[b] = F[b]->d(k);
      }
      if (!M[0] || !M[1] || !M[2]) continue;
      add_to(sum, times(times(*M[0], *M[1]), *M[2]));
    }
  return sum;
}

}  // namespace

vec<6> zelko_end_pose(const zelko_geometry& g, zelko_twists& h) {
  return expand(g, h, 0).values;
}

mat<6> zelko_jacobian(const zelko_geometry& g, zelko_twists& h) {
  const expansion x = expand(g, h, 1);
  mat<6> J;
  for (int j = 1; j <= joints; ++j) {
    const vec3 p = position_partial(x, j);
    const kin_state s = posture_with_rates(x.angles, x.Qd[j], mat3{});
    J(1, j) = p(1), J(2, j) = p(2), J(3, j) = p(3);
    J(4, j) = s.dx, J(5, j) = s.dy, J(6, j) = s.dz;
  }
  return J;
}

mat<6, rate_product_count> zelko_quadratic_terms(const zelko_geometry& g, zelko_twists& h) {
  const expansion x = expand(g, h, 2);
  mat<6, rate_product_count> H;
  mat3 Qdd[joints + 1];
  for (int j = 1; j <= joints; ++j) {
    Qdd[j] = rotation_second_partial(x, j, j);
    const vec3 p = position_second_partial(x, j, j);
    const kin_state s = posture_with_rates(x.angles, x.Qd[j], Qdd[j]);
    H(1, j) = p(1), H(2, j) = p(2), H(3, j) = p(3);
    H(4, j) = s.ddx, H(5, j) = s.ddy, H(6, j) = s.ddz;
  }
  for (int c = joints + 1; c <= rate_product_count; ++c) {
    int j = 0, k = 0;
    rate_product_pair(c, j, k);
    const vec3 p = position_second_partial(x, j, k);
    // The pair's own acceleration less those of its two unit rates, as the probes take it.
    mat3 dQ, ddQ, Qjk = rotation_second_partial(x, j, k);
    mat_add(3, x.Qd[j], x.Qd[k], dQ);
    mat_scale(3, Qjk, 2.0, Qjk);
    mat_add3(3, Qdd[j], Qdd[k], Qjk, ddQ);
    const kin_state s = posture_with_rates(x.angles, dQ, ddQ);
    H(1, c) = 2 * p(1), H(2, c) = 2 * p(2), H(3, c) = 2 * p(3);
    H(4, c) = s.ddx - H(4, j) - H(4, k);
    H(5, c) = s.ddy - H(5, j) - H(5, k);
    H(6, c) = s.ddz - H(6, j) - H(6, k);
  }
  return H;
}

}  // namespace kinelab

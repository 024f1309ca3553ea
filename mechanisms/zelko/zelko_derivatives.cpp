// The limb's Jacobian and second-order table from the partial derivatives of the three twists'
// rotations, built once per set of joint values.
//
// With A = R1(α1, β1, γ1), B = R2(β2) and C = R3(α3, β3, γ1) the end-plate rotation is
// Q = A·B·C and the end-plate origin p = A·u with u = d·e_z + h1 + B·Y, Y = (−Hx3, 0, d − Hz3)
// (zelko_from_top of the origin). Their partials in θ follow by the product rule, each factor
// taking its own angles' partials (γ1 drives both A and C). The posture rows come from
// posture_with_rates at Q's angles: a unit rate e_j gives Q̇ = Q_j, Q̈ = Q_jj, and a unit pair
// e_j + e_k gives Q̇ = Q_j + Q_k, Q̈ = Q_jj + Q_kk + 2·Q_jk, as the probes of zelko_forward do.
#include <cmath>

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
    return angle_of[j] && angle_of[k] ? &p.dd(angle_of[j], angle_of[k]) : nullptr;
  }
};

// Slot of the pair j ≤ k of joints 1..4 (those of G = A·B).
int g_pair(int j, int k) {
  static constexpr int slot[5][5] = {
      {}, {0, 0, 1, 2, 3}, {0, 1, 4, 5, 6}, {0, 2, 5, 7, 8}, {0, 3, 6, 8, 9}};
  return slot[j][k];
}

struct end_values {
  vec3 u;                 // d·e_z + h1 + B·Y, body-1 axes
  mat3 Q;                 // A·B·C
  posture_angles angles;  // of Q
  vec<6> f;               // pp4, then the posture angles
};

// pp4 = A·u and the posture of Q = (A·B)·C as zelko_from_top and chain_matrices form them.
end_values values_at(const zelko_geometry& g, const mat3& A, const mat3& B, const mat3& C) {
  vec3 Y, h1, top;
  Y(1) = 0 - g.Hx3, Y(3) = g.d - g.Hz3;
  h1(1) = g.Hx1, h1(3) = g.Hz1;
  top(3) = g.d;
  end_values v;
  vec3 Z;
  vec_add(3, h1, times(B, Y), Z);
  vec_add(3, top, Z, v.u);
  const vec3 p = times(A, v.u);
  v.Q = times(times(A, B), C);
  v.angles = posture_angles_of(v.Q);
  const kin_state s = posture_with_rates(v.angles, mat3{}, mat3{});
  v.f(1) = p(1), v.f(2) = p(2), v.f(3) = p(3);
  v.f(4) = s.x, v.f(5) = s.y, v.f(6) = s.z;
  return v;
}

void clear_middle(zelko_twists& h) {
  kin_state& middle = h[2];
  middle.x = middle.dx = middle.ddx = 0;
  middle.z = middle.dz = middle.ddz = 0;
}

// Everything at one set of joint values, to the order asked for (1 or 2). G = A·B depends on
// joints 1..4, C on joints 3, 5, 6.
struct expansion {
  twist_partials A, B, C;
  end_values v;
  vec3 Y, u4, u44;      // u's β2 partials
  mat3 G, Gd[5];        // G and G_j
  mat3 Gdd[10];         // G_jk, j ≤ k, at g_pair(j, k)
  mat3 Qd[joints + 1];  // Q_j
};

// The middle twist turns about y alone: B = Rx(0)·Ry(β2)·Rz(0) is Ry(β2) to the bit, and its
// partials are those of Ry.
posture_partials middle_partials(double b) {
  const double sb = std::sin(b), cb = std::cos(b);
  posture_partials p;
  p.R = rot_y(b);
  mat3& d = p.d[2];
  d(1, 1) = -sb, d(1, 3) = cb, d(3, 1) = -cb, d(3, 3) = -sb;
  mat3& dd = p.dd(2, 2);
  dd(1, 1) = -cb, dd(1, 3) = -sb, dd(3, 1) = sb, dd(3, 3) = -cb;
  return p;
}

void expand(const zelko_geometry& g, zelko_twists& h, int order, expansion& x) {
  clear_middle(h);
  x.A.p = posture_partials_of(h[1], order);
  x.B.p = middle_partials(h[2].y);
  x.C.p = posture_partials_of(h[3], order);
  x.A.angle_of[1] = 1, x.A.angle_of[2] = 2, x.A.angle_of[3] = 3;
  x.B.angle_of[4] = 2;
  x.C.angle_of[5] = 1, x.C.angle_of[6] = 2, x.C.angle_of[3] = 3;
  x.v = values_at(g, x.A.p.R, x.B.p.R, x.C.p.R);
  x.Y(1) = 0 - g.Hx3, x.Y(3) = g.d - g.Hz3;
  x.u4 = times(x.B.p.d[2], x.Y);

  // G_j = A_j·B (j ≤ 3) or A·B_4; Q_j = G_j·C + G·C_j, each product and the sum of the two
  // terms of γ1 in the order of chain_matrices' product rule, so that J is the probes' J to the
  // bit (and the iteration that uses it takes the probes' path).
  x.G = times(x.A.p.R, x.B.p.R);
  for (int j = 1; j <= 3; ++j) x.Gd[j] = times(x.A.p.d[j], x.B.p.R);
  x.Gd[4] = times(x.A.p.R, x.B.p.d[2]);
  for (int j = 1; j <= joints; ++j) {
    mat3& q = x.Qd[j];
    if (j <= 4) add_to(q, times(x.Gd[j], x.C.p.R));
    if (const mat3* c = x.C.d(j)) add_to(q, times(x.G, *c));
  }
  if (order < 2) return;
  x.u44 = times(x.B.p.dd(2, 2), x.Y);
  for (int j = 1; j <= 3; ++j) {
    for (int k = j; k <= 3; ++k) x.Gdd[g_pair(j, k)] = times(x.A.p.dd(j, k), x.B.p.R);
    x.Gdd[g_pair(j, 4)] = times(x.A.p.d[j], x.B.p.d[2]);
  }
  x.Gdd[g_pair(4, 4)] = times(x.A.p.R, x.B.p.dd(2, 2));
}

// The partials of pp4 = A·u: p_j and p_jk (zero where neither A nor u depends on the joints).
vec3 position_partial(const expansion& x, int j) {
  if (const mat3* a = x.A.d(j)) return times(*a, x.v.u);
  if (j == 4) return times(x.A.p.R, x.u4);
  return vec3{};
}
vec3 position_second_partial(const expansion& x, int j, int k) {
  if (const mat3* a = x.A.dd(j, k)) return times(*a, x.v.u);
  if (j == 4 && k == 4) return times(x.A.p.R, x.u44);
  if (k == 4 && x.A.d(j)) return times(*x.A.d(j), x.u4);
  return vec3{};
}

// Q_jk, j ≤ k: G_jk·C + G_j·C_k + G_k·C_j + G·C_jk, the terms whose factors depend on the
// joints.
mat3 rotation_second_partial(const expansion& x, int j, int k) {
  mat3 sum;
  if (k <= 4) add_to(sum, times(x.Gdd[g_pair(j, k)], x.C.p.R));
  if (const mat3* c = x.C.d(k); c && j <= 4) add_to(sum, times(x.Gd[j], *c));
  if (const mat3* c = x.C.d(j); c && k <= 4) add_to(sum, times(x.Gd[k], *c));
  if (const mat3* c = x.C.dd(j, k)) add_to(sum, times(x.G, *c));
  return sum;
}

}  // namespace

vec<6> zelko_end_pose(const zelko_geometry& g, zelko_twists& h) {
  clear_middle(h);
  return values_at(g, posture_rotation(h[1]), posture_rotation(h[2]), posture_rotation(h[3])).f;
}

namespace {

mat<6> jacobian_of(const expansion& x) {
  mat<6> J;
  for (int j = 1; j <= joints; ++j) {
    const vec3 p = position_partial(x, j);
    const kin_state s = posture_with_rates(x.v.angles, x.Qd[j], mat3{});
    J(1, j) = p(1), J(2, j) = p(2), J(3, j) = p(3);
    J(4, j) = s.dx, J(5, j) = s.dy, J(6, j) = s.dz;
  }
  return J;
}

mat<6, rate_product_count> quadratic_terms_of(const expansion& x) {
  mat<6, rate_product_count> H;
  mat3 Qdd[joints + 1];
  for (int j = 1; j <= joints; ++j) {
    Qdd[j] = rotation_second_partial(x, j, j);
    const vec3 p = position_second_partial(x, j, j);
    const kin_state s = posture_with_rates(x.v.angles, x.Qd[j], Qdd[j]);
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
    const kin_state s = posture_with_rates(x.v.angles, dQ, ddQ);
    H(1, c) = 2 * p(1), H(2, c) = 2 * p(2), H(3, c) = 2 * p(3);
    H(4, c) = s.ddx - H(4, j) - H(4, k);
    H(5, c) = s.ddy - H(5, j) - H(5, k);
    H(6, c) = s.ddz - H(6, j) - H(6, k);
  }
  return H;
}

}  // namespace

mat<6> zelko_jacobian(const zelko_geometry& g, zelko_twists& h) {
  expansion x;
  expand(g, h, 1, x);
  return jacobian_of(x);
}

mat<6, rate_product_count> zelko_quadratic_terms(const zelko_geometry& g, zelko_twists& h) {
  expansion x;
  expand(g, h, 2, x);
  return quadratic_terms_of(x);
}

void zelko_jacobian_and_quadratic_terms(const zelko_geometry& g, zelko_twists& h, mat<6>& J,
                                        mat<6, rate_product_count>& H) {
  expansion x;
  expand(g, h, 2, x);
  J = jacobian_of(x);
  H = quadratic_terms_of(x);
}

}  // namespace kinelab

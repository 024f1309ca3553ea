#include "core/posture.h"

#include <cmath>

#include "core/angles.h"

namespace kinelab {

namespace {

// C = A·B for 3×3 matrices, summed as mat_mul sums (from 0, k = 1, 2, 3 in turn), so the
// numbers are the same; it reads its inputs in place, where mat_mul copies them so that C may
// be one of them. C must not be A or B.
void product(const mat3& A, const mat3& B, mat3& C) {
  for (int i = 1; i <= 3; ++i) {
    const double a1 = A(i, 1), a2 = A(i, 2), a3 = A(i, 3);
    for (int j = 1; j <= 3; ++j) {
      double s = 0;
      s += a1 * B(1, j);
      s += a2 * B(2, j);
      s += a3 * B(3, j);
      C(i, j) = s;
    }
  }
}

// Rate and acceleration of one elementary rotation: Ṁ = ω·M′ and M̈ = ω̇·M′ + ω²·M″, where M′
// and M″ are the first and second derivatives of the matrix with respect to its angle.
void elementary_rates(const mat3& d1, const mat3& d2, double w, double dw, mat3& rate,
                      mat3& accel) {
  mat_scale(3, d1, w, rate);
  mat3 a, b;
  mat_scale(3, d1, dw, a);
  mat_scale(3, d2, w * w, b);
  mat_add(3, a, b, accel);
}

vec3 position(const kin_state& p) {
  vec3 v;
  v(1) = p.x, v(2) = p.y, v(3) = p.z;
  return v;
}
vec3 velocity(const kin_state& p) {
  vec3 v;
  v(1) = p.dx, v(2) = p.dy, v(3) = p.dz;
  return v;
}
vec3 acceleration(const kin_state& p) {
  vec3 v;
  v(1) = p.ddx, v(2) = p.ddy, v(3) = p.ddz;
  return v;
}
kin_state point(const vec3& P, const vec3& V, const vec3& A) {
  kin_state s;
  s.x = P(1), s.dx = V(1), s.ddx = A(1);
  s.y = P(2), s.dy = V(2), s.ddy = A(2);
  s.z = P(3), s.dz = V(3), s.ddz = A(3);
  return s;
}

// (Q, Q̇, Q̈) → (R·Q, R·Q̇ + Ṙ·Q, R·Q̈ + 2·Ṙ·Q̇ + R̈·Q).
kin_state rotate_point(const rotation_rates& m, const vec3& Q, const vec3& dQ, const vec3& ddQ) {
  vec3 P, V, A, t1, t2, t3;
  mat_vec(3, m.R, Q, P);
  mat_vec(3, m.R, dQ, t1);
  mat_vec(3, m.dR, Q, t2);
  vec_add(3, t1, t2, V);
  mat_vec(3, m.R, ddQ, t1);
  mat_vec_scaled(3, m.dR, dQ, 2.0, t2);
  mat_vec(3, m.ddR, Q, t3);
  vec_add3(3, t1, t2, t3, A);
  return point(P, V, A);
}

}  // namespace

mat3 rot_x(double a) {
  const double c = std::cos(a), s = std::sin(a);
  return mat3_of(1, 0, 0, 0, c, -s, 0, s, c);
}

mat3 rot_y(double b) {
  const double c = std::cos(b), s = std::sin(b);
  return mat3_of(c, 0, s, 0, 1, 0, -s, 0, c);
}

mat3 rot_z(double c) {
  const double co = std::cos(c), s = std::sin(c);
  return mat3_of(co, -s, 0, s, co, 0, 0, 0, 1);
}

mat3 rotation_matrix(double a, double b, double c) {
  const double sa = std::sin(a), ca = std::cos(a);
  const double sb = std::sin(b), cb = std::cos(b);
  const double sc = std::sin(c), cc = std::cos(c);
  return mat3_of(cb * cc, -cb * sc, sb,                                     //
                 ca * sc + sa * sb * cc, ca * cc - sa * sb * sc, -sa * cb,  //
                 sa * sc - ca * sb * cc, sa * cc + ca * sb * sc, ca * cb);
}

elementary_rotations elementary_rotations_of(const kin_state& s) {
  const double sa = std::sin(s.x), ca = std::cos(s.x);
  const double sb = std::sin(s.y), cb = std::cos(s.y);
  const double sc = std::sin(s.z), cc = std::cos(s.z);
  elementary_rotations e;
  e.X = rot_x(s.x), e.Y = rot_y(s.y), e.Z = rot_z(s.z);
  e.X1 = mat3_of(0, 0, 0, 0, -sa, -ca, 0, ca, -sa);
  e.Y1 = mat3_of(-sb, 0, cb, 0, 0, 0, -cb, 0, -sb);
  e.Z1 = mat3_of(-sc, -cc, 0, cc, -sc, 0, 0, 0, 0);
  mat_scale(3, e.X, -1.0, e.X2);
  mat_scale(3, e.Y, -1.0, e.Y2);
  mat_scale(3, e.Z, -1.0, e.Z2);
  e.X2(1, 1) = 0;
  e.Y2(2, 2) = 0;
  e.Z2(3, 3) = 0;
  return e;
}

rotation_rates posture_matrices(const kin_state& s) {
  const elementary_rotations e = elementary_rotations_of(s);
  const mat3 &X = e.X, &Y = e.Y, &Z = e.Z;

  mat3 dX, dY, dZ, ddX, ddY, ddZ;
  elementary_rates(e.X1, e.X2, s.dx, s.ddx, dX, ddX);
  elementary_rates(e.Y1, e.Y2, s.dy, s.ddy, dY, ddY);
  elementary_rates(e.Z1, e.Z2, s.dz, s.ddz, dZ, ddZ);

  // Every triple product A·B·C is formed as (A·B)·C; a left pair that recurs (X·Y, Ẋ·Y, X·Ẏ)
  // is formed once and reused, which gives the same numbers as forming it each time.
  mat3 XY, dXY, XdY, ddXY, XddY, dXdY;
  product(X, Y, XY);
  product(dX, Y, dXY);
  product(X, dY, XdY);
  product(ddX, Y, ddXY);
  product(X, ddY, XddY);
  product(dX, dY, dXdY);

  rotation_rates m;
  product(XY, Z, m.R);

  mat3 t1, t2, t3;
  product(dXY, Z, t1);
  product(XdY, Z, t2);
  product(XY, dZ, t3);
  mat_add3(3, t1, t2, t3, m.dR);

  // R̈ = Ẍ·Y·Z + X·Ÿ·Z + X·Y·Z̈ + 2·(Ẋ·Ẏ·Z + Ẋ·Y·Ż + X·Ẏ·Ż)
  mat3 own, cross;
  product(ddXY, Z, t1);
  product(XddY, Z, t2);
  product(XY, ddZ, t3);
  mat_add3(3, t1, t2, t3, own);
  product(dXdY, Z, t1);
  product(dXY, dZ, t2);
  product(XdY, dZ, t3);
  mat_add3(3, t1, t2, t3, cross);
  mat_scale(3, cross, 2.0, cross);
  mat_add(3, own, cross, m.ddR);
  return m;
}

posture_angles posture_angles_of(const mat3& R) {
  posture_angles p;
  // R(1,3) = sin β. Rounding can push it a hair past ±1 (a product of rotations); it is then
  // taken as ±1, the nearest value arcsin accepts.
  double r13 = R(1, 3);
  if (r13 > 1) r13 = 1;
  if (r13 < -1) r13 = -1;
  p.b = arcsin(r13).angle;
  p.cb = std::cos(p.b);
  if (p.cb == 0) return p;
  p.sb = std::sin(p.b);
  p.a = arctan2(-R(2, 3), R(3, 3));
  p.c = arctan2(-R(1, 2), R(1, 1));
  p.sc = std::sin(p.c), p.cc = std::cos(p.c);
  p.sa = std::sin(p.a), p.ca = std::cos(p.a);
  return p;
}

kin_state posture_with_rates(const posture_angles& p, const mat3& dR, const mat3& ddR) {
  kin_state s;
  s.y = p.b;
  const double cb = p.cb;
  if (cb == 0) return s;
  const double sb = p.sb;
  const double a = p.a, c = p.c;
  s.x = a;
  s.z = c;

  // β first, then γ (its formulas use β̇ and β̈), then α.
  const double db = dR(1, 3) / cb;
  const double ddb = (ddR(1, 3) + sb * (db * db)) / cb;
  s.dy = db;
  s.ddy = ddb;

  // Each rate is solved from the element whose divisor is the larger of |sin| and |cos|, so the
  // divisor stays at least cβ/√2.
  const double sc = p.sc, cc = p.cc;
  double dc, ddc;
  if (std::fabs(sc) >= std::fabs(cc)) {
    // from R(1,1) = cβ·cγ
    dc = -(dR(1, 1) + sb * cc * db) / (sc * cb);
    ddc = (-ddR(1, 1) - cb * cc * (db * db + dc * dc) - sb * cc * ddb + 2 * sb * sc * db * dc) /
          (sc * cb);
  } else {
    // from R(1,2) = −cβ·sγ
    dc = (sb * sc * db - dR(1, 2)) / (cc * cb);
    ddc = (sb * sc * ddb + cb * sc * (db * db + dc * dc) + 2 * sb * cc * db * dc - ddR(1, 2)) /
          (cc * cb);
  }
  s.dz = dc;
  s.ddz = ddc;

  const double sa = p.sa, ca = p.ca;
  double da, dda;
  if (std::fabs(sa) >= std::fabs(ca)) {
    // from R(3,3) = cα·cβ
    da = -(dR(3, 3) + ca * sb * db) / (sa * cb);
    dda = (-ddR(3, 3) - ca * cb * (da * da + db * db) + 2 * sa * sb * da * db - ca * sb * ddb) /
          (sa * cb);
  } else {
    // from R(2,3) = −sα·cβ
    da = (sa * sb * db - dR(2, 3)) / (ca * cb);
    dda = (sa * sb * ddb + sa * cb * (da * da + db * db) + 2 * ca * sb * da * db - ddR(2, 3)) /
          (ca * cb);
  }
  s.dx = da;
  s.ddx = dda;
  return s;
}

kin_state posture_from_matrices(const rotation_rates& m) {
  return posture_with_rates(posture_angles_of(m.R), m.dR, m.ddR);
}

rotation_rates mat_mul_rates(const rotation_rates& Ri, const rotation_rates& R) {
  rotation_rates out;
  product(R.R, Ri.R, out.R);
  mat3 t1, t2, t3;
  product(R.dR, Ri.R, t1);
  product(R.R, Ri.dR, t2);
  mat_add(3, t1, t2, out.dR);
  product(R.ddR, Ri.R, t1);
  product(R.dR, Ri.dR, t2);
  mat_scale(3, t2, 2.0, t2);
  product(R.R, Ri.ddR, t3);
  mat_add3(3, t1, t2, t3, out.ddR);
  return out;
}

rotation_rates chain_matrices(int n, const rotation_rates* m) {
  rotation_rates out;
  mat_identity(3, out.R);
  for (int i = 1; i <= n; ++i) out = mat_mul_rates(m[i], out);
  return out;
}

kin_state chain_posture(int n, const kin_state* postures) {
  rotation_rates m;
  mat_identity(3, m.R);
  for (int i = 1; i <= n; ++i) m = mat_mul_rates(posture_matrices(postures[i]), m);
  return posture_from_matrices(m);
}

kin_state to_parent(const kin_state& h, const rotation_rates& m, const kin_state& p) {
  const vec3 P = position(p), V = velocity(p), A = acceleration(p);
  vec3 RP, RV, dRP, RA, dRV, ddRP;
  mat_vec(3, m.R, P, RP);
  mat_vec(3, m.R, V, RV);
  mat_vec(3, m.dR, P, dRP);
  mat_vec(3, m.R, A, RA);
  mat_vec_scaled(3, m.dR, V, 2.0, dRV);
  mat_vec(3, m.ddR, P, ddRP);

  vec3 G, dG, ddG;
  vec_add(3, position(h), RP, G);
  vec_add3(3, velocity(h), RV, dRP, dG);
  vec_add3(3, acceleration(h), RA, dRV, ddG);
  vec_add(3, ddG, ddRP, ddG);
  return point(G, dG, ddG);
}

kin_state to_parent(const kin_state& h, const kin_state& s, const kin_state& p) {
  return to_parent(h, posture_matrices(s), p);
}

kin_state to_parent_shifted(const kin_state& h, const rotation_rates& m, const kin_state& p) {
  vec3 Q, dQ, ddQ;
  vec_add(3, position(h), position(p), Q);
  vec_add(3, velocity(h), velocity(p), dQ);
  vec_add(3, acceleration(h), acceleration(p), ddQ);
  return rotate_point(m, Q, dQ, ddQ);
}

kin_state to_parent_shifted(const kin_state& h, const kin_state& s, const kin_state& p) {
  return to_parent_shifted(h, posture_matrices(s), p);
}

kin_state to_child(const kin_state& h, const kin_state& s, const kin_state& g) {
  const rotation_rates m = posture_matrices(s);
  vec3 D, dD, ddD;
  vec_sub(3, position(g), position(h), D);
  vec_sub(3, velocity(g), velocity(h), dD);
  vec_sub(3, acceleration(g), acceleration(h), ddD);

  // Rᵀ·D, Rᵀ·Ḋ + Ṙᵀ·D, Rᵀ·D̈ + 2·Ṙᵀ·Ḋ + R̈ᵀ·D
  vec3 P, V, A, t1, t2, t3;
  mat_t_vec(3, m.R, D, P);
  mat_t_vec(3, m.R, dD, t1);
  mat_t_vec(3, m.dR, D, t2);
  vec_add(3, t1, t2, V);
  mat_t_vec(3, m.R, ddD, t1);
  mat_t_vec_scaled(3, m.dR, dD, 2.0, t2);
  mat_t_vec(3, m.ddR, D, t3);
  vec_add3(3, t1, t2, t3, A);
  return point(P, V, A);
}

}  // namespace kinelab

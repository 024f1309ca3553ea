#pragma once
// Posture angles and frame transforms with rates.
//
// A posture (α, β, γ) = (roll about x, pitch about y, yaw about z) is a kin_state with
// x = α, y = β, z = γ, and its rotation is R = Rx(α)·Ry(β)·Rz(γ). A child frame is placed in its
// parent by an offset h (the child origin in parent coordinates) and a posture, so a point with
// child coordinates p has parent coordinates g = h + R·p.
#include "core/array_algebra.h"
#include "core/kin_state.h"

namespace kinelab {

// A rotation matrix with its first and second time derivatives (R, Ṙ, R̈).
struct rotation_rates {
  mat3 R, dR, ddR;
};

mat3 rot_x(double a);
mat3 rot_y(double b);
mat3 rot_z(double c);
// Rx(a)·Ry(b)·Rz(c) without rates, from the closed form.
mat3 rotation_matrix(double a, double b, double c);

// X = Rx(α), Y = Ry(β), Z = Rz(γ) with their first and second derivatives in their own angle
// (cos → −sin, sin → cos, the fixed 1 → 0; the second derivative is −M without its fixed 1).
struct elementary_rotations {
  mat3 X, Y, Z, X1, Y1, Z1, X2, Y2, Z2;
};
elementary_rotations elementary_rotations_of(const kin_state& s);

// R, Ṙ, R̈ of the posture s, by the product rule over X = Rx(α), Y = Ry(β), Z = Rz(γ).
rotation_rates posture_matrices(const kin_state& s);
// The posture angles and their rates of (R, Ṙ, R̈); β in [−π/2, π/2], α and γ in [−π, π].
kin_state posture_from_matrices(const rotation_rates& m);
// The posture angles of R with their sines and cosines, which the rate formulas divide by:
// the part of posture_from_matrices that depends on R alone, so that several (Ṙ, R̈) at one R
// (the columns of a Jacobian) share it. With cos β = 0 only b and cb are set.
struct posture_angles {
  double a = 0, b = 0, c = 0;  // α, β, γ
  double sa = 0, ca = 0, sb = 0, cb = 0, sc = 0, cc = 0;
};
posture_angles posture_angles_of(const mat3& R);
// The posture and its rates for (Ṙ, R̈) at the R that `p` came from:
// posture_from_matrices({R, Ṙ, R̈}) = posture_with_rates(posture_angles_of(R), Ṙ, R̈).
kin_state posture_with_rates(const posture_angles& p, const mat3& dR, const mat3& ddR);
// The triple of the product R·Ri: (R·Ri, Ṙ·Ri + R·Ṙi, R̈·Ri + 2·Ṙ·Ṙi + R·R̈i).
rotation_rates mat_mul_rates(const rotation_rates& Ri, const rotation_rates& R);
// Posture of R_1·R_2·…·R_n; postures[1..n] are read (postures[0] is not).
kin_state chain_posture(int n, const kin_state* postures);
// The triple of m[1]·m[2]·…·m[n] (m[0] is not read), formed as chain_posture forms it, so that
// posture_from_matrices(chain_matrices(n, m)) is chain_posture's result to the bit when m[i] is
// posture_matrices(postures[i]).
rotation_rates chain_matrices(int n, const rotation_rates* m);

// h + R·p with velocity and acceleration.
kin_state to_parent(const kin_state& h, const kin_state& s, const kin_state& p);
// R·(h + p): the offset is added in the child frame before the rotation.
kin_state to_parent_shifted(const kin_state& h, const kin_state& s, const kin_state& p);
// The same with the posture's triple already built (m = posture_matrices(s) gives the same
// numbers), for several points at one posture.
kin_state to_parent(const kin_state& h, const rotation_rates& m, const kin_state& p);
kin_state to_parent_shifted(const kin_state& h, const rotation_rates& m, const kin_state& p);
// Rᵀ·(g − h) with velocity and acceleration: the inverse of to_parent.
kin_state to_child(const kin_state& h, const kin_state& s, const kin_state& g);

}  // namespace kinelab

#pragma once
// The pose of a rigid body (a platform, an end plate): the world position of its origin, in
// length units, and its posture (α, β, γ) in radians with R = Rx(α)·Ry(β)·Rz(γ), each with rates
// per second and accelerations. The solvers see a pose as q = (x, y, z, α, β, γ) with q̇ and q̈;
// this header is the one place that packs it so.
#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/posture.h"

namespace kinelab {

struct pose {
  kin_state position;
  kin_state posture;
};

// The values, rates or accelerations of a state as components first..first + 2 of v.
template <int N>
void put_values(const kin_state& s, int first, vec<N>& v) {
  v(first) = s.x, v(first + 1) = s.y, v(first + 2) = s.z;
}
template <int N>
void put_rates(const kin_state& s, int first, vec<N>& v) {
  v(first) = s.dx, v(first + 1) = s.dy, v(first + 2) = s.dz;
}
template <int N>
void put_accelerations(const kin_state& s, int first, vec<N>& v) {
  v(first) = s.ddx, v(first + 1) = s.ddy, v(first + 2) = s.ddz;
}

// q, q̇ and q̈ of a pose.
inline vec<6> pose_values(const pose& p) {
  vec<6> q;
  put_values(p.position, 1, q);
  put_values(p.posture, 4, q);
  return q;
}
inline vec<6> pose_rates(const pose& p) {
  vec<6> dq;
  put_rates(p.position, 1, dq);
  put_rates(p.posture, 4, dq);
  return dq;
}
inline vec<6> pose_accelerations(const pose& p) {
  vec<6> ddq;
  put_accelerations(p.position, 1, ddq);
  put_accelerations(p.posture, 4, ddq);
  return ddq;
}

// The rate or acceleration fields of a pose from q̇ or q̈; the other fields are kept.
inline void set_pose_rates(const vec<6>& dq, pose& p) {
  p.position.dx = dq(1), p.position.dy = dq(2), p.position.dz = dq(3);
  p.posture.dx = dq(4), p.posture.dy = dq(5), p.posture.dz = dq(6);
}
inline void set_pose_accelerations(const vec<6>& ddq, pose& p) {
  p.position.ddx = ddq(1), p.position.ddy = ddq(2), p.position.ddz = ddq(3);
  p.posture.ddx = ddq(4), p.posture.ddy = ddq(5), p.posture.ddz = ddq(6);
}

// The pose at q with rates q̇ and accelerations q̈ (zero when not given).
inline pose pose_at(const vec<6>& q, const vec<6>& dq = {}, const vec<6>& ddq = {}) {
  return {{q(1), dq(1), ddq(1), q(2), dq(2), ddq(2), q(3), dq(3), ddq(3)},
          {q(4), dq(4), ddq(4), q(5), dq(5), ddq(5), q(6), dq(6), ddq(6)}};
}

// The point (ax, ay, 0) of the platform frame in the world, P + R·a with Ṗ + Ṙ·a and P̈ + R̈·a,
// for the platform origin P and the posture's (R, Ṙ, R̈).
inline kin_state platform_joint(double ax, double ay, const kin_state& P, const rotation_rates& m) {
  kin_state j;
  j.x = P.x + m.R(1, 1) * ax + m.R(1, 2) * ay;
  j.y = P.y + m.R(2, 1) * ax + m.R(2, 2) * ay;
  j.z = P.z + m.R(3, 1) * ax + m.R(3, 2) * ay;
  j.dx = P.dx + m.dR(1, 1) * ax + m.dR(1, 2) * ay;
  j.dy = P.dy + m.dR(2, 1) * ax + m.dR(2, 2) * ay;
  j.dz = P.dz + m.dR(3, 1) * ax + m.dR(3, 2) * ay;
  j.ddx = P.ddx + m.ddR(1, 1) * ax + m.ddR(1, 2) * ay;
  j.ddy = P.ddy + m.ddR(2, 1) * ax + m.ddR(2, 2) * ay;
  j.ddz = P.ddz + m.ddR(3, 1) * ax + m.ddR(3, 2) * ay;
  return j;
}

// The point (ax, ay, az) of the platform frame in the world, as above.
inline kin_state platform_joint(double ax, double ay, double az, const kin_state& P,
                                const rotation_rates& m) {
  kin_state j = platform_joint(ax, ay, P, m);
  j.x += m.R(1, 3) * az, j.y += m.R(2, 3) * az, j.z += m.R(3, 3) * az;
  j.dx += m.dR(1, 3) * az, j.dy += m.dR(2, 3) * az, j.dz += m.dR(3, 3) * az;
  j.ddx += m.ddR(1, 3) * az, j.ddy += m.ddR(2, 3) * az, j.ddz += m.ddR(3, 3) * az;
  return j;
}

}  // namespace kinelab

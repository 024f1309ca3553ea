#pragma once
// Kinematics of the six-leg Stewart platform.
//
// Leg k joins the base joint B_k = (Bx(k), By(k), Bz(k)), fixed in the base (world) frame, to the
// platform joint a_k = (ax(k), ay(k), az(k)), fixed in the platform frame. The platform pose is
// q = (x, y, z, α, β, γ) with posture R; platform joint k lies at P + R·a_k in the world frame,
// and the leg length is L_k = |P + R·a_k − B_k|. Units, frames and the posture angles:
// docs/notation.md.
//
// Each leg's length with its rates, and when a leg counts as having zero length (its platform
// joint on its base joint: flagged, with L̇ = L̈ = 0), as core/leg_length.h says.
#include <array>

#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/leg_length.h"
#include "core/newton.h"
#include "core/pose.h"
#include "core/posture.h"
#include "core/posture_partials.h"

namespace kinelab {

inline constexpr int stewart_leg_count = 6;

// The joint table, legs 1..6 (platform joints in platform coordinates, base joints in world
// coordinates). The built-in windows' joints lie in the plane z = 0 of their frame (az = Bz = 0);
// a hexapod file's may lie anywhere.
struct stewart_geometry {
  vec<6> ax, ay, Bx, By;
  vec<6> az, Bz;
};

// The default table as the window's fields show it, legs 1..6: three platform points on a
// circle of radius about 1 and three base points on a circle of radius about 2, each point
// shared by two legs.
struct stewart_geometry_texts {
  std::array<const char*, 6> ax, ay, Bx, By;
};
inline constexpr stewart_geometry_texts stewart_default_texts = {
    {"0.861", "-0.861", "-0.861", "0", "0", "0.861"},
    {"0.5", "0.5", "0.5", "-1", "-1", "0.5"},
    {"0", "0", "-1.732", "-1.732", "1.732", "1.732"},
    {"2", "2", "-1", "-1", "-1", "-1"},
};
// The default table as numbers.
stewart_geometry default_stewart_geometry();

// The six legs, 1..6: leg, dleg, ddleg, and which of them have zero length.
struct stewart_leg_set {
  vec<6> leg, dleg, ddleg;
  unsigned zero_length = 0;  // bit k − 1 set for leg k
  bool has_zero_length(int k) const { return (zero_length & (1u << (k - 1))) != 0; }
};

// Platform joints in the world frame with velocity and acceleration; joint k at [k − 1].
using platform_joints = std::array<kin_state, stewart_leg_count>;

// Leg from platform joint a (platform frame) to base joint B (world frame), with the platform
// origin P and the posture's (R, Ṙ, R̈).
leg_length stewart_leg(const vec3& a, const vec3& B, const kin_state& P, const rotation_rates& m);
// The six legs at the pose (position and posture with their rates and accelerations).
stewart_leg_set stewart_legs(const stewart_geometry& g, const kin_state& position,
                             const kin_state& posture);

// The platform joints in the world frame: P + R·a_k with its rates (platform_joint).
platform_joints stewart_joints(const stewart_geometry& g, const kin_state& position,
                               const kin_state& posture);

// J(j, k) = ∂L_j/∂q_k and the second-order table H (columns in rate_products order: the six
// squares, then the fifteen pairs holding twice the mixed derivative), so that
// L̈ = J·q̈ + H·rate_products(q̇). Only the values of the pose are read: the derivatives of the
// leg lengths, from the posture's partial derivatives built once.
void stewart_jacobian(const stewart_geometry& g, const kin_state& position,
                      const kin_state& posture, mat<6>& J, mat<6, 21>& H);
// J alone, the same numbers, without the second-order table: for the diagnostics, which
// need it at every step. False where a leg has zero length (stewart_legs' zero_length), whose
// row is undefined.
bool stewart_jacobian_values(const stewart_geometry& g, const kin_state& position,
                             const kin_state& posture, mat<6>& J);

// The pieces of stewart_jacobian, inline: per atlas cell and per solver step they are the bulk
// of the work.
// Leg j at the position (x, y, z) and posture R, l = P + R·a − B, with a, its platform joint
// (platform frame).
inline leg_vector stewart_leg_at(const stewart_geometry& g, int j, double x, double y, double z,
                                 const mat3& R, vec3& a) {
  a(1) = g.ax(j), a(2) = g.ay(j), a(3) = g.az(j);
  vec3 Ra, joint, B;
  mat_vec(3, R, a, Ra);
  joint(1) = x + Ra(1), joint(2) = y + Ra(2), joint(3) = z + Ra(3);
  B(1) = g.Bx(j), B(2) = g.By(j), B(3) = g.Bz(j);
  return leg_between(joint, B);
}
// l_k = ∂l/∂q_k into lk[1..6]: e_k for the position, R_k·a for the angles.
inline void stewart_leg_partials(const posture_partials& pp, const vec3& a, vec3* lk) {
  for (int k = 1; k <= 3; ++k) lk[k] = vec3{}, lk[k](k) = 1;
  for (int k = 1; k <= 3; ++k) mat_vec(3, pp.d[k], a, lk[k + 3]);
}
// J(j, k) = (l·l_k)/L at the position (x, y, z) and the posture's partials pp (R and R_k); false
// where a leg has zero length.
inline bool stewart_jacobian_from_partials(const stewart_geometry& g, double x, double y, double z,
                                           const posture_partials& pp, mat<6>& J) {
  for (int j = 1; j <= stewart_leg_count; ++j) {
    vec3 a, lk[7];  // lk[1..6]
    const leg_vector leg = stewart_leg_at(g, j, x, y, z, pp.R, a);
    if (leg.zero_length) return false;
    stewart_leg_partials(pp, a, lk);
    for (int k = 1; k <= 6; ++k) J(j, k) = leg.rate(lk[k]);
  }
  return true;
}
// The same by probing stewart_legs with unit and pairwise rates at zero acceleration, so the
// rate and acceleration fields of position and posture are overwritten: on return the rates
// hold e₅ + e₆ and the accelerations 0. The straightforward evaluation the fast one is held to.
void stewart_jacobian_reference(const stewart_geometry& g, kin_state& position, kin_state& posture,
                                mat<6>& J, mat<6, 21>& H);

// The pose whose legs have the goal lengths L*, by newton_solve from the pose passed in: steps
// q += Δ with J·Δ = L* − L(q) (damped at a singular J, shortened where a leg would overflow),
// the angles not wrapped, until the largest residual is strictly below the tolerance, at most
// nr_rules::max_corrections corrections. J and H are those of the pose the iteration ends with;
// there q̇ solves J·q̇ = L̇* and q̈ solves J·q̈ = L̈* − H·rate_products(q̇). Writes the pose with
// these rates into position and posture, and the platform joints at that pose with the same
// rates into joints. How a failed solve ends, and its rates, as newton_solve says.
nr_outcome newton_fk_stewart(double tolerance, const stewart_geometry& g, const vec<6>& goal,
                             const vec<6>& goal_rate, const vec<6>& goal_acc, kin_state& position,
                             kin_state& posture, platform_joints& joints);
// The same through stewart_legs and stewart_jacobian_reference at every iterate.
nr_outcome newton_fk_stewart_reference(double tolerance, const stewart_geometry& g,
                                       const vec<6>& goal, const vec<6>& goal_rate,
                                       const vec<6>& goal_acc, kin_state& position,
                                       kin_state& posture, platform_joints& joints);

}  // namespace kinelab

#pragma once
// Kinematics of the six-rail slider mechanism (dravik drives it with three axes, selvo with six).
//
// A platform is carried by six rods of one length L. Rod i joins the platform joint
// a_i = (ax_i, ay_i, 0), given in platform coordinates, to a slider on the world line
// y = By_i, z = 0, which runs parallel to x; the actuator value of leg i is the slider's world
// x coordinate bx_i. The platform pose is q = (x, y, z, α, β, γ) with posture R, so a joint lies
// at P + R·a_i. Units, frames and the posture angles: docs/notation.md.
//
// A rod that cannot reach its rail (L² − e² − W_z² < 0) has no slider position, and one that
// stands perpendicular to its rail (S = 0) has no finite slider rate. Such a leg is flagged as
// unreachable and takes S = 0 with Ṡ = S̈ = 0: its slider sits under the joint and moves with
// the joint's x, so every value stays finite.
#include <array>

#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/newton.h"
#include "core/pose.h"
#include "core/posture.h"

namespace kinelab {

inline constexpr int rail_leg_count = 6;

// The leg geometry read from the parameter table, legs 1..6.
struct rail_geometry {
  double rod_length = 0;  // L, shared by all six rods
  vec<6> ax, ay;          // platform joints (ax, ay, 0) in platform coordinates
  vec<6> By;              // rail of leg i: the world line y = By(i), z = 0
};

// The default geometry as the window's fields show it, legs 1..6: three parallelograms, legs
// 1–2, 3–4 and 5–6.
struct rail_geometry_texts {
  const char* rod_length;
  std::array<const char*, rail_leg_count> ax, ay, By;
};
inline constexpr rail_geometry_texts rail_default_texts = {
    "0.37",
    {"0", "0.1", "-0.1", "-0.1", "0.1", "0"},
    {"-0.12", "-0.035", "-0.0425", "+0.0425", "+0.035", "+0.12"},
    {"-0.2275", "-0.1425", "-0.0425", "+0.0425", "+0.1425", "+0.2275"},
};
// The default geometry as numbers.
rail_geometry default_rail_geometry();

// The side of its platform joint on which a leg's slider sits: +1 on the +x side (legs 1, 2,
// 5, 6), −1 on the −x side (legs 3, 4). Fixed by the mechanism, not a parameter.
double branch_sign(int leg);

// One slider: x position, velocity and acceleration on its rail.
struct rail_slider {
  double bx = 0, dbx = 0, ddbx = 0;
  bool reachable = true;
};

// All six sliders, legs 1..6, with the legs that could not be placed.
struct rail_sliders {
  vec<6> bx, dbx, ddbx;
  unsigned unreachable = 0;  // bit i − 1 set for leg i
  bool leg_reachable(int leg) const { return (unreachable & (1u << (leg - 1))) == 0; }
};

// World position, velocity and acceleration of the six platform joints; leg i at [i − 1].
using rail_joint_states = std::array<kin_state, rail_leg_count>;

// One leg in closed form, with exact rates. P is the platform origin with its rates; m holds
// R, Ṙ, R̈ of the posture.
rail_slider rail_leg(double sigma, double L, double ax, double ay, double By, const kin_state& P,
                     const rotation_rates& m);
// The six legs at the pose (position, posture), each with its branch_sign.
rail_sliders rail_inverse(const rail_geometry& g, const kin_state& position,
                          const kin_state& posture);

// The six platform joints in world coordinates, with velocity and acceleration (platform_joint).
rail_joint_states rail_joints(const rail_geometry& g, const kin_state& position,
                              const kin_state& posture);

// J(i, k) = ∂bx_i/∂q_k, and the second-order table H with columns in rate_products order
// (squares, then pairs holding twice the mixed derivative), so that b̈x = J·q̈ + H·w. Only the
// value fields of the pose are read. In closed form from the posture's partial derivatives;
// a leg within rounding of the edge of its reach goes through the probes instead.
void rail_jacobian(const rail_geometry& g, const kin_state& position, const kin_state& posture,
                   mat<6>& J, mat<6, 21>& H);
// J as rail_jacobian gives it, the posture's partials formed once for the sliders and J: for
// the diagnostics, which need it at every step. False where a rod cannot reach its rail
// (rail_inverse's unreachable).
bool rail_jacobian_values(const rail_geometry& g, const kin_state& position,
                          const kin_state& posture, mat<6>& J);
// The same by probes of rail_inverse with unit and pairwise rates: the straightforward
// evaluation the closed form is held to.
void rail_jacobian_reference(const rail_geometry& g, const kin_state& position,
                             const kin_state& posture, mat<6>& J, mat<6, 21>& H);

// The pose whose sliders stand at the targets bx*, by newton_solve from the pose passed in (a
// full step solved with partial pivoting, damped at a singular J, halved where a rod would leave
// its rail; angles are not wrapped; convergence when the largest slider residual is strictly
// below the tolerance; at most 10 corrections). Writes the solution into position and posture,
// with q̇ from J·q̇ = ḃx* and q̈ from J·q̈ = b̈x* − H·w at the final pose, and the joints at that
// pose. The pose returned is always one where every rod reaches its rail; a guess that does not
// comes back unchanged, status unreachable ("a rod off its rail").
nr_outcome rail_forward(const rail_geometry& g, double tolerance, const vec<6>& target_bx,
                        const vec<6>& target_dbx, const vec<6>& target_ddbx, kin_state& position,
                        kin_state& posture, rail_joint_states& joints);
// The same through rail_inverse and rail_jacobian_reference at every iterate.
nr_outcome rail_forward_reference(const rail_geometry& g, double tolerance, const vec<6>& target_bx,
                                  const vec<6>& target_dbx, const vec<6>& target_ddbx,
                                  kin_state& position, kin_state& posture,
                                  rail_joint_states& joints);

}  // namespace kinelab

#pragma once
// The serial chain evaluated once per set of joint angles, for the solvers and the windows'
// step loop. chain_point and chain_posture_serial stay the plain statement of the chain (and
// the reference the tests hold these against); here the same chain is taken outward from the
// base, so that one pass gives the origins of all links with their rates, and so that the
// rotations of one pose serve the residual, every Jacobian column and every second-order
// column of a Newton–Raphson step.
//
// All vectors are in base axes. For link k: A_k = R_1·…·R_k turns link-k axes into base axes,
// o_k is the link's origin, and z_k = A_k·(0, 0, 1) is the axis its joint turns about. With
// r_k = P − o_k, a unit rate of joint k moves P by z_k × r_k and turns the tool frame by
// Ṙ = [z_k]×·R, where R = A_n and [z]× is the cross-product matrix.
#include "core/posture.h"
#include "mechanisms/serial/serial_chain.h"

namespace kinelab {

// The fixed twists Rx(α_k)·Ry(β_k) of an arm's links, formed once per arm.
struct arm_twists {
  int links = 0;
  link_array alfa, beta;  // the angles they were formed from
  mat3 T[max_links + 1];
};
arm_twists twists_of(const serial_arm& arm);

// The chain at one set of joint angles (links 1..links, angles the(1..links)).
struct chain_frames {
  int links = 0;
  link_array the;  // the angles these frames were built for
  mat3 A[max_links + 1];
  vec3 o[max_links + 1];
  vec3 z[max_links + 1];
  bool with_posture = false;
  posture_angles tool;  // posture of the last link, when built with_posture
};
void build_frames(const serial_arm& arm, const arm_twists& tw, const link_array& the,
                  bool with_posture, chain_frames& f);

// Column k = 1..joints: the rates of P (rows 1..3) and, when the frames carry the posture, of
// the tool's posture angles (rows 4..6) for a unit rate of joint k; jacobian_3r and
// jacobian_6r give the same from a chain evaluation per column.
void frames_jacobian(const chain_frames& f, int joints, mat<6>& J);
// The second-order table with the columns of rate_products for `joints` joints (squares, then
// pairs holding twice the mixed derivative), rows as frames_jacobian; quadratic_terms_3r and
// quadratic_terms_6r give the same from a chain evaluation per column.
//   square k:  z_k × (z_k × r_k)                   Ṙ = [z_k]×·R, R̈ = [z_k]×²·R
//   pair i<j:  2·z_i × (z_j × r_j)                 R̈ = ([z_i]×² + 2·[z_i]×·[z_j]× + [z_j]×²)·R
// The inner joint i sees the outer axis z_j move with its own frame, hence the one-sided 2.
void frames_quadratic_terms(const chain_frames& f, int joints, mat<6, 21>& H);

// The origins of links 1..links with velocity and acceleration, into points[1..links], and the
// posture of the last link with rates: what chain_point gives for n = 1..links with a cleared
// start, and chain_posture_serial for n = links, in one outward pass.
void chain_points_all(const serial_arm& arm, const link_array& the, const link_array& dthe,
                      const link_array& ddthe, kin_state* points, kin_state& posture);

}  // namespace kinelab

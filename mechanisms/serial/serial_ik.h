#pragma once
// Inverse kinematics of the serial arms by Newton–Raphson. The 3R solver moves the output point
// P (three coordinates, links 1..4); the 6R solver moves P and the tool posture (x, y, z, α, β, γ;
// links 1..7). Jacobians and second-order tables come from the chain's exact rate propagation
// probed with unit and pairwise joint rates, never from finite differences.
#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/newton.h"
#include "mechanisms/serial/serial_chain.h"
#include "mechanisms/serial/serial_frames.h"

namespace kinelab {

// The solves of a window (or of any one thread) for one arm, step after step: newton_ik_3r and
// newton_ik_6r with the arm's twists kept between solves and formed again only when its twist
// angles change. They are compared bit for bit, so that a kept twist is the very matrix
// twists_of would give and every solve's numbers are those of a fresh solver.
class serial_ik_solver {
 public:
  nr_outcome solve_3r(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                      link_array& the, link_array& dthe, link_array& ddthe);
  nr_outcome solve_6r(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                      const kin_state& goal_s, link_array& the, link_array& dthe,
                      link_array& ddthe);

 private:
  const arm_twists& twists_for(const serial_arm& arm);
  arm_twists twists_;
  bool formed_ = false;
};

// J(c, i) = ∂P_c/∂θ_i.
mat<3> jacobian_3r(const serial_arm& arm, const link_array& the);
// Columns H₁, H₂, H₃, then H₁₂, H₁₃, H₂₃ (twice the mixed second derivatives).
mat<3, 6> quadratic_terms_3r(const serial_arm& arm, const link_array& the);
// Solves P(the) = goal from the angles held in `the` with newton_solve (at most 10 corrections,
// convergence when the largest residual component is not greater than the tolerance, angles
// wrapped into (−π, π]), then the rates and accelerations that give the goal's velocity and
// acceleration, with J and H at the solved angles. A solver of its own for the one solve.
nr_outcome newton_ik_3r(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                        link_array& the, link_array& dthe, link_array& ddthe);

// The same solve with every value, Jacobian and second-order table from chain evaluations of
// their own, as jacobian_3r and quadratic_terms_3r form them: the reference that
// newton_ik_3r, which builds the chain's frames once per set of angles, is held against.
nr_outcome newton_ik_3r_reference(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                                  link_array& the, link_array& dthe, link_array& ddthe);

// Rows x, y, z of P, then α, β, γ of the tool posture; columns the joints.
mat<6> jacobian_6r(const serial_arm& arm, const link_array& the);
// Columns in the order of rate_products: six squares, fifteen pairs.
mat<6, 21> quadratic_terms_6r(const serial_arm& arm, const link_array& the);
// As newton_ik_3r for the full pose; posture residuals are wrapped into (−π, π].
nr_outcome newton_ik_6r(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                        const kin_state& goal_s, link_array& the, link_array& dthe,
                        link_array& ddthe);
// newton_ik_6r's reference, as newton_ik_3r_reference.
nr_outcome newton_ik_6r_reference(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                                  const kin_state& goal_s, link_array& the, link_array& dthe,
                                  link_array& ddthe);

}  // namespace kinelab

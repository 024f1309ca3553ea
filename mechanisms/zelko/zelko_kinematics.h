#pragma once
// The zelko limb: two orvak units end to end, joined by a revolute middle joint. The lower unit
// stands on the base; the upper unit is the same unit turned half a turn about y, so a point
// (x, y, z) of the lower unit corresponds to (−x, y, −z) of the upper one.
//
// Every joint is a posture, its twist `hineri`:
//   hineri[1] = (α1, β1, γ1) turns body 1 (the lower platform) about the base origin;
//   hineri[2] = (0, β2, 0)   turns body 2 about the middle joint; only β is free;
//   hineri[3] = (α3, β3, γ3) turns the end plate about its own origin, with γ3 = γ1 always.
// The joint vector is θ = (α1, β1, γ1, β2, α3, β3) in radians; the couplings hold for values,
// rates and accelerations alike.
//
// Points, all in world (base) coordinates with rates:
//   pp1 = R1·(0, 0, d)                   the top of the lower column,
//   pp2 = pp1 + R1·h1                    the middle joint, h1 = (Hx1, 0, Hz1) in body-1 axes,
//   pp3 = pp2 − R1·R2·h3                 the lower end of the upper column, h3 = (Hx3, 0, Hz3),
//   pp4 = pp3 + R1·R2·(0, 0, d)          the end-plate origin.
#include <array>

#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/newton.h"
#include "core/pose.h"
#include "core/rate_products.h"
#include "mechanisms/orvak/orvak_unit.h"

namespace kinelab {

struct zelko_geometry {
  orvak_geometry unit;  // both units
  double d = 0;         // column length of both units
  double Hx1 = 0, Hz1 = 0, Hx3 = 0, Hz3 = 0;
};
zelko_geometry default_zelko_geometry();

// hineri[1..3]; [0] is unused, so that chain_posture(3, h.data()) reads the three twists.
using zelko_twists = std::array<kin_state, 4>;

// A point X in body-2 axes measured from pp2 (the middle joint), in world coordinates. Sets the
// α and γ fields of h[2] (angle, rate, acceleration) to 0 first: the middle joint has β only.
kin_state zelko_from_knee(const zelko_geometry& g, zelko_twists& h, const kin_state& X);
// A point X in body-2 axes measured from pp3.
kin_state zelko_from_mid(const zelko_geometry& g, zelko_twists& h, const kin_state& X);
// A point X in end-plate axes measured from pp4.
kin_state zelko_from_top(const zelko_geometry& g, zelko_twists& h, const kin_state& X);

// The end-plate point X in world coordinates (the position) and the end-plate posture
// R1·R2·R3, with rates.
pose zelko_forward(const zelko_geometry& g, zelko_twists& h, const kin_state& X);

// Everything the windows draw, with rates: pp[1..4], the end-plate posture, and the joints of
// unit 1 (lower) and 2 (upper), m = 1..3. The upper platform joints ride on body 2, the upper
// base joints on the end plate.
struct zelko_placement {
  kin_state pp[5];
  kin_state posture;
  kin_state plat_joint[3][4];
  kin_state base_joint[3][4];
  // The in-unit legs of unit 1 at hineri[1] and of unit 2 at hineri[3] (orvak_inverse).
  orvak_legs unit_legs[3];
};
zelko_placement zelko_place(const zelko_geometry& g, zelko_twists& h);

// The rate (or acceleration) fields of h from θ̇ (or θ̈); angles are untouched.
void zelko_set_rates(const vec<6>& rates, zelko_twists& h);
void zelko_set_accels(const vec<6>& accels, zelko_twists& h);
// θ ← θ + Δθ, each entry wrapped into (−π, π], written back with the couplings.
void zelko_step(const vec<6>& step, zelko_twists& h);

// The end-plate origin pp4 and posture angles, f = (x, y, z, α, β, γ), at the values of h (the
// numbers zelko_forward gives them).
vec<6> zelko_end_pose(const zelko_geometry& g, zelko_twists& h);

// J (6×6): rows x, y, z of pp4 and α, β, γ of the end plate; column j = ∂f/∂θ_j. Only the
// values of h are read (the middle twist's α and γ are cleared, as zelko_from_knee does): from
// the twists' partial derivatives, built once.
mat<6> zelko_jacobian(const zelko_geometry& g, zelko_twists& h);
// H (6×21): columns 1..6 are ∂²f/∂θ_j², columns 7..21 the pairs of rate_products holding
// 2·∂²f/∂θ_j∂θ_k, so that f̈ = J·θ̈ + H·rate_products(θ̇). Reads the values of h as
// zelko_jacobian does.
mat<6, rate_product_count> zelko_quadratic_terms(const zelko_geometry& g, zelko_twists& h);
// Both at once, sharing the partials.
void zelko_jacobian_and_quadratic_terms(const zelko_geometry& g, zelko_twists& h, mat<6>& J,
                                        mat<6, rate_product_count>& H);
// The same by probing zelko_forward: column j is the rate it propagates for a unit rate of
// joint j (leaves the rate fields of h at e_6); H from unit and pairwise rates at zero
// acceleration (leaves rates and accelerations of h changed). The straightforward evaluation
// the fast ones are held to.
mat<6> zelko_jacobian_reference(const zelko_geometry& g, zelko_twists& h);
mat<6, rate_product_count> zelko_quadratic_terms_reference(const zelko_geometry& g,
                                                           zelko_twists& h);

// Newton–Raphson (newton_solve) on θ from the values h holds until the largest residual
// (lengths for pp4, radians for the posture, wrapped) is at most `tolerance`, at most ten
// corrections, θ wrapped into (−π, π]; then the joint rates and accelerations for the goal's
// rates, with J and H at the solved θ. h holds the solution on return. How a failed solve ends,
// and its rates, as newton_solve says.
nr_outcome zelko_inverse(double tolerance, const zelko_geometry& g, const kin_state& goal_p,
                         const kin_state& goal_s, zelko_twists& h);
// The same through zelko_forward and the reference J and H.
nr_outcome zelko_inverse_reference(double tolerance, const zelko_geometry& g,
                                   const kin_state& goal_p, const kin_state& goal_s,
                                   zelko_twists& h);

}  // namespace kinelab

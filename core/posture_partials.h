#pragma once
// The rotation of a posture with its partial derivatives with respect to the angles.
//
// R = Rx(α)·Ry(β)·Rz(γ) depends on the angles alone, so R, R_k = ∂R/∂θ_k and
// R_kl = ∂²R/∂θ_k∂θ_l (θ = (α, β, γ)) can be built once per pose and reused for any rates:
// Ṙ = Σ R_k·θ̇_k and R̈ = Σ R_k·θ̈_k + Σ R_kl·θ̇_k·θ̇_l. Each matrix is formed as
// posture_matrices forms the triple for a unit rate (e_k) or a unit pair (e_k + e_l, whose R̈
// holds R_kk + R_ll + 2·R_kl), so R and R_k are posture_matrices' R and Ṙ to the bit.
#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/posture.h"

namespace kinelab {

struct posture_partials {
  mat3 R;
  mat3 d[4];  // [k] = R_k, k = 1, 2, 3 for α, β, γ; [0] unused
  // R_kl = R_lk, k, l = 1..3.
  const mat3& dd(int k, int l) const { return second[k == l ? k - 1 : k + l]; }
  mat3& dd(int k, int l) { return second[k == l ? k - 1 : k + l]; }
  mat3 second[6];  // R_11, R_22, R_33, R_12, R_13, R_23
};

// R alone, formed as posture_matrices forms it (the same numbers), for values without rates.
mat3 posture_rotation(const kin_state& s);

// The partials at the angles of s (its rates are not read), up to the given order: 0 builds R
// alone, 1 also R_k, 2 everything.
posture_partials posture_partials_of(const kin_state& s, int order = 2);

// (R, Ṙ, R̈) for the rates and accelerations of s, from the partials at its angles.
rotation_rates posture_rates(const posture_partials& p, const kin_state& s);

}  // namespace kinelab

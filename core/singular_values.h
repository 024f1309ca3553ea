#pragma once
// Singular values of the small Jacobians the windows report (at most 6×6), by one-sided Jacobi
// rotations: accurate to a few ulps of the largest value, so a value near zero stays near zero
// rather than drowning in rounding of the others.
#include "core/array_algebra.h"

namespace kinelab {

inline constexpr int jacobian_max_size = 6;

// A rows × cols matrix in the top-left block of m, indices from 1.
struct jacobian_matrix {
  int rows = 0, cols = 0;
  mat<jacobian_max_size> m;
};

struct singular_value_set {
  int count = 0;  // min(rows, cols); 0 when the matrix is empty or holds a value not finite
  double s[jacobian_max_size] = {};  // largest first
};
singular_value_set singular_values(const jacobian_matrix& J);

// The largest and smallest singular values alone. Where J is well conditioned they are the
// square roots of the extreme eigenvalues of its Gram matrix (JᵀJ, or JJᵀ when J is wide),
// found by Laguerre's iteration on its tridiagonal form: a fraction of the cost of
// singular_values. Forming the Gram matrix costs relative accuracy of about ε·condition² in
// σmin, so beyond gram_condition_limit, or where the iteration does not settle, they come from
// singular_values. false where J has no singular values (count 0 there).
inline constexpr double gram_condition_limit = 100;
bool extreme_singular_values(const jacobian_matrix& J, double& sigma_max, double& sigma_min);
// The same for two matrices at once, for a caller with many (the atlas): about the cost of one,
// and the values each would have alone.
struct extreme_values {
  bool found = false;
  double sigma_max = 0, sigma_min = 0;
};
void extreme_singular_values(const jacobian_matrix& J1, const jacobian_matrix& J2,
                             extreme_values& v1, extreme_values& v2);

// The distance to a singularity: the smallest singular value and the condition number
// σmax/σmin. A matrix with σmin = 0, or one that could not be evaluated (count 0), has
// σmin = 0 and the condition number the largest double: no infinity leaves this routine.
struct singularity_distance {
  double sigma_min = 0;
  double condition = 0;
};
// From extreme_singular_values: every σmin the program shows, writes or maps is this one.
singularity_distance singularity_distance_of(const jacobian_matrix& J);
// The same from the extreme singular values already found.
singularity_distance singularity_distance_of(double sigma_max, double sigma_min);
// The same from singular values already found.
singularity_distance singularity_distance_of(const singular_value_set& sv);

}  // namespace kinelab

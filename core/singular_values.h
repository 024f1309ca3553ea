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

// The distance to a singularity: the smallest singular value and the condition number
// σmax/σmin. A matrix with σmin = 0, or one that could not be evaluated (count 0), has
// σmin = 0 and the condition number the largest double: no infinity leaves this routine.
struct singularity_distance {
  double sigma_min = 0;
  double condition = 0;
};
singularity_distance singularity_distance_of(const jacobian_matrix& J);
// The same from singular values already found.
singularity_distance singularity_distance_of(const singular_value_set& sv);

}  // namespace kinelab

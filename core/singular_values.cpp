#include "core/singular_values.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace kinelab {

namespace {
constexpr int max_sweeps = 60;
}

singular_value_set singular_values(const jacobian_matrix& J) {
  singular_value_set out;
  if (J.rows < 1 || J.cols < 1 || J.rows > jacobian_max_size || J.cols > jacobian_max_size)
    return out;
  // Work on the columns of B = J, or of Jᵀ when J is wide, so that B has at least as many rows
  // as columns; the singular values are the same.
  const bool wide = J.cols > J.rows;
  const int m = wide ? J.cols : J.rows, n = wide ? J.rows : J.cols;
  double b[jacobian_max_size][jacobian_max_size];  // b[column][row]
  double largest = 0;
  for (int c = 0; c < n; ++c)
    for (int r = 0; r < m; ++r) {
      const double v = wide ? J.m(c + 1, r + 1) : J.m(r + 1, c + 1);
      if (!std::isfinite(v)) return out;
      b[c][r] = v;
      largest = std::max(largest, std::fabs(v));
    }
  // Scaled to unit largest entry, the sums of squares below neither overflow nor underflow.
  if (largest > 0)
    for (int c = 0; c < n; ++c)
      for (int r = 0; r < m; ++r) b[c][r] /= largest;

  // Hestenes' method: rotate column pairs until every pair is orthogonal to working precision;
  // the column norms are then the singular values.
  const double eps = std::numeric_limits<double>::epsilon();
  for (int sweep = 0; sweep < max_sweeps; ++sweep) {
    bool rotated = false;
    for (int p = 0; p < n - 1; ++p)
      for (int q = p + 1; q < n; ++q) {
        double alpha = 0, beta = 0, gamma = 0;
        for (int r = 0; r < m; ++r) {
          alpha += b[p][r] * b[p][r];
          beta += b[q][r] * b[q][r];
          gamma += b[p][r] * b[q][r];
        }
        if (gamma == 0 || std::fabs(gamma) <= eps * std::sqrt(alpha * beta)) continue;
        rotated = true;
        const double zeta = (beta - alpha) / (2 * gamma);
        const double t = std::copysign(1.0, zeta) / (std::fabs(zeta) + std::hypot(1.0, zeta));
        const double c = 1 / std::sqrt(1 + t * t), s = c * t;
        for (int r = 0; r < m; ++r) {
          const double x = b[p][r], y = b[q][r];
          b[p][r] = c * x - s * y;
          b[q][r] = s * x + c * y;
        }
      }
    if (!rotated) break;
  }
  out.count = n;
  for (int c = 0; c < n; ++c) {
    double norm = 0;
    for (int r = 0; r < m; ++r) norm = std::hypot(norm, b[c][r]);
    out.s[c] = norm * largest;
  }
  std::sort(out.s, out.s + n, std::greater<double>());
  return out;
}

singularity_distance singularity_distance_of(const jacobian_matrix& J) {
  return singularity_distance_of(singular_values(J));
}

singularity_distance singularity_distance_of(const singular_value_set& sv) {
  singularity_distance d;
  d.condition = std::numeric_limits<double>::max();
  if (sv.count == 0) return d;
  d.sigma_min = sv.s[sv.count - 1];
  const double ratio = sv.s[0] / d.sigma_min;
  if (d.sigma_min > 0 && std::isfinite(ratio)) d.condition = ratio;
  return d;
}

}  // namespace kinelab

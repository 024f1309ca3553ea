#pragma once
// The Newton–Raphson driver's linear algebra: an LU factorisation with partial pivoting, which
// also tells a Jacobian that is singular to working precision from one that is merely
// ill-conditioned, and the damped least-squares solve used where it is singular.
//
// Unlike solve_linear, the LU search takes the largest pivot of each column: at the
// mirror-symmetric poses of the platforms rounding leaves a leading pivot of 1e-17 where the
// exact one is 0, which an elimination without pivot search accepts and turns into garbage.
#include <cmath>
#include <limits>
#include <utility>

#include "core/array_algebra.h"

namespace kinelab {

// A matrix whose smallest LU pivot is at most this part of its largest entry counts as
// singular: its condition number is beyond about 1e13, where a solve keeps fewer than three
// digits.
inline constexpr double singular_pivot_ratio = 1e-13;

template <int N>
struct lu_factors {
  mat<N> LU;             // L below the diagonal (unit diagonal implied), U on and above
  int row[N + 1] = {};   // row[k]: the row of the matrix that became row k
  bool singular = true;  // numerically singular, or holding a value that is not finite
};

template <int N>
lu_factors<N> lu_factor(const mat<N>& A) {
  lu_factors<N> f;
  f.LU = A;
  double largest = 0;
  for (int i = 1; i <= N; ++i) {
    f.row[i] = i;
    for (int j = 1; j <= N; ++j) largest = std::fmax(largest, std::fabs(A(i, j)));
  }
  if (!std::isfinite(largest) || largest == 0) return f;
  mat<N>& M = f.LU;
  for (int k = 1; k <= N; ++k) {
    int p = k;
    for (int i = k + 1; i <= N; ++i)
      if (std::fabs(M(i, k)) > std::fabs(M(p, k))) p = i;
    if (!(std::fabs(M(p, k)) > singular_pivot_ratio * largest)) return f;
    if (p != k) {
      for (int j = 1; j <= N; ++j) std::swap(M(p, j), M(k, j));
      std::swap(f.row[p], f.row[k]);
    }
    for (int i = k + 1; i <= N; ++i) {
      const double l = M(i, k) / M(k, k);
      M(i, k) = l;
      for (int j = k + 1; j <= N; ++j) M(i, j) -= l * M(k, j);
    }
  }
  f.singular = false;
  return f;
}

// x with A·x = b, for factors that are not singular.
template <int N>
vec<N> lu_solve(const lu_factors<N>& f, const vec<N>& b) {
  vec<N> x;
  for (int i = 1; i <= N; ++i) {
    double s = b(f.row[i]);
    for (int j = 1; j < i; ++j) s -= f.LU(i, j) * x(j);
    x(i) = s;
  }
  for (int i = N; i >= 1; --i) {
    double s = x(i);
    for (int j = i + 1; j <= N; ++j) s -= f.LU(i, j) * x(j);
    x(i) = s / f.LU(i, i);
  }
  return x;
}

// The x that minimises |A·x − b|² + λ²·|x|², by Householder QR of A stacked on λ·I, so the
// condition number is not squared as in the normal equations. For small λ it tends to the
// minimum-norm least-squares solution, and it is finite for every finite A and b with λ > 0.
template <int N>
vec<N> damped_least_squares(const mat<N>& A, const vec<N>& b, double lambda) {
  constexpr int M = 2 * N;
  // x is linear in b: b is scaled to a largest entry of 1 so that no reflection overflows.
  const double b_scale = vec_max_abs(N, b);
  if (b_scale == 0) return vec<N>{};
  if (!std::isfinite(b_scale)) {  // no solution to give: say so with a value that is not finite
    vec<N> x;
    for (int i = 1; i <= N; ++i) x(i) = std::numeric_limits<double>::quiet_NaN();
    return x;
  }
  double a[M + 1][N + 1] = {}, y[M + 1] = {};
  for (int i = 1; i <= N; ++i) {
    for (int j = 1; j <= N; ++j) a[i][j] = A(i, j);
    a[N + i][i] = lambda;
    y[i] = b(i) / b_scale;
  }
  for (int k = 1; k <= N; ++k) {
    double norm = 0;
    for (int i = k; i <= M; ++i) norm = std::hypot(norm, a[i][k]);
    if (norm == 0) continue;
    const double alpha = a[k][k] > 0 ? -norm : norm;
    // v = column k below the diagonal less alpha·e_k; H = I − 2·v·vᵀ/(vᵀv).
    double v[M + 1] = {};
    for (int i = k; i <= M; ++i) v[i] = a[i][k];
    v[k] -= alpha;
    double vv = 0;
    for (int i = k; i <= M; ++i) vv += v[i] * v[i];
    if (vv == 0) continue;
    for (int j = k; j <= N; ++j) {
      double s = 0;
      for (int i = k; i <= M; ++i) s += v[i] * a[i][j];
      s = 2 * s / vv;
      for (int i = k; i <= M; ++i) a[i][j] -= s * v[i];
    }
    double s = 0;
    for (int i = k; i <= M; ++i) s += v[i] * y[i];
    s = 2 * s / vv;
    for (int i = k; i <= M; ++i) y[i] -= s * v[i];
  }
  vec<N> x;
  for (int i = N; i >= 1; --i) {
    double s = y[i];
    for (int j = i + 1; j <= N; ++j) s -= a[i][j] * x(j);
    x(i) = a[i][i] != 0 ? s / a[i][i] : 0;
  }
  for (int i = 1; i <= N; ++i) x(i) *= b_scale;
  return x;
}

template <int N>
double largest_entry(const mat<N>& A) {
  double m = 0;
  for (int i = 1; i <= N; ++i)
    for (int j = 1; j <= N; ++j) m = std::fmax(m, std::fabs(A(i, j)));
  return m;
}

}  // namespace kinelab

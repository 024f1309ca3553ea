#pragma once
// Gauss–Jordan elimination with pivoting by cyclic row rotation. The exact rotation order
// decides which systems succeed, so it is kept as it is; there is no search for the largest
// pivot and no scaling.
#include "core/array_algebra.h"

namespace kinelab {

enum class solve_status { ok, error };
inline const char* to_string(solve_status s) { return s == solve_status::ok ? "ok" : "error"; }

namespace detail {
// Cyclic shift of rows k..n of A, X and b by one place upwards; row k goes to row n.
template <int N>
void rotate_rows(int n, mat<N>& A, vec<N>& b, mat<N>& X, int k) {
  double a_row[N + 1], x_row[N + 1];
  for (int j = 1; j <= n; ++j) a_row[j] = A(k, j), x_row[j] = X(k, j);
  const double bk = b(k);
  for (int i = k; i <= n - 1; ++i) {
    for (int j = 1; j <= n; ++j) A(i, j) = A(i + 1, j), X(i, j) = X(i + 1, j);
    b(i) = b(i + 1);
  }
  for (int j = 1; j <= n; ++j) A(n, j) = a_row[j], X(n, j) = x_row[j];
  b(n) = bk;
}
template <int N>
void normalize_pivot_row(int n, mat<N>& A, vec<N>& b, mat<N>& X, int k) {
  const double p = A(k, k);  // read once, before any division
  b(k) = b(k) / p;
  for (int j = 1; j <= n; ++j) {
    A(k, j) = A(k, j) / p;
    X(k, j) = X(k, j) / p;
  }
}
template <int N>
void eliminate_column(int n, mat<N>& A, vec<N>& b, mat<N>& X, int k) {
  for (int i = 1; i <= n; ++i) {
    if (i == k) continue;
    const double t = A(i, k);  // read once
    b(i) = b(i) - t * b(k);
    for (int j = 1; j <= n; ++j) {
      A(i, j) = A(i, j) - t * A(k, j);
      X(i, j) = X(i, j) - t * X(k, j);
    }
  }
}
}  // namespace detail

// Solves A·x = b: A is taken by copy; on ok, b holds x and X holds A⁻¹. On error (no non-zero
// pivot left), b and X hold partly eliminated values and are not a solution.
template <int N>
solve_status solve_linear(int n, mat<N> A, vec<N>& b, mat<N>& X) {
  mat_identity(n, X);
  for (int k = 1; k <= n; ++k) {
    int m = 0;
    while (A(k, k) == 0) {  // exact: a pivot of 1e-300 is accepted
      ++m;
      if (m > n - k) return solve_status::error;
      detail::rotate_rows(n, A, b, X, k);
    }
    detail::normalize_pivot_row(n, A, b, X, k);
    detail::eliminate_column(n, A, b, X, k);
  }
  return solve_status::ok;
}

}  // namespace kinelab

#pragma once
// Small dense vectors and matrices indexed from 1, with the dimension passed explicitly.
// Element 0 (row 0, column 0) exists in storage and is never used. A routine touches indices
// 1..n only and trusts n to fit its storage. Products take their inputs by copy, so an output
// may be the same object as an input (mat_mul(n, A, B, A) is valid).
#include <cmath>

#include "core/angles.h"

namespace kinelab {

template <int N>
struct vec {
  double e[N + 1] = {};
  double& operator()(int i) { return e[i]; }
  double operator()(int i) const { return e[i]; }
};

template <int R, int C = R>
struct mat {
  double e[R + 1][C + 1] = {};
  double& operator()(int i, int j) { return e[i][j]; }
  double operator()(int i, int j) const { return e[i][j]; }
};

using vec3 = vec<3>;
using mat3 = mat<3>;

// A 3×3 matrix written out row by row.
inline mat3 mat3_of(double a11, double a12, double a13, double a21, double a22, double a23,
                    double a31, double a32, double a33) {
  mat3 m;
  m(1, 1) = a11, m(1, 2) = a12, m(1, 3) = a13;
  m(2, 1) = a21, m(2, 2) = a22, m(2, 3) = a23;
  m(3, 1) = a31, m(3, 2) = a32, m(3, 3) = a33;
  return m;
}

// ---- vectors ----

template <int N>
void vec_add(int n, const vec<N>& a, const vec<N>& b, vec<N>& c) {
  for (int i = 1; i <= n; ++i) c(i) = a(i) + b(i);
}
// d = a + b, then d = d + c (the stated order of the two additions).
template <int N>
void vec_add3(int n, const vec<N>& a, const vec<N>& b, const vec<N>& c, vec<N>& d) {
  for (int i = 1; i <= n; ++i) {
    const double s = a(i) + b(i);
    d(i) = s + c(i);
  }
}
template <int N>
void vec_sub(int n, const vec<N>& a, const vec<N>& b, vec<N>& c) {
  for (int i = 1; i <= n; ++i) c(i) = a(i) - b(i);
}
template <int N>
void vec_scale(int n, const vec<N>& v, double k, vec<N>& out) {
  for (int i = 1; i <= n; ++i) out(i) = k * v(i);
}
template <int N>
void vec_copy(int n, const vec<N>& a, vec<N>& b) {
  for (int i = 1; i <= n; ++i) b(i) = a(i);
}
template <int N>
void vec_zero(int n, vec<N>& v) {
  for (int i = 1; i <= n; ++i) v(i) = 0;
}
template <int N>
void vec_dot(int n, const vec<N>& a, const vec<N>& b, double& s) {
  s = 0;
  for (int i = 1; i <= n; ++i) s += a(i) * b(i);
}
template <int N>
double vec_norm(int n, const vec<N>& v) {
  double s = 0;
  for (int i = 1; i <= n; ++i) s += v(i) * v(i);
  return std::sqrt(s);
}
// a × b.
inline vec3 vec_cross(const vec3& a, const vec3& b) {
  vec3 c;
  c(1) = a(2) * b(3) - a(3) * b(2);
  c(2) = a(3) * b(1) - a(1) * b(3);
  c(3) = a(1) * b(2) - a(2) * b(1);
  return c;
}
// Column c of M.
inline vec3 mat_column(const mat3& M, int c) {
  vec3 v;
  v(1) = M(1, c), v(2) = M(2, c), v(3) = M(3, c);
  return v;
}
// Largest absolute component, starting from 0 (so n < 1 gives 0).
template <int N>
double vec_max_abs(int n, const vec<N>& v) {
  double m = 0;
  for (int i = 1; i <= n; ++i)
    if (std::fabs(v(i)) > m) m = std::fabs(v(i));
  return m;
}
template <int N>
double vec_sum_abs(int n, const vec<N>& v) {
  double s = 0;
  for (int i = 1; i <= n; ++i) s += std::fabs(v(i));
  return s;
}
template <int N>
void wrap_angles(int n, vec<N>& v) {
  for (int i = 1; i <= n; ++i) wrap_angle(v(i));
}

// ---- square matrices ----

template <int N>
void mat_zero(int n, mat<N>& M) {
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) M(i, j) = 0;
}
template <int N>
void mat_identity(int n, mat<N>& M) {
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) M(i, j) = (i == j) ? 1.0 : 0.0;
}
template <int N>
void mat_add(int n, const mat<N>& A, const mat<N>& B, mat<N>& C) {
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) C(i, j) = A(i, j) + B(i, j);
}
// D = A + B, then D = D + C.
template <int N>
void mat_add3(int n, const mat<N>& A, const mat<N>& B, const mat<N>& C, mat<N>& D) {
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) {
      const double s = A(i, j) + B(i, j);
      D(i, j) = s + C(i, j);
    }
}
template <int N>
void mat_scale(int n, const mat<N>& A, double k, mat<N>& B) {
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) B(i, j) = k * A(i, j);
}
template <int N>
void mat_mul(int n, mat<N> A, mat<N> B, mat<N>& C) {
  if constexpr (N == 3) {
    if (n == 3) {
      // The rotations' product, written out: each sum starts from 0 and adds k = 1, 2, 3 in
      // turn, exactly as the loop below does, so the results are the same to the last bit.
      for (int i = 1; i <= 3; ++i) {
        const double a1 = A(i, 1), a2 = A(i, 2), a3 = A(i, 3);
        for (int j = 1; j <= 3; ++j) {
          double s = 0;
          s += a1 * B(1, j);
          s += a2 * B(2, j);
          s += a3 * B(3, j);
          C(i, j) = s;
        }
      }
      return;
    }
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) {
      double s = 0;
      for (int k = 1; k <= n; ++k) s += A(i, k) * B(k, j);
      C(i, j) = s;
    }
}
template <int N>
void mat_mul_scaled(int n, const mat<N>& A, const mat<N>& B, double k, mat<N>& C) {
  mat_mul(n, A, B, C);
  mat_scale(n, C, k, C);
}
// D = A·B, then D = D·C. The partial product goes through a temporary: D may be C itself.
template <int N>
void mat_mul3(int n, const mat<N>& A, const mat<N>& B, const mat<N>& C, mat<N>& D) {
  mat<N> AB;
  mat_mul(n, A, B, AB);
  mat_mul(n, AB, C, D);
}
template <int N>
void mat_mul3_scaled(int n, const mat<N>& A, const mat<N>& B, const mat<N>& C, double k,
                     mat<N>& D) {
  mat_mul3(n, A, B, C, D);
  mat_scale(n, D, k, D);
}
template <int N>
void mat_vec(int n, const mat<N>& M, vec<N> v, vec<N>& out) {
  for (int i = 1; i <= n; ++i) {
    double s = 0;
    for (int j = 1; j <= n; ++j) s += M(i, j) * v(j);
    out(i) = s;
  }
}
template <int N>
void mat_vec_scaled(int n, const mat<N>& M, const vec<N>& v, double k, vec<N>& out) {
  mat_vec(n, M, v, out);
  vec_scale(n, out, k, out);
}
// out = Mᵀ·v, out(i) = Σ_j M(j, i)·v(j).
template <int N>
void mat_t_vec(int n, const mat<N>& M, vec<N> v, vec<N>& out) {
  for (int i = 1; i <= n; ++i) {
    double s = 0;
    for (int j = 1; j <= n; ++j) s += M(j, i) * v(j);
    out(i) = s;
  }
}
template <int N>
void mat_t_vec_scaled(int n, const mat<N>& M, const vec<N>& v, double k, vec<N>& out) {
  mat_t_vec(n, M, v, out);
  vec_scale(n, out, k, out);
}
// out(i) = Σ_{j=1..m} M(i, j)·v(j) for i = 1..n: M has n rows and m columns.
template <int R, int C, int NO>
void mat_vec_rect(int n, int m, const mat<R, C>& M, vec<C> v, vec<NO>& out) {
  for (int i = 1; i <= n; ++i) {
    double s = 0;
    for (int j = 1; j <= m; ++j) s += M(i, j) * v(j);
    out(i) = s;
  }
}

}  // namespace kinelab

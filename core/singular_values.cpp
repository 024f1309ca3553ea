#include "core/singular_values.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <type_traits>
#include <utility>

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

namespace {

constexpr int max_laguerre_steps = 40;
constexpr double split_ulps = 8;

// f(std::integral_constant<int, size>{}) for 1 ≤ size ≤ max: a size known at run time handed to
// code made for each size.
template <int max, class F>
void with_size(int size, F&& f) {
  [&]<int... k>(std::integer_sequence<int, k...>) {
    ((size == k + 1 ? (f(std::integral_constant<int, k + 1>{}), 0) : 0), ...);
  }
  (std::make_integer_sequence<int, max>{});
}

// The Gram route below works on L matrices side by side ("lanes"): each step loops over the
// lanes innermost, with no branch on a lane's values, so that the compiler puts the lanes in
// one vector instruction. The route is a chain (each reflection and each iteration waits for
// the last, and on its divisions and square roots), so two lanes cost little more than one.
// A lane's arithmetic is the same whatever L: a matrix gets the same values alone or beside
// another.

// The symmetric n × n matrices g (their lower triangles) reduced to tridiagonal form by
// Householder reflections: diagonal d[0..n−1], off-diagonal e[0..n−2], e[n−1] = 0. g is
// overwritten.
template <int n, int L>
void tridiagonalize(double (&g)[n][n][L], double (&d)[n][L], double (&e)[n][L]) {
  for (int k = 0; k + 2 < n; ++k) {
    // The reflection H = I − 2vvᵀ/vᵀv taking g[k+1..n−1][k] to (α, 0, ..., 0); none where
    // that column is already (x0, 0, ..., 0).
    double tail2[L] = {}, x0[L], alpha[L], by_vv[L];
    for (int i = k + 2; i < n; ++i)
      for (int l = 0; l < L; ++l) tail2[l] += g[i][k][l] * g[i][k][l];
    for (int l = 0; l < L; ++l) {
      x0[l] = g[k + 1][k][l];
      const double norm = std::sqrt(x0[l] * x0[l] + tail2[l]);
      alpha[l] = x0[l] > 0 ? -norm : norm;
      // vᵀv = 2·norm·(norm + |x0|) for v = column − α·e₁. by_vv = 0 leaves S as it is.
      const double vv = 2 * norm * (norm + std::fabs(x0[l]));
      by_vv[l] = tail2[l] == 0 ? 0 : 1 / vv;
    }
    double v[n][L];
    for (int i = k + 1; i < n; ++i)
      for (int l = 0; l < L; ++l) v[i][l] = g[i][k][l];
    for (int l = 0; l < L; ++l) v[k + 1][l] -= alpha[l];
    // S ← H S H for the trailing block S: with p = 2Sv/vᵀv and w = p − (vᵀp/vᵀv)v,
    // S ← S − vwᵀ − wvᵀ.
    double p[n][L], vp[L] = {};
    for (int i = k + 1; i < n; ++i) {
      double sum[L] = {};
      for (int j = k + 1; j < n; ++j)
        for (int l = 0; l < L; ++l) sum[l] += (j <= i ? g[i][j][l] : g[j][i][l]) * v[j][l];
      for (int l = 0; l < L; ++l) {
        p[i][l] = 2 * by_vv[l] * sum[l];
        vp[l] += v[i][l] * p[i][l];
      }
    }
    for (int i = k + 1; i < n; ++i)
      for (int l = 0; l < L; ++l) p[i][l] -= vp[l] * by_vv[l] * v[i][l];
    for (int i = k + 1; i < n; ++i)
      for (int j = k + 1; j <= i; ++j)
        for (int l = 0; l < L; ++l) g[i][j][l] -= v[i][l] * p[j][l] + p[i][l] * v[j][l];
    for (int l = 0; l < L; ++l) {
      d[k][l] = g[k][k][l];
      e[k][l] = tail2[l] == 0 ? x0[l] : alpha[l];
    }
  }
  for (int l = 0; l < L; ++l) {
    if (n >= 2) {
      d[n - 2][l] = g[n - 2][n - 2][l];
      e[n - 2][l] = g[n - 1][n - 2][l];
    }
    d[n - 1][l] = g[n - 1][n - 1][l];
    e[n - 1][l] = 0;
  }
}

// Laguerre's iteration for p(λ) = det(T − λI) of the tridiagonals (d, e2), from λ[0] above
// each spectrum and λ[1] below it: with G = p'/p and H = G² − p''/p the step is
// n / (G ± √((n − 1)(nH − G²))), the sign that of G, and λ − step the next value. Multiplied
// through by p it is n·p / (p' ± √((n − 1)((n − 1)p'² − n·p·p''))), the sign that of p': one
// division a step. From outside the spectrum the iteration moves monotonically to the extreme
// eigenvalue on that side, cubically once near it. p, p' and p'' by the three-term recurrence
// of the leading minors: no division on the way (the Gram matrix is scaled, so they neither
// overflow nor underflow).
//
// Each of the 2L values ends when its step falls below the rounding of λ or turns back
// (rounding, as the iteration is monotone), or once the steps shrink cubically (δ ≤ 1e-2·|λ|
// and then δ' ≤ 1e-3·δ) so far that the next would be below the rounding of λ: with
// δ'' ≈ δ'·(δ'/δ)³, when δ'⁴ ≤ ε·|λ|·δ³/10. ok[l]: lane l settled, meeting no value that is
// not finite.
template <int n, int L>
void laguerre_extremes(const double (&d)[n][L], const double (&e2)[n][L], const double* tiny,
                       double (&lambda)[2][L], bool* ok) {
  constexpr int C = 2 * L;  // the values: lane l from above at l, from below at L + l
  const double eps = std::numeric_limits<double>::epsilon();
  double* x = &lambda[0][0];
  bool done[C];
  double last[C] = {};  // the previous step's size
  for (int c = 0; c < C; ++c) done[c] = false;
  for (int l = 0; l < L; ++l) ok[l] = true;
  for (int k = 0; k < max_laguerre_steps; ++k) {
    bool all_done = true;
    for (int c = 0; c < C; ++c) all_done = all_done && done[c];
    if (all_done) break;
    double p0[C], dp0[C] = {}, ddp0[C] = {}, p[C], dp[C], ddp[C] = {};  // minors i − 1, i
    for (int c = 0; c < C; ++c) p0[c] = 1, p[c] = d[0][c % L] - x[c], dp[c] = -1;
    for (int i = 1; i < n; ++i)
      for (int c = 0; c < C; ++c) {
        const double a = d[i][c % L] - x[c], b = e2[i - 1][c % L];
        const double p1 = a * p[c] - b * p0[c], dp1 = a * dp[c] - b * dp0[c] - p[c],
                     ddp1 = a * ddp[c] - b * ddp0[c] - 2 * dp[c];
        p0[c] = p[c], dp0[c] = dp[c], ddp0[c] = ddp[c];
        p[c] = p1, dp[c] = dp1, ddp[c] = ddp1;
      }
    double step[C];
    for (int c = 0; c < C; ++c) {
      const double root =
          std::sqrt(std::max(0.0, (n - 1) * ((n - 1) * dp[c] * dp[c] - n * p[c] * ddp[c])));
      const double den = dp[c] >= 0 ? dp[c] + root : dp[c] - root;
      // p = 0: λ is an eigenvalue.
      step[c] = den == 0 || p[c] == 0 ? 0 : n * p[c] / den;
    }
    for (int c = 0; c < C; ++c) {
      if (done[c]) continue;
      const int l = c % L;
      if (!std::isfinite(step[c])) {
        ok[l] = false;
        done[l] = done[L + l] = true;
        continue;
      }
      const double s = c < L ? step[c] : -step[c];  // down from above, up from below
      if (s < 0) {
        done[c] = true;  // turned back
        continue;
      }
      x[c] -= step[c];
      const double size = std::fabs(x[c]);
      const bool cubic = k > 0 && last[c] <= 1e-2 * size && s <= 1e-3 * last[c] &&
                         s * s * s * s <= 0.1 * eps * size * last[c] * last[c] * last[c];
      done[c] = s <= 2 * eps * size || s <= tiny[l] || cubic;
      last[c] = s;
    }
  }
  for (int c = 0; c < C; ++c) ok[c % L] = ok[c % L] && done[c];
}

// The extreme eigenvalues of the tridiagonals (d, e, e2), each n long and unreduced, into
// high[l] and low[l]; ok[l] false where they do not settle.
template <int n, int L>
void block_extremes(const double (&d)[n][L], const double (&e)[n][L], const double (&e2)[n][L],
                    const double* tiny, double* high, double* low, bool* ok) {
  // The starts outside the spectrum: the tighter of Gershgorin's bounds and those from the
  // trace and the Frobenius norm (mean ± √((n − 1)·variance) of the eigenvalues); 0 below at
  // the least, G being semidefinite.
  double lambda[2][L];
  for (int l = 0; l < L; ++l) {
    double upper = 0, lower = std::numeric_limits<double>::max(), trace = 0;
    for (int i = 0; i < n; ++i) {
      const double off =
          (i > 0 ? std::fabs(e[i - 1][l]) : 0) + (i + 1 < n ? std::fabs(e[i][l]) : 0);
      upper = std::max(upper, d[i][l] + off);
      lower = std::min(lower, d[i][l] - off);
      trace += d[i][l];
    }
    const double mean = trace / n;
    // The variance of the eigenvalues, ‖T − mean·I‖²_F / n, from the deviations: no
    // cancellation, so the bounds hold to a few rounding units, which the margin covers.
    double deviation2 = 0;
    for (int i = 0; i < n; ++i)
      deviation2 += (d[i][l] - mean) * (d[i][l] - mean) + (i + 1 < n ? 2 * e2[i][l] : 0);
    const double spread = std::sqrt((n - 1) * deviation2 / n);
    const double margin = 1e-12 * (std::fabs(mean) + spread);
    lambda[0][l] = std::min(upper, mean + spread + margin);
    lambda[1][l] = std::max(std::max(lower, mean - spread - margin), 0.0);
  }
  laguerre_extremes<n, L>(d, e2, tiny, lambda, ok);
  for (int l = 0; l < L; ++l) high[l] = lambda[0][l], low[l] = lambda[1][l];
}

// One block [start, start + m) of a lane's tridiagonal alone.
template <int m, int n, int L>
bool one_block(const double (&d)[n][L], const double (&e)[n][L], const double (&e2)[n][L], int lane,
               int start, double tiny, double& high, double& low) {
  double bd[m][1], be[m][1], be2[m][1];
  for (int i = 0; i < m; ++i) {
    bd[i][0] = d[start + i][lane];
    be[i][0] = i + 1 < m ? e[start + i][lane] : 0;
    be2[i][0] = i + 1 < m ? e2[start + i][lane] : 0;
  }
  bool ok = false;
  block_extremes<m, 1>(bd, be, be2, &tiny, &high, &low, &ok);
  return ok;
}

// The extreme eigenvalues of lane `lane`'s tridiagonal, block by block.
template <int n, int L>
bool blocks_extremes(const double (&d)[n][L], const double (&e)[n][L], const double (&e2)[n][L],
                     int lane, double tiny, double& high, double& low) {
  high = 0, low = std::numeric_limits<double>::max();
  for (int start = 0; start < n;) {
    int end = start + 1;
    while (end < n && e[end - 1][lane] != 0) ++end;
    double block_high = 0, block_low = 0;
    bool ok = false;
    with_size<n - 1>(end - start, [&](auto m) {
      ok = one_block<decltype(m)::value>(d, e, e2, lane, start, tiny, block_high, block_low);
    });
    if (!ok) return false;
    high = std::max(high, block_high);
    low = std::min(low, block_low);
    start = end;
  }
  return true;
}

// The extreme eigenvalues of the n × n Gram matrices g (overwritten) into high and low; ok[l]
// false to leave lane l to singular_values. The tridiagonal form splits where an off-diagonal
// entry is within a few rounding units of the largest diagonal one, which moves no eigenvalue
// by more than forming G did (a symmetric mechanism's repeated values fall in separate blocks
// so): each block's polynomial then has simple roots where the whole one had a double, and
// Laguerre's iteration keeps its cubic pace.
template <int n, int L>
void gram_extremes(double (&g)[n][n][L], double* high, double* low, bool* ok) {
  double d[n][L], e[n][L], e2[n][L], tiny[L];
  bool split[L], any_split = false;
  tridiagonalize<n, L>(g, d, e);
  const double eps = std::numeric_limits<double>::epsilon();
  for (int l = 0; l < L; ++l) {
    double largest_d = 0;
    for (int i = 0; i < n; ++i) largest_d = std::max(largest_d, std::fabs(d[i][l]));
    split[l] = false;
    for (int i = 0; i < n; ++i) {
      if (std::fabs(e[i][l]) <= split_ulps * eps * largest_d) {
        e[i][l] = 0;
        split[l] = split[l] || i + 1 < n;
      }
      e2[i][l] = e[i][l] * e[i][l];
    }
    tiny[l] = eps * largest_d * 1e-3;
    any_split = any_split || split[l];
  }
  if (!any_split) {
    block_extremes<n, L>(d, e, e2, tiny, high, low, ok);
  } else {
    for (int l = 0; l < L; ++l) {
      if (split[l])
        ok[l] = blocks_extremes<n, L>(d, e, e2, l, tiny[l], high[l], low[l]);
      else
        ok[l] = one_block<n>(d, e, e2, l, 0, tiny[l], high[l], low[l]);
    }
  }
  for (int l = 0; l < L; ++l)
    ok[l] = ok[l] && low[l] > 0 && high[l] >= low[l] &&
            high[l] <= gram_condition_limit * gram_condition_limit * low[l];
}

// The extreme singular values of the L matrices J[l], all of one shape, by their Gram matrices,
// each scaled by 2^−scale[l] (exactly); ok[l] false to leave lane l to singular_values.
template <int n, int L>
void gram_route(const jacobian_matrix* const* J, const int* scale, double* sigma_max,
                double* sigma_min, bool* ok) {
  // G = BᵀB for B = J·2^−scale, or BBᵀ when J is wide: the smaller of the two.
  const bool wide = J[0]->cols > J[0]->rows;
  const int m = wide ? J[0]->cols : J[0]->rows;
  double down[L], b[n][jacobian_max_size][L];  // b[i][r]: column i of B (row i when wide)
  for (int l = 0; l < L; ++l) down[l] = std::ldexp(1.0, -scale[l]);
  for (int i = 0; i < n; ++i)
    for (int r = 0; r < m; ++r)
      for (int l = 0; l < L; ++l)
        b[i][r][l] = (wide ? J[l]->m(i + 1, r + 1) : J[l]->m(r + 1, i + 1)) * down[l];
  double g[n][n][L];
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double s[L] = {};
      for (int r = 0; r < m; ++r)
        for (int l = 0; l < L; ++l) s[l] += b[i][r][l] * b[j][r][l];
      for (int l = 0; l < L; ++l) g[i][j][l] = s[l];
    }
  double high[L], low[L];
  gram_extremes<n, L>(g, high, low, ok);
  for (int l = 0; l < L; ++l) {
    const double up = std::ldexp(1.0, scale[l]);
    sigma_max[l] = std::sqrt(high[l]) * up;
    sigma_min[l] = std::sqrt(low[l]) * up;
  }
}

template <int L>
void gram_route(int n, const jacobian_matrix* const* J, const int* scale, double* sigma_max,
                double* sigma_min, bool* ok) {
  with_size<jacobian_max_size>(n, [&](auto size) {
    gram_route<decltype(size)::value, L>(J, scale, sigma_max, sigma_min, ok);
  });
}

// Whether J may take the Gram route, and the power of 2 near its largest entry by which it is
// scaled there: the Gram matrix then neither overflows nor underflows; matrices at the ends of
// the doubles' range go to singular_values. false also where J has no singular values.
bool gram_scale(const jacobian_matrix& J, int& scale, bool& usable) {
  usable = false;
  if (J.rows < 1 || J.cols < 1 || J.rows > jacobian_max_size || J.cols > jacobian_max_size)
    return false;
  double largest = 0;
  for (int r = 1; r <= J.rows; ++r)
    for (int c = 1; c <= J.cols; ++c) {
      if (!std::isfinite(J.m(r, c))) return false;
      largest = std::max(largest, std::fabs(J.m(r, c)));
    }
  scale = largest > 0 ? std::ilogb(largest) : 0;
  usable = largest > 0 && std::abs(scale) < 1000;
  return true;
}

bool by_full_svd(const jacobian_matrix& J, double& sigma_max, double& sigma_min) {
  const singular_value_set sv = singular_values(J);
  if (sv.count == 0) return false;
  sigma_max = sv.s[0];
  sigma_min = sv.s[sv.count - 1];
  return true;
}

}  // namespace

bool extreme_singular_values(const jacobian_matrix& J, double& sigma_max, double& sigma_min) {
  int scale = 0;
  bool usable = false;
  if (!gram_scale(J, scale, usable)) return false;
  if (usable) {
    const jacobian_matrix* lane[1] = {&J};
    bool ok = false;
    gram_route<1>(std::min(J.rows, J.cols), lane, &scale, &sigma_max, &sigma_min, &ok);
    if (ok) return true;
  }
  return by_full_svd(J, sigma_max, sigma_min);
}

void extreme_singular_values(const jacobian_matrix& J1, const jacobian_matrix& J2,
                             extreme_values& v1, extreme_values& v2) {
  int scale[2] = {0, 0};
  bool usable[2] = {false, false};
  v1.found = gram_scale(J1, scale[0], usable[0]);
  v2.found = gram_scale(J2, scale[1], usable[1]);
  if (usable[0] && usable[1] && J1.rows == J2.rows && J1.cols == J2.cols) {
    const jacobian_matrix* lanes[2] = {&J1, &J2};
    double sigma_max[2], sigma_min[2];
    bool ok[2] = {false, false};
    gram_route<2>(std::min(J1.rows, J1.cols), lanes, scale, sigma_max, sigma_min, ok);
    if (ok[0]) v1.sigma_max = sigma_max[0], v1.sigma_min = sigma_min[0];
    if (ok[1]) v2.sigma_max = sigma_max[1], v2.sigma_min = sigma_min[1];
    if (!ok[0]) v1.found = by_full_svd(J1, v1.sigma_max, v1.sigma_min);
    if (!ok[1]) v2.found = by_full_svd(J2, v2.sigma_max, v2.sigma_min);
    return;
  }
  if (v1.found) v1.found = extreme_singular_values(J1, v1.sigma_max, v1.sigma_min);
  if (v2.found) v2.found = extreme_singular_values(J2, v2.sigma_max, v2.sigma_min);
}

singularity_distance singularity_distance_of(const jacobian_matrix& J) {
  double sigma_max = 0, sigma_min = 0;
  if (!extreme_singular_values(J, sigma_max, sigma_min)) {
    singularity_distance d;
    d.condition = std::numeric_limits<double>::max();
    return d;
  }
  return singularity_distance_of(sigma_max, sigma_min);
}

singularity_distance singularity_distance_of(double sigma_max, double sigma_min) {
  singularity_distance d;
  d.condition = std::numeric_limits<double>::max();
  d.sigma_min = sigma_min;
  const double ratio = sigma_max / sigma_min;
  if (sigma_min > 0 && std::isfinite(ratio)) d.condition = ratio;
  return d;
}

singularity_distance singularity_distance_of(const singular_value_set& sv) {
  if (sv.count == 0) {
    singularity_distance d;
    d.condition = std::numeric_limits<double>::max();
    return d;
  }
  return singularity_distance_of(sv.s[0], sv.s[sv.count - 1]);
}

}  // namespace kinelab

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

namespace {

constexpr int gram_max_size = jacobian_max_size;
constexpr int max_laguerre_steps = 40;
constexpr double split_ulps = 8;

// The symmetric n × n matrix g (full storage) reduced to tridiagonal form by Householder
// reflections: diagonal d[0..n−1], off-diagonal e[0..n−2]. g is overwritten.
template <int n>
void tridiagonalize(double g[gram_max_size][gram_max_size], double* d, double* e) {
  for (int k = 0; k + 2 < n; ++k) {
    // The reflection taking g[k+1..n−1][k] to (α, 0, ..., 0).
    double tail2 = 0;  // |g[k+2..n−1][k]|²
    for (int i = k + 2; i < n; ++i) tail2 += g[i][k] * g[i][k];
    if (tail2 == 0) continue;  // already in tridiagonal form
    const double x0 = g[k + 1][k], norm = std::sqrt(x0 * x0 + tail2);
    const double alpha = x0 > 0 ? -norm : norm;
    double v[gram_max_size] = {};
    for (int i = k + 1; i < n; ++i) v[i] = g[i][k];
    v[k + 1] -= alpha;
    const double vv = v[k + 1] * v[k + 1] + tail2, two_by_vv = 2 / vv;
    // S ← H S H for the trailing block S with H = I − 2vvᵀ/vv: with p = 2Sv/vv and
    // w = p − (vᵀp/vv)v, S ← S − vwᵀ − wvᵀ.
    double p[gram_max_size] = {}, vp = 0;
    for (int i = k + 1; i < n; ++i) {
      for (int j = k + 1; j < n; ++j) p[i] += g[i][j] * v[j];
      p[i] *= two_by_vv;
      vp += v[i] * p[i];
    }
    const double vp_by_vv = vp / vv;
    for (int i = k + 1; i < n; ++i) p[i] -= vp_by_vv * v[i];
    for (int i = k + 1; i < n; ++i)
      for (int j = k + 1; j < n; ++j) g[i][j] -= v[i] * p[j] + p[i] * v[j];
    g[k + 1][k] = g[k][k + 1] = alpha;
    for (int i = k + 2; i < n; ++i) g[i][k] = g[k][i] = 0;
  }
  for (int i = 0; i < n; ++i) d[i] = g[i][i];
  for (int i = 0; i + 1 < n; ++i) e[i] = g[i + 1][i];
  e[n - 1] = 0;
}

// Laguerre's steps for p(λ) = det(T − λI) of the tridiagonal (d, e2) at the two values λ[0]
// and λ[1] side by side, each unless done: with G = p'/p and H = G² − p''/p, the step is
// n / (G ± √((n − 1)(nH − G²))), the sign that of G, and λ − step the next value. From
// outside the spectrum the iteration moves monotonically to the extreme eigenvalue on that
// side, cubically once near it. p, p' and p'' by the three-term recurrence of the leading
// minors: no division on the way (the Gram matrix is scaled, so they neither overflow nor
// underflow).
template <int n>
void laguerre_steps(const double* d, const double* e2, const double* lambda, const bool* done,
                    double* step) {
  for (int t = 0; t < 2; ++t) {
    if (done[t]) continue;
    double p0 = 1, dp0 = 0, ddp0 = 0;               // minor i − 1
    double p = d[0] - lambda[t], dp = -1, ddp = 0;  // minor i
    for (int i = 1; i < n; ++i) {
      const double a = d[i] - lambda[t], b = e2[i - 1];
      const double p1 = a * p - b * p0, dp1 = a * dp - b * dp0 - p,
                   ddp1 = a * ddp - b * ddp0 - 2 * dp;
      p0 = p, dp0 = dp, ddp0 = ddp;
      p = p1, dp = dp1, ddp = ddp1;
    }
    if (p == 0) {  // λ is an eigenvalue
      step[t] = 0;
      continue;
    }
    const double G = dp / p, H = G * G - ddp / p;
    const double root = std::sqrt(std::max(0.0, (n - 1) * (n * H - G * G)));
    const double den = G >= 0 ? G + root : G - root;
    step[t] = den == 0 ? 0 : n / den;
  }
}

// The largest and smallest eigenvalues of the tridiagonal (d, e2) by Laguerre's iteration,
// from λ[0] above the spectrum and λ[1] below it. Each ends when its step falls below the
// rounding of λ or turns back (rounding, as the iteration is monotone), or once the steps
// shrink cubically (δ ≤ 1e-2·|λ| and then δ' ≤ 1e-3·δ) so far that the next would be below
// the rounding of λ: with δ'' ≈ δ'·(δ'/δ)³, when δ'⁴ ≤ ε·|λ|·δ³/10. false when they do not
// settle or meet a value that is not finite.
template <int n>
bool laguerre_extremes(const double* d, const double* e2, double tiny, double* lambda) {
  const double eps = std::numeric_limits<double>::epsilon();
  bool done[2] = {false, false};
  double last[2] = {0, 0};         // the previous step's size
  const double side[2] = {1, -1};  // the sign of the steps: down from above, up from below
  for (int k = 0; k < max_laguerre_steps && !(done[0] && done[1]); ++k) {
    double step[2] = {0, 0};
    laguerre_steps<n>(d, e2, lambda, done, step);
    for (int t = 0; t < 2; ++t) {
      if (done[t]) continue;
      if (!std::isfinite(step[t])) return false;
      const double s = side[t] * step[t];
      if (s < 0) {
        done[t] = true;  // turned back
        continue;
      }
      lambda[t] -= step[t];
      const double size = std::fabs(lambda[t]);
      const bool cubic = k > 0 && last[t] <= 1e-2 * size && s <= 1e-3 * last[t] &&
                         s * s * s * s <= 0.1 * eps * size * last[t] * last[t] * last[t];
      done[t] = s <= 2 * eps * size || s <= tiny || cubic;
      last[t] = s;
    }
  }
  return done[0] && done[1];
}

// The extreme eigenvalues of one unreduced block of the tridiagonal (d, e, e2), n long, into
// high and low; false when they do not settle.
template <int n>
bool block_extremes(const double* d, const double* e, const double* e2, double tiny, double& high,
                    double& low) {
  // The starts outside the spectrum: the tighter of Gershgorin's bounds and those from the
  // trace and the Frobenius norm (mean ± √((n − 1)·variance) of the eigenvalues); 0 below at
  // the least, G being semidefinite.
  double upper = 0, lower = std::numeric_limits<double>::max(), trace = 0;
  for (int i = 0; i < n; ++i) {
    const double off = (i > 0 ? std::fabs(e[i - 1]) : 0) + (i + 1 < n ? std::fabs(e[i]) : 0);
    upper = std::max(upper, d[i] + off);
    lower = std::min(lower, d[i] - off);
    trace += d[i];
  }
  const double mean = trace / n;
  // The variance of the eigenvalues, ‖T − mean·I‖²_F / n, from the deviations: no
  // cancellation, so the bounds hold to a few rounding units, which the margin covers.
  double deviation2 = 0;
  for (int i = 0; i < n; ++i)
    deviation2 += (d[i] - mean) * (d[i] - mean) + (i + 1 < n ? 2 * e2[i] : 0);
  const double spread = std::sqrt((n - 1) * deviation2 / n);
  const double margin = 1e-12 * (std::fabs(mean) + spread);
  upper = std::min(upper, mean + spread + margin);
  lower = std::max(lower, mean - spread - margin);
  double lambda[2] = {upper, std::max(lower, 0.0)};
  if (!laguerre_extremes<n>(d, e2, tiny, lambda)) return false;
  high = lambda[0], low = lambda[1];
  return true;
}

// The extreme eigenvalues of the n × n Gram matrix g (overwritten) into high and low; false
// to leave them to singular_values. The tridiagonal form splits where an off-diagonal entry
// is within a few rounding units of the largest diagonal one, which moves no eigenvalue by
// more than forming G did (a symmetric mechanism's repeated values fall in separate blocks so):
// each block's polynomial then has simple roots where the whole one had a double, and Laguerre's
// iteration keeps its cubic pace.
template <int n>
bool gram_extremes(double g[gram_max_size][gram_max_size], double& high, double& low) {
  double d[gram_max_size], e[gram_max_size], e2[gram_max_size];
  tridiagonalize<n>(g, d, e);
  const double eps = std::numeric_limits<double>::epsilon();
  double largest_d = 0;
  for (int i = 0; i < n; ++i) largest_d = std::max(largest_d, std::fabs(d[i]));
  for (int i = 0; i < n; ++i) {
    if (std::fabs(e[i]) <= split_ulps * eps * largest_d) e[i] = 0;
    e2[i] = e[i] * e[i];
  }
  const double tiny = eps * largest_d * 1e-3;
  high = 0, low = std::numeric_limits<double>::max();
  for (int start = 0; start < n;) {
    int end = start + 1;
    while (end < n && e[end - 1] != 0) ++end;
    double block_high = 0, block_low = 0;
    bool ok = false;
    const double *bd = d + start, *be = e + start, *be2 = e2 + start;
    switch (end - start) {
      case 1:
        ok = block_extremes<1>(bd, be, be2, tiny, block_high, block_low);
        break;
      case 2:
        ok = block_extremes<2>(bd, be, be2, tiny, block_high, block_low);
        break;
      case 3:
        ok = block_extremes<3>(bd, be, be2, tiny, block_high, block_low);
        break;
      case 4:
        ok = block_extremes<4>(bd, be, be2, tiny, block_high, block_low);
        break;
      case 5:
        ok = block_extremes<5>(bd, be, be2, tiny, block_high, block_low);
        break;
      case 6:
        ok = block_extremes<6>(bd, be, be2, tiny, block_high, block_low);
        break;
    }
    if (!ok) return false;
    high = std::max(high, block_high);
    low = std::min(low, block_low);
    start = end;
  }
  return low > 0 && high >= low && high <= gram_condition_limit * gram_condition_limit * low;
}

// The extreme singular values by the Gram matrix of J scaled by 2^−scale (exactly); false to
// leave them to singular_values.
bool gram_route(const jacobian_matrix& J, int scale, double& sigma_max, double& sigma_min) {
  // G = BᵀB for B = J·2^−scale, or BBᵀ when J is wide: the smaller of the two.
  const bool wide = J.cols > J.rows;
  const int n = wide ? J.rows : J.cols, m = wide ? J.cols : J.rows;
  const double down = std::ldexp(1.0, -scale), up = std::ldexp(1.0, scale);
  double b[gram_max_size][gram_max_size];  // b[i][r]: column i of B (row i when wide)
  for (int i = 0; i < n; ++i)
    for (int r = 0; r < m; ++r) b[i][r] = (wide ? J.m(i + 1, r + 1) : J.m(r + 1, i + 1)) * down;
  double g[gram_max_size][gram_max_size];
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double s = 0;
      for (int r = 0; r < m; ++r) s += b[i][r] * b[j][r];
      g[i][j] = g[j][i] = s;
    }
  double high = 0, low = 0;
  bool ok = false;
  switch (n) {
    case 1:
      ok = gram_extremes<1>(g, high, low);
      break;
    case 2:
      ok = gram_extremes<2>(g, high, low);
      break;
    case 3:
      ok = gram_extremes<3>(g, high, low);
      break;
    case 4:
      ok = gram_extremes<4>(g, high, low);
      break;
    case 5:
      ok = gram_extremes<5>(g, high, low);
      break;
    case 6:
      ok = gram_extremes<6>(g, high, low);
      break;
  }
  if (!ok) return false;
  sigma_max = std::sqrt(high) * up;
  sigma_min = std::sqrt(low) * up;
  return true;
}

}  // namespace

bool extreme_singular_values(const jacobian_matrix& J, double& sigma_max, double& sigma_min) {
  if (J.rows < 1 || J.cols < 1 || J.rows > jacobian_max_size || J.cols > jacobian_max_size)
    return false;
  double largest = 0;
  for (int r = 1; r <= J.rows; ++r)
    for (int c = 1; c <= J.cols; ++c) {
      if (!std::isfinite(J.m(r, c))) return false;
      largest = std::max(largest, std::fabs(J.m(r, c)));
    }
  // Scaled by a power of 2 near the largest entry, the Gram matrix neither overflows nor
  // underflows; matrices at the ends of the doubles' range go to singular_values.
  const int scale = largest > 0 ? std::ilogb(largest) : 0;
  if (largest > 0 && std::abs(scale) < 1000 && gram_route(J, scale, sigma_max, sigma_min))
    return true;
  const singular_value_set sv = singular_values(J);
  if (sv.count == 0) return false;
  sigma_max = sv.s[0];
  sigma_min = sv.s[sv.count - 1];
  return true;
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

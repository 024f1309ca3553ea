#pragma once
// Comparisons of a fast evaluation with the straightforward one it replaces. Both compute the
// same sums of products in different orders, so they part by a few ulps of the largest term;
// 1e-12 of the scale (the largest magnitude of the reference, at least 1) leaves room for that
// without hiding a wrong term, which shows at order one.
#include <cmath>
#include <sstream>
#include <string>

#include "core/array_algebra.h"

namespace kinelab::test {

inline constexpr double fast_path_relative = 1e-12;

// The entries of fast and ref (rows × cols, from 1) that differ by more than
// fast_path_relative of the scale, one line each; empty when they agree.
template <int R, int C>
std::string compare_fast(const mat<R, C>& fast, const mat<R, C>& ref, int rows, int cols,
                         const std::string& where) {
  double scale = 1;
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) scale = std::fmax(scale, std::fabs(ref(i, j)));
  std::ostringstream out;
  out.precision(17);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j)
      if (!(std::fabs(fast(i, j) - ref(i, j)) <= fast_path_relative * scale))
        out << where << " (" << i << ", " << j << "): fast " << fast(i, j) << ", reference "
            << ref(i, j) << "\n";
  return out.str();
}

template <int N>
std::string compare_fast(const vec<N>& fast, const vec<N>& ref, int n, const std::string& where) {
  mat<N, 1> f, r;
  for (int i = 1; i <= n; ++i) f(i, 1) = fast(i), r(i, 1) = ref(i);
  return compare_fast(f, r, n, 1, where);
}

}  // namespace kinelab::test

#pragma once
// Comparisons of a fast evaluation with the straightforward one it replaces. Both compute the
// same sums of products in different orders, so they part by a few ulps of the largest term;
// 1e-12 of the scale (the largest magnitude of the reference, at least 1) leaves room for that
// without hiding a wrong term, which shows at order one.
#include <cmath>
#include <sstream>
#include <string>

#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/pose.h"

namespace kinelab::test {

inline constexpr double fast_path_relative = 1e-12;

// The entries of fast and ref (rows × cols, from 1) that differ by more than `relative` of the
// scale, one line each; empty when they agree. With relative = 0 they must be equal (a +0 and a
// −0 count as equal).
template <int R, int C>
std::string compare_fast(const mat<R, C>& fast, const mat<R, C>& ref, int rows, int cols,
                         const std::string& where, double relative = fast_path_relative) {
  double scale = 1;
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) scale = std::fmax(scale, std::fabs(ref(i, j)));
  std::ostringstream out;
  out.precision(17);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j)
      if (!(std::fabs(fast(i, j) - ref(i, j)) <= relative * scale))
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

// A platform pose as a table: rows q = (x, y, z, α, β, γ), columns value, rate, acceleration.
inline mat<6, 3> pose_table(const kin_state& position, const kin_state& posture) {
  const pose p{position, posture};
  const vec<6> columns[] = {pose_values(p), pose_rates(p), pose_accelerations(p)};
  mat<6, 3> t;
  for (int i = 1; i <= 6; ++i)
    for (int c = 1; c <= 3; ++c) t(i, c) = columns[c - 1](i);
  return t;
}

// Two solved poses: the values to fast_path_relative of their scale, rates and accelerations
// each to `rate_relative` of max(1, |reference|).
inline std::string compare_solved_poses(const mat<6, 3>& fast, const mat<6, 3>& ref,
                                        double rate_relative, const std::string& where) {
  mat<6, 1> fv, rv;
  for (int j = 1; j <= 6; ++j) fv(j, 1) = fast(j, 1), rv(j, 1) = ref(j, 1);
  std::string out = compare_fast(fv, rv, 6, 1, where + " pose");
  std::ostringstream more;
  more.precision(17);
  for (int j = 1; j <= 6; ++j)
    for (int c = 2; c <= 3; ++c)
      if (!(std::fabs(fast(j, c) - ref(j, c)) <=
            rate_relative * std::fmax(1, std::fabs(ref(j, c)))))
        more << where << (c == 2 ? " rate " : " acceleration ") << j << ": fast " << fast(j, c)
             << ", reference " << ref(j, c) << "\n";
  return out + more.str();
}

}  // namespace kinelab::test

#pragma once
// The 21 rate products of six variables, in the column order of every six-variable
// second-order table H: the six squares v₁² … v₆², then the fifteen pairs v₁v₂, v₁v₃, …, v₅v₆
// in lexicographic order. H's pair columns hold twice the mixed second derivative, so the
// acceleration of the output is J·a + H·rate_products(v) without a factor 2.
#include "core/array_algebra.h"

namespace kinelab {

inline constexpr int rate_product_count = 21;

inline vec<rate_product_count> rate_products(const vec<6>& v) {
  vec<rate_product_count> w;
  int k = 0;
  for (int i = 1; i <= 6; ++i) w(++k) = v(i) * v(i);
  for (int i = 1; i <= 5; ++i)
    for (int j = i + 1; j <= 6; ++j) w(++k) = v(i) * v(j);
  return w;
}

// The pair (i, j), i < j, of column c = 7..21; for c ≤ 6 both are c.
inline void rate_product_pair(int c, int& i, int& j) {
  if (c <= 6) {
    i = j = c;
    return;
  }
  int k = 6;
  for (i = 1; i <= 5; ++i)
    for (j = i + 1; j <= 6; ++j)
      if (++k == c) return;
}

}  // namespace kinelab

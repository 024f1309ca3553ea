#include "core/rate_products.h"

#include <gtest/gtest.h>

namespace kinelab {
namespace {

TEST(rate_products, squares_then_pairs_in_lexicographic_order) {
  vec<6> v;
  for (int i = 1; i <= 6; ++i) v(i) = i + 1;  // 2..7
  const vec<21> w = rate_products(v);
  for (int c = 1; c <= 21; ++c) {
    int i = 0, j = 0;
    rate_product_pair(c, i, j);
    EXPECT_EQ(w(c), (i + 1) * (j + 1)) << "column " << c;
  }
  int i = 0, j = 0;
  rate_product_pair(7, i, j);
  EXPECT_EQ(i * 10 + j, 12);
  rate_product_pair(21, i, j);
  EXPECT_EQ(i * 10 + j, 56);
  rate_product_pair(12, i, j);  // after (1,2)…(1,6) comes (2,3)
  EXPECT_EQ(i * 10 + j, 23);
}

}  // namespace
}  // namespace kinelab

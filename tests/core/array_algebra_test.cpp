#include "core/array_algebra.h"

#include <gtest/gtest.h>

namespace kinelab {
namespace {

TEST(ArrayAlgebra, VecMaxAbsStartsFromZero) {
  vec<2> v;
  v(0) = -99;  // never read
  v(1) = -3, v(2) = 2;
  EXPECT_EQ(vec_max_abs(0, v), 0);
  EXPECT_EQ(vec_max_abs(-1, v), 0);
  EXPECT_EQ(vec_max_abs(2, v), 3);
  EXPECT_EQ(vec_sum_abs(2, v), 5);
}

mat3 sample(double base) {
  mat3 m;
  for (int i = 0; i <= 3; ++i)
    for (int j = 0; j <= 3; ++j) m(i, j) = base + 3 * i - 2 * j + (i == j ? 0.5 : 0);
  return m;
}

TEST(ArrayAlgebra, ProductsMayWriteIntoAnInput) {
  const mat3 A = sample(1), B = sample(-4);
  mat3 fresh;
  mat_mul(3, A, B, fresh);

  mat3 left = A;
  mat_mul(3, left, B, left);
  mat3 right = B;
  mat_mul(3, A, right, right);
  mat3 three;
  mat_mul3(3, A, B, A, three);
  mat3 three_aliased = A;
  mat_mul3(3, three_aliased, B, three_aliased, three_aliased);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      EXPECT_EQ(left(i, j), fresh(i, j)) << "(" << i << "," << j << ")";
      EXPECT_EQ(right(i, j), fresh(i, j)) << "(" << i << "," << j << ")";
      EXPECT_EQ(three_aliased(i, j), three(i, j)) << "(" << i << "," << j << ")";
    }

  vec3 v;
  v(1) = 1, v(2) = -2, v(3) = 0.5;
  vec3 out, t_out;
  mat_vec(3, A, v, out);
  mat_t_vec(3, A, v, t_out);
  vec3 same = v, t_same = v;
  mat_vec(3, A, same, same);
  mat_t_vec(3, A, t_same, t_same);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(same(i), out(i)) << i;
    EXPECT_EQ(t_same(i), t_out(i)) << i;
  }
  // The transposed product really transposes: out(1) = Σ_j A(j,1)·v(j).
  EXPECT_EQ(t_out(1), A(1, 1) * v(1) + A(2, 1) * v(2) + A(3, 1) * v(3));
}

TEST(ArrayAlgebra, MatVecRectReadsOnlyTheGivenRowsAndColumns) {
  // A 3×6 block inside larger storage; the extra row, column and element 0 hold junk.
  mat<4, 7> M;
  vec<7> v;
  for (int i = 0; i <= 4; ++i)
    for (int j = 0; j <= 7; ++j)
      M(i, j) = (i == 0 || j == 0 || i == 4 || j == 7) ? 1e9 : i * 10 + j;
  for (int j = 0; j <= 7; ++j) v(j) = (j == 0 || j == 7) ? 1e9 : j;
  vec<4> out;
  out(4) = -1;
  mat_vec_rect(3, 6, M, v, out);
  for (int i = 1; i <= 3; ++i) {
    double expected = 0;
    for (int j = 1; j <= 6; ++j) expected += (i * 10 + j) * j;
    EXPECT_EQ(out(i), expected) << "row " << i;
  }
  EXPECT_EQ(out(4), -1) << "row 4 is outside the result";
}

}  // namespace
}  // namespace kinelab

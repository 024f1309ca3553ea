#include "core/singular_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/posture.h"

namespace kinelab {
namespace {

// A random rotation of size n (2 or 3).
mat3 random_rotation(int n, std::mt19937& gen) {
  std::uniform_real_distribution<double> angle(-3, 3);
  return n == 3 ? rotation_matrix(angle(gen), angle(gen), angle(gen)) : rot_z(angle(gen));
}

// U·diag(s)·Vᵀ with U, V random rotations, so that the singular values are s.
jacobian_matrix diagonal_in_rotations(int rows, int cols, const double* s, int seed) {
  std::mt19937 gen(seed);
  const mat3 U = random_rotation(rows, gen), V = random_rotation(cols, gen);
  jacobian_matrix J;
  J.rows = rows, J.cols = cols;
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) {
      double v = 0;
      for (int k = 1; k <= std::min(rows, cols); ++k) v += U(i, k) * s[k - 1] * V(j, k);
      J.m(i, j) = v;
    }
  return J;
}

TEST(SingularValues, KnownValuesOfSquareTallAndWideMatrices) {
  const double s[] = {5, 0.25, 1e-9};
  struct {
    int rows, cols;
  } shapes[] = {{3, 3}, {3, 2}, {2, 3}};
  for (const auto& sh : shapes) {
    const jacobian_matrix J = diagonal_in_rotations(sh.rows, sh.cols, s, sh.rows * 10 + sh.cols);
    const singular_value_set sv = singular_values(J);
    ASSERT_EQ(sv.count, std::min(sh.rows, sh.cols));
    for (int k = 0; k < sv.count; ++k) EXPECT_NEAR(sv.s[k], s[k], 1e-14 * 5) << sh.rows << sh.cols;
  }
  const singularity_distance d = singularity_distance_of(diagonal_in_rotations(3, 3, s, 7));
  EXPECT_NEAR(d.sigma_min, 1e-9, 1e-14 * 5);
  EXPECT_NEAR(d.condition, 5e9, 5e9 * 1e-4);
}

TEST(SingularValues, RankDeficientAndUnusableMatricesNeverGiveInfinity) {
  jacobian_matrix J;
  J.rows = J.cols = 6;
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 6; ++j) J.m(i, j) = (j == 6) ? J.m(i, 1) : std::sin(i * 7.0 + j);
  const singularity_distance d = singularity_distance_of(J);  // column 6 = column 1
  EXPECT_LT(d.sigma_min, 1e-14);
  EXPECT_GT(d.condition, 1e13);
  EXPECT_TRUE(std::isfinite(d.condition));

  jacobian_matrix zero;
  zero.rows = zero.cols = 3;
  EXPECT_EQ(singularity_distance_of(zero).sigma_min, 0);
  EXPECT_EQ(singularity_distance_of(zero).condition, std::numeric_limits<double>::max());

  J.m(2, 3) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(singular_values(J).count, 0);
  EXPECT_EQ(singularity_distance_of(J).condition, std::numeric_limits<double>::max());

  jacobian_matrix huge;  // entries near the largest double: scaled, not overflowed
  huge.rows = huge.cols = 2;
  huge.m(1, 1) = 1e300, huge.m(2, 2) = 1e299;
  EXPECT_NEAR(singularity_distance_of(huge).condition, 10, 1e-12);
}

}  // namespace
}  // namespace kinelab

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

// Q·diag(s)·Pᵀ for random orthogonal Q (rows × rows) and P (cols × cols), by Gram–Schmidt on
// Gaussian matrices: singular values s, singular vectors in general position.
jacobian_matrix with_singular_values(int rows, int cols, const double* s, std::mt19937& gen) {
  std::normal_distribution<double> normal;
  auto orthogonal = [&](int n, double(&Q)[6][6]) {
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) Q[i][j] = normal(gen);
      for (int k = 0; k < j; ++k) {
        double d = 0;
        for (int i = 0; i < n; ++i) d += Q[i][j] * Q[i][k];
        for (int i = 0; i < n; ++i) Q[i][j] -= d * Q[i][k];
      }
      double norm = 0;
      for (int i = 0; i < n; ++i) norm += Q[i][j] * Q[i][j];
      for (int i = 0; i < n; ++i) Q[i][j] /= std::sqrt(norm);
    }
  };
  double Q[6][6], P[6][6];
  orthogonal(rows, Q);
  orthogonal(cols, P);
  jacobian_matrix J;
  J.rows = rows, J.cols = cols;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      double v = 0;
      for (int k = 0; k < std::min(rows, cols); ++k) v += Q[i][k] * s[k] * P[j][k];
      J.m(i + 1, j + 1) = v;
    }
  return J;
}

double relative(double a, double b) {
  return std::fabs(a - b) / std::fabs(b);
}

// The extreme singular values agree with the full SVD's to 1e-10 relative wherever the
// condition is below 1e6, over every shape up to 6 × 6, conditions from 1 to 1e8, values
// that cluster (two equal to 1e-3 .. 1e-12, or all equal or nearly) and scales from 1e-200 to
// 1e200; beyond gram_condition_limit they are the SVD's own. Two at once, each is what it is
// alone.
TEST(ExtremeSingularValues, AgreeWithTheFullSvdOverRandomMatrices) {
  std::mt19937 gen(20261211);
  std::uniform_real_distribution<double> unit(0, 1);
  double worst_fast = 0;
  int fast = 0, fallback = 0;
  jacobian_matrix last_of_shape[6][6];
  for (int trial = 0; trial < 20000; ++trial) {
    const int rows = 1 + trial % 6, cols = 1 + (trial / 6) % 6, k = std::min(rows, cols);
    const double log_condition = 8 * unit(gen);
    double s[6];
    for (int i = 0; i < k; ++i) s[i] = std::pow(10.0, -log_condition * unit(gen));
    s[0] = 1;
    if (k > 1) s[k - 1] = std::pow(10.0, -log_condition);
    switch (trial % 5) {
      case 1:  // the two smallest nearly equal
        if (k > 2) s[k - 2] = s[k - 1] * (1 + std::pow(10.0, -3 - 9 * unit(gen)));
        break;
      case 2:  // the two largest nearly equal
        if (k > 2) s[1] = s[0] * (1 - std::pow(10.0, -3 - 9 * unit(gen)));
        break;
      case 3:  // all equal (an orthogonal matrix, scaled), or within 1e-9 .. 1e-6 of each other
        for (int i = 0; i < k; ++i)
          s[i] = (trial / 5) % 2 ? 1 : 1 + std::pow(10.0, -6 - 3 * unit(gen)) * unit(gen);
        break;
    }
    const double scale = std::pow(10.0, 400 * unit(gen) - 200);
    for (int i = 0; i < k; ++i) s[i] *= scale;
    const jacobian_matrix J = with_singular_values(rows, cols, s, gen);
    const singular_value_set sv = singular_values(J);
    ASSERT_EQ(sv.count, k);
    double sigma_max = 0, sigma_min = 0;
    ASSERT_TRUE(extreme_singular_values(J, sigma_max, sigma_min));
    // Beside the last matrix of its shape (of another kind of spectrum, scale and route),
    // each gets to the bit what it gets alone.
    jacobian_matrix& before = last_of_shape[rows - 1][cols - 1];
    if (before.rows > 0) {
      extreme_values pair[2];
      extreme_singular_values(before, J, pair[0], pair[1]);
      double before_max = 0, before_min = 0;
      ASSERT_TRUE(extreme_singular_values(before, before_max, before_min));
      ASSERT_TRUE(pair[0].found && pair[1].found);
      EXPECT_EQ(pair[0].sigma_max, before_max);
      EXPECT_EQ(pair[0].sigma_min, before_min);
      EXPECT_EQ(pair[1].sigma_max, sigma_max);
      EXPECT_EQ(pair[1].sigma_min, sigma_min);
    }
    before = J;
    const singularity_distance d = singularity_distance_of(J), full = singularity_distance_of(sv);
    const double condition = sv.s[0] / sv.s[k - 1];
    SCOPED_TRACE(testing::Message() << rows << "x" << cols << ", condition " << condition);
    if (condition > gram_condition_limit * (1 + 1e-9)) {
      EXPECT_EQ(sigma_max, sv.s[0]);
      EXPECT_EQ(sigma_min, sv.s[k - 1]);
      EXPECT_EQ(d.condition, full.condition);
      ++fallback;
      continue;
    }
    const double e =
        std::max({relative(sigma_max, sv.s[0]), relative(sigma_min, sv.s[k - 1]),
                  relative(d.sigma_min, full.sigma_min), relative(d.condition, full.condition)});
    EXPECT_LE(e, 1e-10);
    worst_fast = std::max(worst_fast, e);
    ++fast;
  }
  EXPECT_GT(fast, 5000);
  EXPECT_GT(fallback, 5000);
  // Measured: some 2e-12 at conditions near 100, the limit.
  EXPECT_LT(worst_fast, 1e-11);
}

TEST(ExtremeSingularValues, KnownValuesAndUnusableMatrices) {
  // Well conditioned: the Gram route, to rounding.
  const double s[] = {5, 2, 0.25};
  struct {
    int rows, cols;
  } shapes[] = {{3, 3}, {3, 2}, {2, 3}};
  for (const auto& sh : shapes) {
    const jacobian_matrix J = diagonal_in_rotations(sh.rows, sh.cols, s, sh.rows * 10 + sh.cols);
    double sigma_max = 0, sigma_min = 0;
    ASSERT_TRUE(extreme_singular_values(J, sigma_max, sigma_min));
    EXPECT_NEAR(sigma_max, 5, 5 * 1e-14);
    EXPECT_NEAR(sigma_min, sh.rows == sh.cols ? 0.25 : 2, 2 * 1e-14);
  }
  jacobian_matrix one;
  one.rows = 1, one.cols = 3;
  one.m(1, 1) = 3, one.m(1, 2) = -4;
  double sigma_max = 0, sigma_min = 0;
  ASSERT_TRUE(extreme_singular_values(one, sigma_max, sigma_min));
  EXPECT_DOUBLE_EQ(sigma_max, 5);
  EXPECT_DOUBLE_EQ(sigma_min, 5);

  jacobian_matrix J;
  J.rows = J.cols = 6;
  EXPECT_FALSE(extreme_singular_values(jacobian_matrix{}, sigma_max, sigma_min));
  J.m(6, 6) = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(extreme_singular_values(J, sigma_max, sigma_min));
  // Two at once: a matrix that has no singular values beside one that has.
  const jacobian_matrix good = diagonal_in_rotations(3, 3, s, 33);
  extreme_values pair[2];
  extreme_singular_values(J, good, pair[0], pair[1]);
  EXPECT_FALSE(pair[0].found);
  ASSERT_TRUE(pair[1].found);
  EXPECT_NEAR(pair[1].sigma_min, 0.25, 2 * 1e-14);
  EXPECT_EQ(singularity_distance_of(J).sigma_min, 0);
  EXPECT_EQ(singularity_distance_of(J).condition, std::numeric_limits<double>::max());
  // Entries at both ends of the doubles' range: the SVD's scaled route, no overflow.
  jacobian_matrix wide_range;
  wide_range.rows = wide_range.cols = 2;
  wide_range.m(1, 1) = 1e307, wide_range.m(2, 2) = 1e306;
  EXPECT_NEAR(singularity_distance_of(wide_range).condition, 10, 1e-12);
  wide_range.m(1, 1) = 4e-320, wide_range.m(2, 2) = 2e-320;  // subnormal
  EXPECT_NEAR(singularity_distance_of(wide_range).condition, 2, 1e-12);
}

}  // namespace
}  // namespace kinelab

#include "core/linear_solver.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kinelab {
namespace {

struct SolveCase {
  const char* name;
  int n;
  std::vector<std::vector<double>> A;
  std::vector<double> b;
  solve_status status;
  std::vector<double> x;  // expected solution when ok
};

TEST(SolveLinear, StatedCases) {
  const SolveCase cases[] = {
      {"1x1", 1, {{2}}, {4}, solve_status::ok, {2}},
      {"swap needs one rotation", 2, {{0, 1}, {1, 0}}, {3, 5}, solve_status::ok, {5, 3}},
      {"permutation needs two rotations",
       3,
       {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
       {1, 2, 3},
       solve_status::ok,
       {3, 1, 2}},
      {"tiny pivot accepted", 2, {{1e-300, 0}, {0, 1}}, {1e-300, 7}, solve_status::ok, {1, 7}},
      {"singular after column 1", 2, {{1, 2}, {2, 4}}, {1, 1}, solve_status::error, {}},
      {"zero matrix", 3, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {1, 1, 1}, solve_status::error, {}},
  };
  for (const SolveCase& c : cases) {
    mat3 A;
    vec3 b;
    for (int i = 1; i <= c.n; ++i) {
      b(i) = c.b[i - 1];
      for (int j = 1; j <= c.n; ++j) A(i, j) = c.A[i - 1][j - 1];
    }
    const mat3 A_before = A;
    mat3 X;
    const solve_status st = solve_linear(c.n, A, b, X);
    EXPECT_EQ(st, c.status) << c.name;
    EXPECT_STREQ(to_string(st), c.status == solve_status::ok ? "ok" : "error") << c.name;
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j) EXPECT_EQ(A(i, j), A_before(i, j)) << c.name << " A changed";
    if (c.status != solve_status::ok) continue;
    for (int i = 1; i <= c.n; ++i) {
      EXPECT_DOUBLE_EQ(b(i), c.x[i - 1]) << c.name << " x(" << i << ")";
      // A·X = I
      for (int j = 1; j <= c.n; ++j) {
        double s = 0;
        for (int k = 1; k <= c.n; ++k) s += A(i, k) * X(k, j);
        EXPECT_DOUBLE_EQ(s, i == j ? 1.0 : 0.0) << c.name << " (A·X)(" << i << "," << j << ")";
      }
    }
  }
}

TEST(SolveLinear, InverseOfOneByOneAndOfASwap) {
  mat<2> A, X;
  vec<2> b;
  A(1, 1) = 2;
  b(1) = 4;
  ASSERT_EQ(solve_linear(1, A, b, X), solve_status::ok);
  EXPECT_EQ(X(1, 1), 0.5);

  A(1, 1) = 0, A(1, 2) = 1, A(2, 1) = 1, A(2, 2) = 0;
  ASSERT_EQ(solve_linear(2, A, b, X), solve_status::ok);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_EQ(X(i, j), A(i, j)) << "X(" << i << "," << j << ")";
}

TEST(SolveLinear, RandomWellConditionedSixBySix) {
  // Diagonally dominant systems: the condition number stays below about 10, so residuals of
  // plain Gauss–Jordan stay within a few hundred ε of the entries (|A| ≤ 8, |b| ≤ 1).
  constexpr double kResidualTol = 1e-12;
  std::mt19937 gen(6061);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int trial = 0; trial < 50; ++trial) {
    mat<6> A;
    vec<6> b;
    for (int i = 1; i <= 6; ++i) {
      b(i) = u(gen);
      for (int j = 1; j <= 6; ++j) A(i, j) = u(gen) + (i == j ? 7 * (u(gen) > 0 ? 1 : -1) : 0);
    }
    if (trial % 5 == 0) A(1, 1) = 0;  // forces a rotation at k = 1
    const mat<6> A_before = A;
    const vec<6> b_before = b;
    mat<6> X;
    ASSERT_EQ(solve_linear(6, A, b, X), solve_status::ok) << "trial " << trial;
    for (int i = 1; i <= 6; ++i) {
      double r = -b_before(i);
      for (int j = 1; j <= 6; ++j) {
        ASSERT_EQ(A(i, j), A_before(i, j)) << "trial " << trial << " A changed";
        r += A(i, j) * b(j);
        double e = 0;
        for (int k = 1; k <= 6; ++k) e += A(i, k) * X(k, j);
        EXPECT_NEAR(e, i == j ? 1 : 0, kResidualTol)
            << "trial " << trial << " (A·X)(" << i << "," << j << ")";
      }
      EXPECT_NEAR(r, 0, kResidualTol) << "trial " << trial << " row " << i;
    }
  }
}

}  // namespace
}  // namespace kinelab

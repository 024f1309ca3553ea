// The written-out 3×3 product and posture_matrices' shared partial products must give the
// numbers of the plain loops to the last bit: other windows' figures and tests rely on them.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>

#include "core/posture.h"

namespace kinelab {
namespace {

bool same_bits(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

std::string differences(const mat3& a, const mat3& b, const std::string& where) {
  std::string out;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j)
      if (!same_bits(a(i, j), b(i, j)))
        out += where + " (" + std::to_string(i) + ", " + std::to_string(j) +
               "): " + std::to_string(a(i, j)) + " vs " + std::to_string(b(i, j)) + "\n";
  return out;
}

// The general loop, reached through a 4×4 storage used at n = 3.
mat3 loop_product(const mat3& A, const mat3& B) {
  mat<4> A4, B4, C4;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) A4(i, j) = A(i, j), B4(i, j) = B(i, j);
  mat_mul(3, A4, B4, C4);
  mat3 C;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) C(i, j) = C4(i, j);
  return C;
}

TEST(rotation_products, written_out_product_equals_the_loop_bit_for_bit) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> value(-2, 2);
  const double inf = std::numeric_limits<double>::infinity();
  // Signed zeros, infinities and NaN take the same path through the same operations.
  const double special[] = {0.0, -0.0, inf, -inf, std::nan(""), 1e-310, -1e308};
  std::uniform_int_distribution<int> pick(0, 20);
  for (int trial = 0; trial < 2000; ++trial) {
    mat3 A, B;
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j) {
        const int a = pick(rng), b = pick(rng);
        A(i, j) = a < 7 ? special[a] : value(rng);
        B(i, j) = b < 7 ? special[b] : value(rng);
      }
    mat3 C;
    mat_mul(3, A, B, C);
    EXPECT_EQ(differences(C, loop_product(A, B), "trial " + std::to_string(trial)), "");
  }
}

// posture_matrices as first written: each of the twelve triple products formed on its own.
rotation_rates triple_by_triple(const kin_state& s) {
  const mat3 X = rot_x(s.x), Y = rot_y(s.y), Z = rot_z(s.z);
  const double sa = std::sin(s.x), ca = std::cos(s.x), sb = std::sin(s.y), cb = std::cos(s.y);
  const double sc = std::sin(s.z), cc = std::cos(s.z);
  auto make = [](std::initializer_list<double> v) {
    mat3 m;
    auto it = v.begin();
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j) m(i, j) = *it++;
    return m;
  };
  const mat3 X1 = make({0, 0, 0, 0, -sa, -ca, 0, ca, -sa});
  const mat3 Y1 = make({-sb, 0, cb, 0, 0, 0, -cb, 0, -sb});
  const mat3 Z1 = make({-sc, -cc, 0, cc, -sc, 0, 0, 0, 0});
  mat3 X2, Y2, Z2;
  mat_scale(3, X, -1.0, X2), mat_scale(3, Y, -1.0, Y2), mat_scale(3, Z, -1.0, Z2);
  X2(1, 1) = 0, Y2(2, 2) = 0, Z2(3, 3) = 0;
  auto rates = [](const mat3& d1, const mat3& d2, double w, double dw, mat3& r, mat3& a) {
    mat_scale(3, d1, w, r);
    mat3 t, u;
    mat_scale(3, d1, dw, t);
    mat_scale(3, d2, w * w, u);
    mat_add(3, t, u, a);
  };
  mat3 dX, dY, dZ, ddX, ddY, ddZ;
  rates(X1, X2, s.dx, s.ddx, dX, ddX);
  rates(Y1, Y2, s.dy, s.ddy, dY, ddY);
  rates(Z1, Z2, s.dz, s.ddz, dZ, ddZ);
  rotation_rates m;
  mat_mul3(3, X, Y, Z, m.R);
  mat3 t1, t2, t3, own, cross;
  mat_mul3(3, dX, Y, Z, t1), mat_mul3(3, X, dY, Z, t2), mat_mul3(3, X, Y, dZ, t3);
  mat_add3(3, t1, t2, t3, m.dR);
  mat_mul3(3, ddX, Y, Z, t1), mat_mul3(3, X, ddY, Z, t2), mat_mul3(3, X, Y, ddZ, t3);
  mat_add3(3, t1, t2, t3, own);
  mat_mul3(3, dX, dY, Z, t1), mat_mul3(3, dX, Y, dZ, t2), mat_mul3(3, X, dY, dZ, t3);
  mat_add3(3, t1, t2, t3, cross);
  mat_scale(3, cross, 2.0, cross);
  mat_add(3, own, cross, m.ddR);
  return m;
}

TEST(rotation_products, posture_matrices_equal_the_triple_products_bit_for_bit) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> angle(-4, 4), rate(-3, 3);
  for (int trial = 0; trial < 2000; ++trial) {
    kin_state s;
    s.x = angle(rng), s.y = angle(rng), s.z = angle(rng);
    s.dx = rate(rng), s.dy = rate(rng), s.dz = rate(rng);
    s.ddx = rate(rng), s.ddy = rate(rng), s.ddz = rate(rng);
    if (trial % 4 == 0) s.dx = s.ddy = 0;  // the serial links: only one angle moves
    // Values that overflow or are not finite take the same operations, so the same NaNs.
    const double extreme[] = {INFINITY, -INFINITY, std::nan(""), 1e200, -0.0};
    if (trial % 10 == 1) {
      double* fields[] = {&s.x, &s.dx, &s.ddx, &s.y, &s.dy, &s.ddy, &s.z, &s.dz, &s.ddz};
      *fields[trial / 10 % 9] = extreme[trial / 90 % 5];
    }
    const rotation_rates a = posture_matrices(s), b = triple_by_triple(s);
    const std::string at = "trial " + std::to_string(trial);
    EXPECT_EQ(differences(a.R, b.R, at + " R"), "");
    EXPECT_EQ(differences(a.dR, b.dR, at + " dR"), "");
    EXPECT_EQ(differences(a.ddR, b.ddR, at + " ddR"), "");
  }
}

}  // namespace
}  // namespace kinelab

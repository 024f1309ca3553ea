#include "core/angles.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/array_algebra.h"

namespace kinelab {
namespace {

TEST(Angles, ConstantsAreTheFifteenDigitLiterals) {
  EXPECT_EQ(pi, 3.14159265358979);
  EXPECT_NE(pi, M_PI);
  EXPECT_EQ(half_pi, pi / 2);
  EXPECT_EQ(two_pi, 2 * pi);
}

TEST(Angles, ArcsinExactEndsAndDomainErrors) {
  struct Case {
    double x;
    bool error;
    double angle;
  };
  const Case cases[] = {
      {1.0, false, 1.570796326794895},
      {-1.0, false, -1.570796326794895},
      {0.5, false, std::atan(0.5 / std::sqrt(0.75))},
      {-0.5, false, std::atan(-0.5 / std::sqrt(0.75))},
      {0.0, false, 0.0},
      {1.0000000001, true, 0},
      {-1.0000000001, true, 0},
      {std::nextafter(1.0, 2.0), true, 0},
  };
  for (const Case& c : cases) {
    const arcsin_result r = arcsin(c.x);
    EXPECT_EQ(r.error, c.error) << "x=" << c.x;
    EXPECT_STREQ(r.text(), c.error ? "error" : "ok") << "x=" << c.x;
    if (!c.error) {
      EXPECT_EQ(r.angle, c.angle) << "x=" << c.x;
    }
  }
}

TEST(Angles, Arctan2Quadrants) {
  struct Case {
    double y, x, expected;
  };
  const Case cases[] = {
      {0, 0, pi / 2},
      {1, 0, pi / 2},
      {-1, 0, -pi / 2},
      {0, -2, -pi},  // the negative x axis gives −π, not +π
      {1, -1, std::atan(-1.0) + pi},
      {-1, -1, std::atan(1.0) - pi},
      {1, 1, std::atan(1.0)},
      {-1, 2, std::atan(-0.5)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(arctan2(c.y, c.x), c.expected) << "y=" << c.y << " x=" << c.x;
  // The quadrant results equal 3π/4 and −3π/4 to rounding.
  EXPECT_NEAR(arctan2(1, -1), 0.75 * pi, 1e-15);
  EXPECT_NEAR(arctan2(-1, -1), -0.75 * pi, 1e-15);
}

TEST(Angles, WrapAngleIntoHalfOpenRange) {
  struct Case {
    double in, out;
  };
  const Case cases[] = {
      {1.5 * pi, -0.5 * pi}, {-pi, pi},       {pi, pi},       {7, 7 - two_pi}, {0, 0},
      {-7, -7 + two_pi},     {4 * pi + 1, 1}, {-0.25, -0.25},
  };
  for (const Case& c : cases) {
    double t = c.in;
    wrap_angle(t);
    EXPECT_NEAR(t, c.out, 1e-14) << "wrap_angle(" << c.in << ")";
    EXPECT_TRUE(t > -pi && t <= pi) << "wrap_angle(" << c.in << ") = " << t;
  }
  vec<3> v;
  v(1) = 1.5 * pi, v(2) = -pi, v(3) = 0.5;
  v(0) = 100;  // element 0 is outside the vector
  wrap_angles(3, v);
  EXPECT_EQ(v(0), 100);
  EXPECT_NEAR(v(1), -0.5 * pi, 1e-14);
  EXPECT_EQ(v(2), pi);
  EXPECT_EQ(v(3), 0.5);
}

TEST(Angles, CeilingAndLog10) {
  struct Case {
    double in, out;
  };
  const Case cases[] = {{2, 2}, {2.0001, 3}, {-1.5, -1}, {-2, -2}, {0, 0}, {0.3, 1}};
  for (const Case& c : cases) EXPECT_EQ(ceiling(c.in), c.out) << "ceiling(" << c.in << ")";
  EXPECT_NEAR(kinelab::log10(1000), 3, 1e-15);
  EXPECT_NEAR(kinelab::log10(0.0001), -4, 1e-15);
}

TEST(Angles, DegreesRadiansMultiplyBeforeDividing) {
  EXPECT_EQ(rad(90), 3.14159265358979 * 90 / 180);
  const double back = deg(rad(90));
  EXPECT_LE(std::fabs(back - 90), std::nextafter(90.0, 100.0) - 90) << back;
  // Values for which multiplying first differs in the last bit from either other order.
  EXPECT_EQ(deg(0.13), 0.13 * 180 / 3.14159265358979);
  EXPECT_NE(deg(0.13), 0.13 * (180 / 3.14159265358979));
  EXPECT_EQ(rad(43), 43 * 3.14159265358979 / 180);
  EXPECT_NE(rad(43), 43 * (3.14159265358979 / 180));
}

}  // namespace
}  // namespace kinelab

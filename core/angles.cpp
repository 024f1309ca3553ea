#include "core/angles.h"

#include <cmath>

namespace kinelab {

// Both conversions multiply before they divide, so rad(90) is exactly pi·90/180 in doubles and
// deg(rad(x)) returns x to within one unit in the last place.
double deg(double radians) {
  return radians * 180.0 / pi;
}
double rad(double degrees) {
  return degrees * pi / 180.0;
}

arcsin_result arcsin(double x) {
  arcsin_result r;
  if (x > 1 || x < -1) {
    r.error = true;
    return r;
  }
  // The ends are exact tests: atan(x/√(1−x²)) would divide by zero there.
  if (x == 1) {
    r.angle = half_pi;
  } else if (x == -1) {
    r.angle = -half_pi;
  } else {
    r.angle = std::atan(x / std::sqrt(1 - x * x));
  }
  return r;
}

double arctan2(double y, double x) {
  if (x == 0) return y >= 0 ? half_pi : -half_pi;
  if (x > 0) return std::atan(y / x);
  // x < 0: the negative x axis itself (y = 0) gives −π, not +π.
  return y > 0 ? std::atan(y / x) + pi : std::atan(y / x) - pi;
}

double log10(double x) {
  return std::log(x) / std::log(10.0);
}

double ceiling(double x) {
  const double n = std::floor(x);
  return x == n ? x : n + 1;
}

void wrap_angle(double& theta) {
  theta = theta - two_pi * std::floor(theta / two_pi);  // now in [0, 2π)
  if (theta > pi) theta = theta - two_pi;
}

}  // namespace kinelab

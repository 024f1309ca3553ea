#pragma once
// Angle constants and scalar angle routines. Angles are radians inside the system; degrees
// appear only at the edges (fields, readouts, result columns written with deg()).

namespace kinelab {

// The system's π is this 15-digit literal, not the double nearest to π; every figure the
// program shows is computed with it, so it must never be replaced by M_PI.
inline constexpr double pi = 3.14159265358979;
inline constexpr double half_pi = 1.570796326794895;  // pi / 2, exactly
inline constexpr double two_pi = 6.28318530717958;    // 2 * pi, exactly

// x·180/π: multiplies before it divides.
double deg(double radians);
// x·π/180: multiplies before it divides.
double rad(double degrees);

// arcsin reports an argument outside [−1, 1] instead of failing.
struct arcsin_result {
  double angle = 0;    // in [−π/2, π/2] when !error
  bool error = false;  // the argument lay outside [−1, 1]
  const char* text() const { return error ? "error" : "ok"; }
};
arcsin_result arcsin(double x);

// Quadrant-resolved arctangent in [−π, π]; arctan2(0, 0) = π/2, arctan2(0, −2) = −π.
double arctan2(double y, double x);

double log10(double x);     // ln x / ln 10, for x ≥ 0.0001
double ceiling(double x);   // smallest whole number not below x, as a real

void wrap_angle(double& theta);  // into (−π, π]; −π comes back as +π

}  // namespace kinelab

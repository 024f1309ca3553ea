// format_number writes most numbers without printf; its text must be printf's "%.15G" to the
// character for every double ("-0" shown as "0", and the doubles nearest the largest one as
// 1.79769313486231E+308, which reads back).
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "core/number_text.h"

namespace kinelab {
namespace {

std::string by_printf(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s(buf);
  if (s == "-0") s = "0";
  if (s == "1.79769313486232E+308") s = "1.79769313486231E+308";
  if (s == "-1.79769313486232E+308") s = "-1.79769313486231E+308";
  return s;
}

// Counts the values whose text differs and keeps the first few for the message.
class tally {
 public:
  void check(double v) {
    const std::string got = format_number(v), want = by_printf(v);
    if (got == want) return;
    if (++mismatches_ <= 10) {
      char hex[64];
      std::snprintf(hex, sizeof hex, "%a", v);
      report_ += std::string(hex) + ": \"" + got + "\", printf \"" + want + "\"\n";
    }
  }
  int mismatches() const { return mismatches_; }
  const std::string& report() const { return report_; }

 private:
  int mismatches_ = 0;
  std::string report_;
};

TEST(format_number_printf, edge_values) {
  tally t;
  const double edges[] = {0.0,
                          -0.0,
                          1e-5,
                          -1e-5,
                          1e-4,
                          0.1,
                          0.5,
                          1,
                          -1,
                          1e14,
                          1e15,
                          1e16,
                          -1e16,
                          1e-13,
                          1e41,
                          1e-14,
                          1e42,
                          5e-324,
                          -5e-324,
                          DBL_MIN,
                          DBL_MAX,
                          -DBL_MAX,
                          INFINITY,
                          -INFINITY,
                          NAN,
                          99999.99999999999,
                          999999999999999.4,
                          999999999999999.5,
                          9.999999999999995e-5,
                          123456789012345678.0,
                          0.30000000000000004,
                          2.5e-5,
                          1.25e-7};
  for (double v : edges) t.check(v);
  // Every decade's boundaries, and the doubles just beside them.
  for (int k = -20; k <= 45; ++k) {
    const double p = std::pow(10.0, k);
    double below = p, above = p;
    for (int step = 0; step < 40; ++step) {
      below = std::nextafter(below, 0), above = std::nextafter(above, INFINITY);
      t.check(below), t.check(above), t.check(-below), t.check(-above);
    }
  }
  EXPECT_EQ(t.mismatches(), 0) << t.report();
}

TEST(format_number_printf, random_doubles) {
  std::mt19937_64 rng(15);
  tally t;
  // Any bit pattern: every exponent, subnormals, infinities and NaN.
  for (int i = 0; i < 200000; ++i) t.check(std::bit_cast<double>(rng()));
  // Magnitudes a Run writes, 1e-16 .. 1e6.
  std::uniform_real_distribution<double> mantissa(-1, 1);
  std::uniform_int_distribution<int> exponent(-16, 6);
  for (int i = 0; i < 200000; ++i) t.check(mantissa(rng) * std::pow(10.0, exponent(rng)));
  // Values next to a 15-digit rounding boundary (…5 in the sixteenth digit), where the
  // rounding is decided by the last bits.
  for (int i = 0; i < 100000; ++i) {
    const double v = (std::floor(mantissa(rng) * 1e15) + 0.5) * std::pow(10.0, exponent(rng) - 15);
    t.check(v), t.check(std::nextafter(v, 0)), t.check(std::nextafter(v, INFINITY));
  }
  EXPECT_EQ(t.mismatches(), 0) << t.report();
}

}  // namespace
}  // namespace kinelab

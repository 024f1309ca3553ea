// Fuzzes the reading of numbers typed into fields (parse_number) and the writing of numbers
// into fields, labels and result.dat (format_number).
//
// Whatever the text, parse_number returns nothing or a finite value. Whatever a field shows,
// it reads back: format_number of any finite double is read back by parse_number as a finite
// value within the 15 significant digits format_number keeps. And what it shows is printf's
// "%.15G" of the value ("0" for −0), except for the few doubles next to the largest one, whose
// 15-digit rounding would pass it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/number_text.h"

namespace {

// format_number keeps 15 significant digits: a relative error of half a unit in the 15th
// (5e-15 at a leading 1), and reading the text back rounds once more, by half an ulp.
constexpr double fifteen_digits = 5.5e-15;

void check(bool ok) {
  if (!ok) std::abort();
}

// Below this magnitude the 15-digit rounding stays within the range of doubles.
constexpr double near_largest = 1.7e308;

void round_trip(double v) {
  if (!std::isfinite(v)) return;
  const std::string shown = kinelab::format_number(v);
  if (std::fabs(v) <= near_largest) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.15G", v);
    check(shown == (std::string(expected) == "-0" ? "0" : expected));
  }
  const std::optional<double> back = kinelab::parse_number(shown);
  check(back.has_value());
  check(std::isfinite(*back));
  check(std::fabs(*back - v) <= fifteen_digits * std::fabs(v) + 1e-300 ||
        std::fabs(v) < 1e-300);  // denormals keep fewer digits
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const std::optional<double> v = kinelab::parse_number(text)) {
    check(std::isfinite(*v));
    round_trip(*v);
  }
  // The same bytes as a double, where there are enough of them.
  if (size >= sizeof(double)) {
    double v;
    std::memcpy(&v, data, sizeof v);
    round_trip(v);
  }
  return 0;
}

#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace kinelab {

std::string format_number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s(buf);
  if (s == "-0") s = "0";
  // Rounded to 15 digits, the doubles closest to the largest one print as
  // 1.79769313486232E+308, which lies beyond it and would not read back from a field or a file:
  // they are shown as the largest 15-digit number below it instead.
  if (std::isfinite(v) && !parse_number(s))
    s = v < 0 ? "-1.79769313486231E+308" : "1.79769313486231E+308";
  return s;
}

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// Decimal exponent of the leading significant digit of a validated numeral such as "12.5e-3"
// (no sign), or nothing when every digit is zero.
std::optional<long> leading_exponent(std::string_view t) {
  long exp = 0;
  const std::size_t e = t.find_first_of("eE");
  if (e != std::string_view::npos) {
    std::string_view ex = t.substr(e + 1);
    bool negative = false;
    if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) negative = ex[0] == '-', ex.remove_prefix(1);
    for (char c : ex) exp = exp < 100000 ? exp * 10 + (c - '0') : exp;  // saturates
    if (negative) exp = -exp;
    t = t.substr(0, e);
  }
  const std::size_t dot = t.find('.');
  const std::size_t int_digits = dot == std::string_view::npos ? t.size() : dot;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '.' || t[i] == '0') continue;
    // place value of this digit: 10^(digits left of it before the point), or a negative power
    const long place = i < int_digits ? long(int_digits - 1 - i) : -long(i - int_digits);
    return exp + place;
  }
  return std::nullopt;
}

}  // namespace

std::optional<double> parse_number(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }

  // digits [. digits] [e|E [sign] digits], at least one mantissa digit
  std::size_t i = 0, mantissa_digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++mantissa_digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  // from_chars reads the decimal point as '.' whatever the process locale is (a GUI toolkit may
  // have set it from the environment, where strtod would expect ',').
  double v = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too small for a double is zero; too large is not a number.
    const std::optional<long> e = leading_exponent(text);
    if (!e || *e >= 0) return std::nullopt;
    v = 0;
  } else if (ec != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  if (!std::isfinite(v)) return std::nullopt;
  return negative ? -v : v;
}

}  // namespace kinelab

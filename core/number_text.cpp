#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

namespace kinelab {

namespace {

// printf's "%.15G" of v into out (at least 32 characters), returning the length. A long Run
// writes millions of numbers to result.dat, and printf's exact conversion through big integers
// dominated its time; the common case is done here with the same result to the character, and
// anything this way cannot decide goes to printf itself.
//
// The way: scale |v| by a power of ten into [10¹⁴, 10¹⁵) in long double, whose 64-bit
// significand holds 10^k exactly for k ≤ 27 and rounds the one product or quotient to a
// relative error below 2⁻⁶⁴ (an absolute error below 6e-5 at 10¹⁵); rounding that to a whole
// number gives the 15 significant digits unless the fraction lies within 1e-3 of one half.
// Then the digits are laid out as %G does: exponent form below 1E-04 and from 1E+15, trailing
// zeros dropped.
int format_15g(double v, char* out) {
  constexpr int digits = 15;
  constexpr long double low = 1e14L, high = 1e15L;
  constexpr long double tie_margin = 1e-3L;
  auto by_printf = [&] { return std::snprintf(out, 32, "%.15G", v); };
  if constexpr (std::numeric_limits<long double>::digits < 64) return by_printf();
  if (v == 0) {
    const bool negative = std::signbit(v);
    std::memcpy(out, negative ? "-0" : "0", negative ? 3 : 2);
    return negative ? 2 : 1;
  }
  const double a = std::fabs(v);
  // Subnormals, infinities, NaN and magnitudes whose scale factor would leave 10^27.
  if (!(a >= 1e-13 && a < 1e41)) return by_printf();
  static constexpr long double power[28] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                            1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                            1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                            1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
  auto scaled = [&](int k) {
    return k >= 0 ? static_cast<long double>(a) * power[k]
                  : static_cast<long double>(a) / power[-k];
  };
  // a = f·2^e2 with f in [0.5, 1), so log10 a lies in [(e2 − 1)·log10 2, e2·log10 2): the
  // decimal exponent E is this estimate or one more.
  int e2 = 0;
  std::frexp(a, &e2);
  int E = static_cast<int>(std::floor((e2 - 1) * 0.30102999566398119521));
  if (E < -13) E = -13;  // keeps the scale factor within the table; a miss goes to printf
  long double s = scaled(digits - 1 - E);
  if (s >= high) {
    ++E;
    s = scaled(digits - 1 - E);
  }
  if (!(s >= low && s < high)) return by_printf();
  const auto whole = static_cast<std::uint64_t>(s);  // s > 0: truncation is the floor
  const long double fraction = s - static_cast<long double>(whole);
  if (std::fabs(fraction - 0.5L) < tie_margin) return by_printf();
  std::uint64_t n = whole + (fraction > 0.5L ? 1 : 0);
  if (n == 1000000000000000ULL) n = 100000000000000ULL, ++E;  // rounded up to the next decade

  char d[digits];
  for (int i = digits - 1; i >= 0; --i) d[i] = static_cast<char>('0' + n % 10), n /= 10;
  int last = digits - 1;  // the last digit that is not a trailing zero
  while (last > 0 && d[last] == '0') --last;
  char* p = out;
  if (v < 0) *p++ = '-';
  if (E < -4 || E >= digits) {
    *p++ = d[0];
    if (last > 0) {
      *p++ = '.';
      for (int i = 1; i <= last; ++i) *p++ = d[i];
    }
    *p++ = 'E';
    *p++ = E < 0 ? '-' : '+';
    const int x = E < 0 ? -E : E;  // at least two digits
    if (x >= 100) *p++ = static_cast<char>('0' + x / 100);
    *p++ = static_cast<char>('0' + x / 10 % 10);
    *p++ = static_cast<char>('0' + x % 10);
  } else if (E >= 0) {
    for (int i = 0; i <= E; ++i) *p++ = d[i];
    if (last > E) {
      *p++ = '.';
      for (int i = E + 1; i <= last; ++i) *p++ = d[i];
    }
  } else {
    *p++ = '0';
    *p++ = '.';
    for (int i = 0; i < -E - 1; ++i) *p++ = '0';
    for (int i = 0; i <= last; ++i) *p++ = d[i];
  }
  *p = '\0';
  return static_cast<int>(p - out);
}

// Below this magnitude the 15-digit rounding cannot pass the largest double.
constexpr double near_largest = 1.7e308;

}  // namespace

std::string format_exact(double v) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v).ptr;
  return std::string(text, end);
}

std::string format_number(double v) {
  char buf[32];
  std::string s(buf, static_cast<std::size_t>(format_15g(v, buf)));
  if (s == "-0") s = "0";
  // Rounded to 15 digits, the doubles closest to the largest one print as
  // 1.79769313486232E+308, which lies beyond it and would not read back from a field or a file:
  // they are shown as the largest 15-digit number below it instead.
  if (std::isfinite(v) && std::fabs(v) > near_largest && !parse_number(s))
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

std::string ascii_number_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = [&](std::size_t k) {
      return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
    };
    // UTF-8 of U+FF01..U+FF5E, the full-width forms of '!'..'~': EF BC 81..BF, EF BD 80..9E.
    if (byte(0) == 0xEF && (byte(1) == 0xBC || byte(1) == 0xBD) && byte(2) >= 0x80 &&
        byte(2) <= 0xBF) {
      const unsigned code = 0xFF00u + (byte(1) == 0xBD ? 0x40u : 0u) + (byte(2) - 0x80u);
      const char ascii = static_cast<char>(code - 0xFF00u + 0x20u);
      if (is_digit(ascii) || ascii == '+' || ascii == '-' || ascii == '.' || ascii == 'E' ||
          ascii == 'e') {
        out += ascii;
        i += 2;
        continue;
      }
    }
    if (byte(0) == 0xE2 && byte(1) == 0x88 && byte(2) == 0x92) {  // U+2212 MINUS SIGN
      out += '-';
      i += 2;
      continue;
    }
    if (byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) {  // U+3000 IDEOGRAPHIC SPACE
      out += ' ';
      i += 2;
      continue;
    }
    out += text[i];
  }
  return out;
}

std::optional<double> parse_number(std::string_view text) {
  // Only text with a byte beyond ASCII can hold a full-width form.
  std::string ascii;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = ascii_number_text(text);
      text = ascii;
      break;
    }
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

std::optional<long long> parse_whole(std::string_view whole_text) {
  const std::string ascii = ascii_number_text(whole_text);
  std::string_view text = ascii;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || p != end) return std::nullopt;
  return v;
}

}  // namespace kinelab

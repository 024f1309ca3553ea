#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace kinelab {
namespace {

TEST(NumberText, FormatNumber) {
  struct Case {
    double v;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {0.5, "0.5"},
      {-2, "-2"},
      {1e-5, "1E-05"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E+15"},
      {-0.123456789012345, "-0.123456789012345"},
      {0.1 + 0.2, "0.3"},
      {90.00000000000001, "90"},
      {1.0 / 3, "0.333333333333333"},
      {0.0001, "0.0001"},
      // Rounding up to 15 digits would pass the largest double: 1.79769313486232E+308.
      {std::numeric_limits<double>::max(), "1.79769313486231E+308"},
      {-std::numeric_limits<double>::max(), "-1.79769313486231E+308"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_number(c.v), c.text) << "value " << c.v;
}

TEST(NumberText, ParseNumber) {
  struct Case {
    const char* text;
    std::optional<double> v;
  };
  const Case cases[] = {
      {"12", 12},
      {"  12\t", 12},
      {"+3.5", 3.5},
      {"-3.5", -3.5},
      {"1.", 1},
      {".5", 0.5},
      {"-.5", -0.5},
      {"1e3", 1000},
      {"1E-3", 0.001},
      {"0.001", 0.001},
      {"1e-400", 0},
      {"", {}},
      {"   ", {}},
      {"abc", {}},
      {"nan", {}},
      {"inf", {}},
      {"-inf", {}},
      {"0x10", {}},
      {"1e999", {}},
      {"-1e999", {}},
      {"12abc", {}},
      {"1 2", {}},
      {".", {}},
      {"+", {}},
      {"1e", {}},
      {"1e+", {}},
      {"--1", {}},
      {"+-1", {}},
      {"1,5", {}},
      {"e5", {}},
      // A Japanese input method's full-width forms and the minus sign U+2212.
      {"２０", 20},
      {"－０．５", -0.5},
      {"＋１Ｅ－３", 0.001},
      {"２ｅ２", 200},
      {"−0.5", -0.5},
      {"\u3000７\u3000", 7},
      {"１，５", {}},
      {"０ｘ１０", {}},
      {"ａ", {}},
      {"\xEF\xBC", {}},
  };
  for (const Case& c : cases) {
    const std::optional<double> got = parse_number(c.text);
    ASSERT_EQ(got.has_value(), c.v.has_value()) << "\"" << c.text << "\"";
    if (got) {
      EXPECT_EQ(*got, *c.v) << "\"" << c.text << "\"";
    }
  }
}

TEST(NumberText, FormattedNumbersReadBack) {
  for (double v : {0.5, -2.0, 1e-5, 123.456, -0.123456789012345, 1.23456789012346e15})
    EXPECT_EQ(parse_number(format_number(v)), v) << format_number(v);
}

// Inputs the fuzzer (fuzz/fuzz_number_text) found: every finite double shown in a field reads
// back as a finite number within the 15 digits shown.
TEST(NumberText, ExtremeDoublesReadBack) {
  constexpr double fifteen_digits = 5e-15;  // half a unit in the 15th significant digit
  const double largest = std::numeric_limits<double>::max();
  for (double v :
       {-largest,  // bytes ff ff ff ff ff ff ef ff of the fuzzer's first crash
        largest, std::nextafter(largest, 0.0), 1.797693134862315e308, 1.79769313486231e308,
        std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min()}) {
    const std::string text = format_number(v);
    const std::optional<double> back = parse_number(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_LE(std::fabs(*back - v), fifteen_digits * std::fabs(v)) << text;
  }
}

}  // namespace
}  // namespace kinelab

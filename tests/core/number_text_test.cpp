#include "core/number_text.h"

#include <gtest/gtest.h>

#include <optional>

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
  };
  for (const Case& c : cases) EXPECT_EQ(format_number(c.v), c.text) << "value " << c.v;
}

TEST(NumberText, ParseNumber) {
  struct Case {
    const char* text;
    std::optional<double> v;
  };
  const Case cases[] = {
      {"12", 12},    {"  12\t", 12}, {"+3.5", 3.5},   {"-3.5", -3.5},   {"1.", 1},     {".5", 0.5},
      {"-.5", -0.5}, {"1e3", 1000},  {"1E-3", 0.001}, {"0.001", 0.001}, {"1e-400", 0}, {"", {}},
      {"   ", {}},   {"abc", {}},    {"nan", {}},     {"inf", {}},      {"-inf", {}},  {"0x10", {}},
      {"1e999", {}}, {"-1e999", {}}, {"12abc", {}},   {"1 2", {}},      {".", {}},     {"+", {}},
      {"1e", {}},    {"1e+", {}},    {"--1", {}},     {"+-1", {}},      {"1,5", {}},   {"e5", {}},
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

}  // namespace
}  // namespace kinelab

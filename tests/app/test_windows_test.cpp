#include "mechanisms/test_windows/test_windows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/number_text.h"

namespace kinelab {
namespace {

// Fields show at most 15 significant digits, so a value of order 1 read back from a field is
// off by up to 5e-16 per rounding; a few roundings through a rotation stay well below 1e-13.
constexpr double display_rounding_tol = 1e-13;

double field_value(const window_model& w, const std::string& group, int index) {
  const auto v = parse_number(w.ctl.text(group, index));
  EXPECT_TRUE(v.has_value()) << group << "(" << index << ") holds \"" << w.ctl.text(group, index)
                             << "\"";
  return v.value_or(0);
}

// |v − expected| within half a unit of the given significant digit of `expected`.
void expect_digits(double v, double expected, int digits, const std::string& where) {
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - (digits - 1));
  EXPECT_NEAR(v, expected, 0.5 * unit) << where;
}

std::vector<std::string> all_texts(const window_model& w) {
  std::vector<std::string> out;
  for (const text_group& g : w.ctl.texts)
    for (const text_field& f : g.fields) out.push_back(g.name + "=" + f.text);
  return out;
}

// ---- newton ----

TEST(test_newton_window, ConvergesFromOneToTheRootWithTheIntermediateValues) {
  auto w = make_test_newton();
  EXPECT_EQ(w->name(), "test_newton");
  EXPECT_EQ(w->title(), "newton");
  ASSERT_TRUE(w->press("Command1"));
  EXPECT_TRUE(w->status.empty()) << w->status;

  struct row {
    int k;
    double x, E;
    int E_digits;  // the figure -9.254E-08 is known to four digits
  };
  const row rows[] = {{0, 1, -0.158529, 6},
                      {1, 0.891396, -0.0166372, 6},
                      {2, 0.876985, -0.000288149, 6},
                      {3, 0.876726, -9.254e-08, 4}};
  for (const row& r : rows) {
    const std::string where = "step " + std::to_string(r.k);
    expect_digits(field_value(*w, "Text1", r.k), r.x, 6, where);
    expect_digits(field_value(*w, "Text2", r.k), r.E, r.E_digits, where);
  }
  // From the fourth step on x sits on the root and E is at the rounding level of f(x) ≈ 0.
  constexpr double root = 0.876726215395062;
  constexpr double root_tol = 1e-12;  // the stated figure carries twelve digits
  constexpr double residual_tol = 1e-13;
  for (int k = 4; k <= 9; ++k) {
    EXPECT_NEAR(field_value(*w, "Text1", k), root, root_tol) << "step " << k;
    EXPECT_LT(std::fabs(field_value(*w, "Text2", k)), residual_tol) << "step " << k;
  }
}

TEST(test_newton_window, StartAtZeroStaysOnTheOtherRoot) {
  auto w = make_test_newton();
  w->ctl.set_text("Text1", 0, "0");
  ASSERT_TRUE(w->press("Command1"));
  for (int k = 0; k <= 9; ++k) {
    if (k > 0) {
      EXPECT_EQ(w->ctl.text("Text1", k), "0") << "step " << k;
    }
    EXPECT_EQ(w->ctl.text("Text2", k), "0") << "step " << k;
  }
}

// The double nearest the zero of f′(x) = 2x − cos x at which f′ evaluates to exactly 0.
double exact_zero_of_slope() {
  double x = 0.450183611294874;
  for (int i = 0; i < 64; ++i) x = std::nextafter(x, 0.0);
  for (int i = 0; i < 128; ++i, x = std::nextafter(x, 1.0))
    if (2 * x - std::cos(x) == 0) return x;
  return NAN;
}

TEST(test_newton_window, StopsWithAMessageWhereTheStepIsUndefined) {
  const double flat = exact_zero_of_slope();
  ASSERT_FALSE(std::isnan(flat)) << "no double near 0.450184 has f'(x) = 0 exactly";
  char flat_text[32];
  std::snprintf(flat_text, sizeof flat_text, "%.17g", flat);

  struct stop_case {
    std::string x0;
    int first_row_stopped;  // rows from here on show `row_text` in place of x
    std::string row_text;
    bool is_error;  // an overflow fails as in the other test windows; f'(x) = 0 ends the method
  };
  const stop_case cases[] = {{flat_text, 1, "f'(x)=0", false}, {"1e200", 0, "overflow", true}};
  for (const stop_case& c : cases) {
    SCOPED_TRACE("x0 = " + c.x0);
    auto w = make_test_newton();
    w->ctl.set_text("Text1", 0, c.x0);
    ASSERT_TRUE(w->press("Command1"));
    EXPECT_EQ(w->status_is_error, c.is_error);
    const std::string step = c.first_row_stopped == 0
                                 ? "the start value"
                                 : "step " + std::to_string(c.first_row_stopped);
    EXPECT_NE(w->status.find("stopped at " + step), std::string::npos) << w->status;
    EXPECT_EQ(w->ctl.text("Text1", 0), c.x0);
    for (int k = 0; k <= 9; ++k) {
      if (k >= c.first_row_stopped) {
        // Row 0's x is the input itself; its E takes the message when even f(x0) fails.
        if (k > 0) {
          EXPECT_EQ(w->ctl.text("Text1", k), c.row_text) << "row " << k;
        }
        EXPECT_EQ(w->ctl.text("Text2", k), k == 0 ? c.row_text : "") << "row " << k;
      } else {
        EXPECT_TRUE(std::isfinite(field_value(*w, "Text1", k))) << "row " << k;
        EXPECT_TRUE(std::isfinite(field_value(*w, "Text2", k))) << "row " << k;
      }
    }
  }
}

// ---- zahyou_henkan ----

TEST(test_zahyou_window, DefaultPostureShowsTransposedMatrixAndRoundTrips) {
  auto w = make_test_zahyou();
  EXPECT_EQ(w->name(), "test_zahyou");
  EXPECT_EQ(w->title(), "zahyou_henkan");
  ASSERT_TRUE(w->press("Command1"));
  EXPECT_TRUE(w->status.empty()) << w->status;
  // α = 1, β = 0, γ = 1: the first row of [T], the moving x axis in static coordinates.
  const double first_row[] = {0.540302, 0.454649, 0.708073};
  for (int c = 0; c < 3; ++c)
    expect_digits(field_value(*w, "Text4", c), first_row[c], 6, "Text4(" + std::to_string(c) + ")");

  ASSERT_TRUE(w->press("Command2"));
  const double statics[] = {0, 1, 1, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 9; ++i)
    EXPECT_NEAR(field_value(*w, "Text2", i), statics[i], display_rounding_tol)
        << "Text2(" << i << ")";
}

TEST(test_zahyou_window, MatrixRowsAreTheMovingAxesWithTheirRates) {
  // The moving point (1, 0, 0) at rest is the moving x axis: in static coordinates its
  // position, velocity and acceleration are row 1 of [T], [dT] and [ddT]; likewise y and z.
  auto w = make_test_zahyou();
  const char* posture[] = {"0.3", "-0.7", "2.1", "0.4", "1.1", "-0.6", "0.9", "-1.3", "0.2"};
  for (int i = 0; i < 9; ++i) w->ctl.set_text("Text3", i, posture[i]);
  for (int axis = 0; axis < 3; ++axis) {
    for (int i = 0; i < 9; ++i) w->ctl.set_text("Text1", i, i == axis ? "1" : "0");
    ASSERT_TRUE(w->press("Command2"));
    const char* matrices[] = {"Text4", "Text5", "Text6"};
    for (int m = 0; m < 3; ++m)
      for (int c = 0; c < 3; ++c)
        EXPECT_DOUBLE_EQ(field_value(*w, "Text2", 3 * m + c),
                         field_value(*w, matrices[m], 3 * axis + c))
            << matrices[m] << " row " << axis + 1 << " column " << c + 1;
  }
}

TEST(test_zahyou_window, IdentityPostureCopiesThePointBothWays) {
  auto w = make_test_zahyou();
  for (int i = 0; i < 9; ++i) w->ctl.set_text("Text3", i, "0");
  const char* point[] = {"1.5", "-2", "3", "0.25", "-4", "5", "6", "-7.5", "8"};
  for (const char* button : {"Command1", "Command2"}) {
    const bool to_moving = std::string(button) == "Command1";
    for (int i = 0; i < 9; ++i) w->ctl.set_text(to_moving ? "Text2" : "Text1", i, point[i]);
    ASSERT_TRUE(w->press(button));
    for (int i = 0; i < 9; ++i) {
      EXPECT_EQ(w->ctl.text(to_moving ? "Text1" : "Text2", i), point[i]) << button << " " << i;
      const bool diagonal = i % 4 == 0;
      EXPECT_EQ(w->ctl.text("Text4", i), diagonal ? "1" : "0") << "[T] " << i;
      EXPECT_EQ(w->ctl.text("Text5", i), "0") << "[dT] " << i;
      EXPECT_EQ(w->ctl.text("Text6", i), "0") << "[ddT] " << i;
    }
  }
}

// ---- kakudo ----

TEST(test_kakudo_window, DefaultsComeBackFromTheMatrices) {
  auto w = make_test_kakudo();
  EXPECT_EQ(w->name(), "test_kakudo");
  EXPECT_EQ(w->title(), "kakudo");
  ASSERT_TRUE(w->press("Command1"));
  EXPECT_TRUE(w->status.empty()) << w->status;
  // β = 1 rad keeps cos β ≈ 0.54, so the rates lose only a few bits dividing by it.
  constexpr double round_trip_tol = 1e-9;
  for (int i = 0; i < 9; ++i)
    EXPECT_NEAR(field_value(*w, "Text2", i), field_value(*w, "Text1", i), round_trip_tol)
        << "Text2(" << i << ")";
}

// ---- all three: a field that is not a number ----

TEST(test_windows, FieldThatIsNotANumberIsReportedAndChangesNothing) {
  struct bad_case {
    std::function<std::unique_ptr<window_model>()> make;
    std::string button;
    std::string valid_group;  // an input changed to a valid, different value as well
    int valid_index;
    std::string bad_group;
    int bad_index;
    std::string message;
  };
  const bad_case cases[] = {
      {make_test_kakudo, "Command1", "Text1", 0, "Text1", 8,
       "ddganma (Text1(8)) is not a number: \"abc\""},
      {make_test_zahyou, "Command1", "Text3", 0, "Text2", 0,
       "静止座標系 X (Text2(0)) is not a number: \"abc\""},
      {make_test_zahyou, "Command2", "Text1", 0, "Text3", 8,
       "ｄｄγ (Text3(8)) is not a number: \"abc\""},
      {make_test_newton, "Command1", "Text1", 0, "Text1", 0,
       "初期値 (Text1(0)) is not a number: \"abc\""},
  };
  for (const bad_case& c : cases) {
    auto w = c.make();
    SCOPED_TRACE(w->name() + " " + c.button + " " + c.bad_group + "(" +
                 std::to_string(c.bad_index) + ")");
    ASSERT_TRUE(w->press(c.button));
    w->ctl.set_text(c.valid_group, c.valid_index, "0.3");
    w->ctl.set_text(c.bad_group, c.bad_index, "abc");
    const std::vector<std::string> before = all_texts(*w);

    ASSERT_TRUE(w->press(c.button));
    EXPECT_TRUE(w->status_is_error);
    EXPECT_EQ(w->status, c.message);
    EXPECT_EQ(all_texts(*w), before);

    w->ctl.set_text(c.bad_group, c.bad_index, "1");
    ASSERT_TRUE(w->press(c.button));
    EXPECT_FALSE(w->status_is_error);
    EXPECT_TRUE(w->status.empty()) << w->status;
  }
  EXPECT_FALSE(make_test_kakudo()->press("Command2"));
}

}  // namespace
}  // namespace kinelab

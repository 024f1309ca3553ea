#include "app/service/profile_comparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "core/angles.h"
#include "mechanisms/registry.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

// form_3r_jun drives the1 from its start (its slider, 0°) to its stop (Text2(1)): the
// figures are in degrees, as the window shows the joint; the peak rates are the profiles' peak
// slopes times Δ/T, the cubic starts and ends with an acceleration jump of 6·Δ/T², and constant
// velocity with a rate jump of Δ/T.
TEST(ProfileComparison, PeaksAndJumpsOfADrivenJointAreTheProfilesClosedForms) {
  test::temp_working_dir dir;
  const std::unique_ptr<window_model> model = find_window("form_3r_jun")->make({.T = 2});
  sim_window& w = dynamic_cast<sim_window&>(*model);
  w.open();
  w.ctl.set_text("Text2", 1, "-25");
  w.select_option(1);
  const std::string status_before = w.status;
  const profile_comparison c = compare_profiles(w);

  ASSERT_TRUE(c.problem.empty()) << c.problem;
  const profile_comparison_row* the1 = nullptr;
  for (const auto& row : c.rows)
    if (row.quantity == "the1(deg)") the1 = &row;
  ASSERT_NE(the1, nullptr);
  // In degrees, as the window shows the joint.
  const double delta = -25, T = 2;
  const profile_figures& quintic = the1->figures[0];
  const profile_figures& cubic = the1->figures[1];
  const profile_figures& linear = the1->figures[2];
  EXPECT_NEAR(quintic.peak_rate, 1.875 * std::fabs(delta) / T, 1e-12);
  EXPECT_NEAR(cubic.peak_rate, 1.5 * std::fabs(delta) / T, 1e-12);
  EXPECT_NEAR(linear.peak_rate, std::fabs(delta) / T, 1e-12);
  EXPECT_NEAR(quintic.peak_acceleration, 10 / std::sqrt(3.0) * std::fabs(delta) / (T * T),
              deg(1e-2));
  EXPECT_EQ(quintic.start_acceleration_jump, 0);
  EXPECT_EQ(quintic.end_acceleration_jump, 0);
  EXPECT_NEAR(cubic.start_acceleration_jump, 6 * delta / (T * T), 1e-12);
  EXPECT_NEAR(cubic.end_acceleration_jump, 6 * delta / (T * T), 1e-12);
  EXPECT_NEAR(linear.start_rate_jump, delta / T, 1e-12);
  EXPECT_NEAR(linear.end_rate_jump, -delta / T, 1e-12);
  EXPECT_EQ(linear.peak_acceleration, 0);

  // The window itself is untouched: its profile, its status and no result.dat.
  EXPECT_EQ(w.ctl.option_selected, 1);
  EXPECT_EQ(w.status, status_before);
  EXPECT_FALSE(std::filesystem::exists("result.dat"));
  EXPECT_NE(profile_table_text(c).find("the1(deg)\tcubic\t"), std::string::npos);
  // The tool point, named as the window's readouts name it.
  EXPECT_EQ(c.rows.front().quantity, "出力Pｘ");
}

// Every quantity of every window is named by a text the window itself shows (a field's or a
// row's caption, a word of its graph's title), with "(deg)" for an angle the window shows in
// degrees; never by an array's column ("p4.x").
TEST(ProfileComparison, EveryQuantityIsNamedAsItsWindowShowsIt) {
  for (const window_entry& entry : window_registry()) {
    if (!entry.simulation) continue;
    SCOPED_TRACE(entry.name);
    const std::unique_ptr<window_model> model = entry.make();
    const window_decl& d = dynamic_cast<sim_window&>(*model).decl();
    std::set<std::string> shown;
    auto show = [&](std::string t) {  // as it reads: "Py " is shown as "Py"
      while (!t.empty() && t.back() == ' ') t.pop_back();
      shown.insert(t);
    };
    for (const text_group& g : d.initial.texts)
      for (const text_field& f : g.fields) show(f.caption);
    for (const control_grid& g : d.layout) {
      for (const std::string& t : g.row_captions) show(t);
      for (const std::string& t : g.column_captions) show(t);
    }
    for (const graph_decl& g : d.graphs) shown.insert(g.caption.substr(0, g.caption.find(' ')));
    std::vector<graph_decl> named = d.graphs;
    named.insert(named.end(), d.quantities.begin(), d.quantities.end());
    for (const graph_decl& g : named) {
      std::string name = quantity_caption(g);
      EXPECT_EQ(name.find('.'), std::string::npos) << name;
      const std::string unit = "(deg)";
      const bool in_degrees = name.size() > unit.size() &&
                              name.compare(name.size() - unit.size(), unit.size(), unit) == 0;
      EXPECT_EQ(in_degrees, g.degrees) << name;
      if (in_degrees) name.resize(name.size() - unit.size());
      EXPECT_TRUE(shown.count(name) || shown.count(name + unit)) << name << " for " << g.array;
    }
  }
}

// The figures come from a copy that keeps only a few steps at a time; at N = 200 it wraps
// round them, and its figures must still be those of whole Runs of the window under each
// profile. The window's own Run (its arrays, result.dat text and status) stays as it was.
TEST(ProfileComparison, FiguresEqualThoseOfWholeRunsAndLeaveTheWindowsRunAsItWas) {
  test::temp_working_dir dir;
  for (const window_entry& entry : window_registry()) {
    if (!entry.simulation) continue;
    SCOPED_TRACE(entry.name);
    const std::unique_ptr<window_model> model = entry.make({.N = 200, .T = 1.5});
    sim_window& w = dynamic_cast<sim_window&>(*model);
    w.open();
    ASSERT_TRUE(w.compute_trajectory()) << w.status;
    const std::string csv_before = w.logic().arrays.csv();
    const std::string result_before = w.result_file_text();
    const std::string status_before = w.status;

    const profile_comparison c = compare_profiles(w);
    ASSERT_TRUE(c.problem.empty()) << c.problem;
    EXPECT_EQ(w.logic().arrays.csv(), csv_before);
    EXPECT_EQ(w.result_file_text(), result_before);
    EXPECT_EQ(w.status, status_before);

    for (int k = 0; k < 3; ++k) {
      const std::unique_ptr<window_model> whole_model = entry.make({.N = 200, .T = 1.5});
      sim_window& whole = dynamic_cast<sim_window&>(*whole_model);
      whole.open();
      whole.ctl = w.ctl;
      whole.ctl.option_selected = k;
      ASSERT_TRUE(whole.compute_trajectory()) << whole.status;
      const window_decl& d = whole.decl();
      ASSERT_EQ(c.rows.size(), d.graphs.size());
      for (std::size_t r = 0; r < d.graphs.size(); ++r) {
        const graph_decl& g = d.graphs[r];
        const trajectory_array* a = whole.logic().arrays.find(g.array);
        ASSERT_NE(a, nullptr) << g.array;
        const std::size_t first = a->kind == array_kind::scalar ? 0
                                  : g.component == 'y'          ? 3
                                  : g.component == 'z'          ? 6
                                                                : 0;
        const std::vector<array_column> columns = array_columns(*a);
        const auto in_unit = [&](double v) { return g.degrees ? deg(v) : v; };
        double peak_rate = 0, peak_accel = 0;
        for (std::size_t i = 0; i < a->size(); ++i) {
          peak_rate = std::max(peak_rate, std::fabs(a->get(i, columns[first + 1].field)));
          peak_accel = std::max(peak_accel, std::fabs(a->get(i, columns[first + 2].field)));
        }
        const profile_figures& f = c.rows[r].figures[k];
        SCOPED_TRACE(c.rows[r].quantity + " " + to_string(compared_profiles[k]));
        EXPECT_EQ(f.peak_rate, in_unit(peak_rate));
        EXPECT_EQ(f.peak_acceleration, in_unit(peak_accel));
        const std::size_t last = a->size() - 1;
        EXPECT_EQ(f.start_rate_jump, in_unit(a->get(0, columns[first + 1].field)));
        EXPECT_EQ(f.start_acceleration_jump, in_unit(a->get(0, columns[first + 2].field)));
        EXPECT_EQ(f.end_rate_jump, -in_unit(a->get(last, columns[first + 1].field)));
        EXPECT_EQ(f.end_acceleration_jump, -in_unit(a->get(last, columns[first + 2].field)));
      }
    }
  }
}

TEST(ProfileComparison, AFieldThatIsNotANumberIsReportedNotCompared) {
  const std::unique_ptr<window_model> model = find_window("form_stewart_jun")->make();
  sim_window& w = dynamic_cast<sim_window&>(*model);
  w.open();
  w.ctl.set_text("Text10", 0, "abc");
  const profile_comparison c = compare_profiles(w);
  EXPECT_TRUE(c.rows.empty());
  EXPECT_NE(c.problem.find("\"abc\""), std::string::npos) << c.problem;
}

// The table a person reads: six significant digits, and 0 for rounding noise of its column.
TEST(ProfileComparison, ReadableFiguresRoundToSixDigitsAndDropRoundingNoise) {
  const struct {
    double v, largest;
    const char* shown;
  } cases[] = {
      {2.97186816138677e-16, 20, "0"},  // a quintic's start jump beside a peak of 20
      {-1e-11, 1000, "0"},
      {0, 0, "0"},
      {20.0000000000001, 20, "20"},
      {1.23456789, 20, "1.23457"},
      {-0.000123456789, 0.001, "-0.000123457"},
      {1.5e-9, 1e-3, "1.5E-09"},  // small, but not noise against its column
      {123456789, 1e9, "1.23457E+08"},
  };
  for (const auto& c : cases) EXPECT_EQ(readable_figure(c.v, c.largest), c.shown) << c.v;
}

}  // namespace
}  // namespace kinelab

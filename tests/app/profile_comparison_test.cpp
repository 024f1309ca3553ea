#include "app/service/profile_comparison.h"

#include <gtest/gtest.h>

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

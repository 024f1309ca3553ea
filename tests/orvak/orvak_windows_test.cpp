// The two orvak windows: their static poses, their runs, the leg of zero length, the stored
// rates along a run, and one run through kinelab-cli.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/orvak/orvak_forms.h"
#include "mechanisms/orvak/orvak_unit.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"
#include "support/trajectory_check.h"

namespace kinelab {
namespace {

using test::slurp;

constexpr double figure_tolerance = 5e-7;  // stated figures carry six decimals
constexpr double exact = 1e-12;            // values that only rounding separates

kin_state step(const sim_window& w, const std::string& array, int i) {
  const trajectory_array* a = w.logic().arrays.find(array);
  if (static_cast<std::size_t>(i) >= a->size()) throw std::out_of_range(array);
  return a->state(static_cast<std::size_t>(i));
}

// A window opened at the default settings (N = 50, T = 1) in a scratch directory.
class orvak_window : public ::testing::Test {
 protected:
  test::temp_working_dir dir_;
};

TEST_F(orvak_window, unit_opens_at_the_sliders_and_runs_from_the_typed_start) {
  sim_window w(form_orvak1_gyaku());
  w.open();
  const char* shown[] = {"0", "0", "0.385", "0", "0", "0"};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(w.ctl.text("Text11", k), shown[k]) << "Text11(" << k << ")";
  for (int k = 0; k < 3; ++k) EXPECT_EQ(w.ctl.text("Text9", k), "0") << "Text9(" << k << ")";

  // Run reads the start fields as typed; the sliders (still at 0) are not consulted.
  w.ctl.set_text("Text9", 0, "5");
  w.ctl.set_text("Text10", 0, "10");
  w.press("run");
  ASSERT_EQ(w.status, "");
  EXPECT_NEAR(step(w, "shisei", 0).x, rad(5), exact);
  const double legs[] = {0.332715, 0.332715, 0.350960};
  for (int k = 1; k <= 3; ++k) {
    const kin_state& l = step(w, "leng" + std::to_string(k), 50);
    EXPECT_NEAR(l.x, legs[k - 1], figure_tolerance) << "leg " << k;
    // The quintic profile comes to rest at the stop.
    EXPECT_NEAR(l.dx, 0, exact) << "leg " << k;
    EXPECT_NEAR(l.ddx, 0, exact) << "leg " << k;
  }
}

TEST_F(orvak_window, leg_of_zero_length_is_reported_and_nothing_is_infinite) {
  sim_window w(form_orvak1_gyaku());
  w.open();
  // az of link2 lowered by the column length puts platform joint 2 onto base joint 2 at the
  // start posture; the constant-rate profile keeps the posture moving there.
  w.ctl.set_text("Text12", 1, "-0.399");
  w.ctl.set_text("Text10", 0, "10");
  w.select_option(2);
  w.press("run");
  EXPECT_FALSE(w.status_is_error);
  EXPECT_NE(w.status.find("zero length at 1 of 51 steps (leg 2; first: step 0)"), std::string::npos)
      << w.status;
  const kin_state& l2 = step(w, "leng2", 0);
  EXPECT_NEAR(l2.x, 0, exact);
  EXPECT_EQ(l2.dx, 0);
  EXPECT_EQ(l2.ddx, 0);
  for (const auto& a : w.logic().arrays.all())
    for (std::size_t i = 0; i < a.size(); ++i)
      for (const auto& c : array_columns(a))
        ASSERT_TRUE(std::isfinite(a.get(i, c.field))) << c.name << " at step " << i;
}

TEST_F(orvak_window, spine_opens_straight_with_its_four_stage_origins) {
  sim_window w(Form_orvak4_jun());
  w.open();
  for (int j = 1; j <= 4; ++j) {
    const kin_state& p = step(w, "pp" + std::to_string(j), 0);
    EXPECT_NEAR(p.x, 0, exact) << "stage " << j;
    EXPECT_NEAR(p.y, 0, exact) << "stage " << j;
    EXPECT_NEAR(p.z, j * 0.385, exact) << "stage " << j;
  }
  const char* shown[] = {"0", "0", "1.54", "0", "0", "0"};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(w.ctl.text("Text11", k), shown[k]) << "Text11(" << k << ")";
}

TEST_F(orvak_window, spine_twisted_about_z_stays_on_the_axis) {
  sim_window w(Form_orvak4_jun());
  w.open();
  w.ctl.set_text("Text10", 2, "60");
  w.press("run");
  ASSERT_EQ(w.status, "");
  for (int i = 0; i <= 50; ++i)
    for (int j = 1; j <= 4; ++j) {
      const kin_state& p = step(w, "pp" + std::to_string(j), i);
      for (double v : {p.x, p.dx, p.ddx, p.y, p.dy, p.ddy, p.dz, p.ddz})
        ASSERT_NEAR(v, 0, exact) << "stage " << j << " at step " << i;
      ASSERT_NEAR(p.z, j * 0.385, exact) << "stage " << j << " at step " << i;
    }
  // Four units of 60° turn the top by 240°, which arctan2 reports as −120°.
  EXPECT_NEAR(deg(step(w, "shisei", 50).z), -120, 1e-9);
}

TEST(orvak_windows, stored_rates_match_differences_of_values) {
  test::temp_working_dir dir;
  // All three angles move, from a start the sliders give (the spine window overwrites Text9).
  for (const char* window : {"form_orvak1_gyaku", "Form_orvak4_jun"})
    for (int option : {0, 1, 2}) {
      const auto mismatches = test::run_and_check_derivatives(
          window, {"Text10(0)=10", "Text10(1)=-8", "Text10(2)=12", "Text1(2)=0.02",
                   "Option1=" + std::to_string(option)});
      for (const auto& m : mismatches)
        ADD_FAILURE() << window << ", profile " << option << ": " << m;
    }
}

std::vector<std::string> words_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

TEST(orvak_cli, spine_result_file_holds_the_overall_posture_in_radians) {
  test::temp_working_dir dir;
  const std::string cmd = std::string(KINELAB_CLI_PATH) +
                          " Form_orvak4_jun --N 10 --set 'Text10(0)=10' --press run >out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << slurp("out.txt");
  const std::string file = slurp("result.dat");
  std::vector<std::string> lines;
  for (std::size_t at = 0, next; (next = file.find("\r\n", at)) != std::string::npos; at = next + 2)
    lines.push_back(file.substr(at, next - at));
  ASSERT_EQ(lines.size(), 12u);  // header and steps 0..10
  EXPECT_EQ(lines[0],
            "i, pp(4, i).x, pp(4, i).y, pp(4, i).z,shisei(i).x, shisei(i).y, shisei(i).z, "
            "leng(1,i).x, leng(1,i).y, leng(1,i).z");
  // Four units at α = 10° make an overall α of 40°, written in radians, and the legs are the
  // in-unit legs of α = 40°, not those of the unit's own 10°.
  const auto last = words_of(lines[11]);
  ASSERT_EQ(last.size(), 10u) << lines[11];
  EXPECT_EQ(last[0], "10");
  EXPECT_NEAR(std::stod(last[4]), rad(40), 1e-12);
  kin_state s40;
  s40.x = rad(40);
  const kin_state legs = orvak_inverse(default_orvak_geometry(), 0.385, s40).leng;
  EXPECT_NEAR(std::stod(last[7]), legs.x, 1e-12);
  EXPECT_NEAR(std::stod(last[8]), legs.y, 1e-12);
  EXPECT_NEAR(std::stod(last[9]), legs.z, 1e-12);
  EXPECT_GT(std::fabs(legs.z - 0.350960), 0.01);  // the legs of α = 10° would be wrong
}

}  // namespace
}  // namespace kinelab

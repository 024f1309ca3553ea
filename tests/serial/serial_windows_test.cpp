// The four serial-arm windows: their static poses, stored rates against differences of values,
// and what their default runs report.
#include <gtest/gtest.h>

#include <vector>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_forward.h"
#include "mechanisms/serial/serial_inverse.h"
#include "mechanisms/serial/serial_window.h"
#include "support/temp_dir.h"
#include "support/trajectory_check.h"

namespace kinelab {
namespace {

TEST(serial_windows, three_axis_forward_static_pose_at_the_defaults) {
  sim_window w(form_3r_jun());
  w.open();
  const kin_state p4 = w.logic().arrays.find("p4")->at[0];
  const kin_state s4 = w.logic().arrays.find("s4")->at[0];
  EXPECT_NEAR(p4.x, 0, 1e-12);
  EXPECT_NEAR(p4.y, 0, 1e-12);
  EXPECT_NEAR(p4.z, 5, 1e-12);
  EXPECT_NEAR(deg(s4.x), 90, 1e-9);
  EXPECT_NEAR(s4.y, 0, 1e-12);
  EXPECT_NEAR(s4.z, 0, 1e-12);
  EXPECT_EQ(w.draw_size, 5);  // Σ|h| over the four links
  EXPECT_DOUBLE_EQ(w.draw_scale, 14.8);
  for (double v : {p4.dx, p4.ddx, p4.dz, s4.dx, s4.ddz}) EXPECT_EQ(v, 0);
}

TEST(serial_windows, stored_rates_match_differences_of_values) {
  test::temp_working_dir dir;
  struct {
    const char* window;
    std::vector<std::string> sets;
    double tolerance = test::check_tolerance;
  } cases[] = {
      // Unequal stops, extra twists and a twisted J1 make every joint and every coordinate
      // move, under each profile.
      {"form_3r_jun", {"Text2(1)=70", "Text2(3)=-40", "Text2(5)=110", "Text1(3)=15"}},
      {"form_3r_jun",
       {"Text2(1)=70", "Text2(3)=-40", "Text2(5)=110", "Text1(3)=15", "Text6(4)=10", "Option1=0"}},
      {"form_3r_jun",
       {"Text2(1)=70", "Text2(3)=-40", "Text2(5)=110", "Text1(3)=15", "Text6(4)=10", "Option1=1"}},
      {"form_3r_jun",
       {"Text2(1)=70", "Text2(3)=-40", "Text2(5)=110", "Text1(3)=15", "Text6(4)=10", "Option1=2"}},
      {"form_3r_jun", {"Text2(1)=70", "Option1=1"}},
      {"form_3r_jun", {"Text2(1)=70", "Option1=2"}},
      {"form_6r_jun", {"Text2(7)=40", "Text2(11)=-60", "Text9(4)=10"}},
      // A solve is exact only to its tolerance; a tight one makes the values follow the path
      // closely enough for differences to stand for derivatives.
      {"form_3r_gyaku",
       {"HScroll2(0)=5", "Text2(1)=1", "Text2(3)=1.5", "Text2(5)=2", "Text9=1e-10"},
       test::nr_check_tolerance},
      {"form_3r_gyaku",
       {"HScroll2(0)=5", "Text2(1)=1", "Text2(3)=1.5", "Text2(5)=2", "Text9=1e-10", "Option1=1"},
       test::nr_check_tolerance},
  };
  for (const auto& c : cases)
    for (const auto& m : test::run_and_check_derivatives(c.window, c.sets, c.tolerance))
      ADD_FAILURE() << c.window << ": " << m;
}

// The default six-axis arm is singular at all-zero angles (the first guess of form_6r_gyaku):
// the same window code with a first guess away from the singularities solves the whole path.
TEST(serial_windows, six_axis_inverse_solves_a_path_from_a_regular_first_guess) {
  test::temp_working_dir dir;
  serial_inverse_layout layout = {
      "form_6r_gyaku", "6r_gyaku", 6,  six_axis_link_groups(),  six_axis_link_defaults(), {},
      "Text12",        "変位誤差", 20, six_axis_result_header()};
  layout.goal = {{"X", "0.2", {-50, 50, 30, true}, 0.01},
                 {"Y", "0.1", {-50, 50, -30, true}, 0.01},
                 {"Z", "0.6", {0, 100, 50, true}, 0.01},
                 {"α(deg)", "30", {-18, 18, 0, true}, 5, true},
                 {"β(deg)", "-20", {-18, 18, 0, true}, 5, true},
                 {"γ(deg)", "45", {-18, 18, 0, true}, 5, true}};
  const window_decl decl = serial_inverse_window(layout);
  for (const auto& m : test::run_and_check_derivatives(std::make_unique<sim_window>(decl),
                                                       {"Text12=1e-10"}, test::nr_check_tolerance))
    ADD_FAILURE() << "form_6r_gyaku from 20°: " << m;
}

TEST(serial_windows, default_inverse_runs_report_their_solves) {
  test::temp_working_dir dir;
  sim_window three(form_3r_gyaku());
  three.open();
  three.run();
  EXPECT_EQ(three.status, "");
  const auto& p4 = three.logic().arrays.find("p4")->at;
  EXPECT_NEAR(p4.back().x, 2.5, 0.001);
  EXPECT_NEAR(p4.back().y, 0, 0.001);
  EXPECT_NEAR(p4.back().z, 3, 0.001);

  // The six-axis first guess, all angles 0, is singular: damped corrections leave it, and the
  // static pose and every step of the run reach their goals.
  sim_window six(form_6r_gyaku());
  six.open();
  EXPECT_EQ(six.status, "");
  const auto& p7 = six.logic().arrays.find("p7")->at;
  const auto& s7 = six.logic().arrays.find("s7")->at;
  const double start[] = {0.3, -0.3, 0.5, 0, 0, 0}, stop[] = {0, 0, 0.6, 0, 0, 0};
  auto pose_of = [&](std::size_t i) {
    return std::vector<double>{p7[i].x, p7[i].y, p7[i].z, s7[i].x, s7[i].y, s7[i].z};
  };
  for (int c = 0; c < 6; ++c) EXPECT_NEAR(pose_of(0)[c], start[c], 0.001) << "static, " << c;
  six.run();
  EXPECT_EQ(six.status, "");
  EXPECT_TRUE(six.unconverged_steps().empty());
  for (int c = 0; c < 6; ++c) EXPECT_NEAR(pose_of(p7.size() - 1)[c], stop[c], 0.001) << c;
}

}  // namespace
}  // namespace kinelab

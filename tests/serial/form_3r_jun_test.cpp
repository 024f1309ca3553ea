// The 3R forward window: its static pose and the rates it stores along a run.
#include <gtest/gtest.h>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_forward.h"
#include "support/temp_dir.h"
#include "support/trajectory_check.h"

namespace kinelab {
namespace {

TEST(form_3r_jun, static_pose_at_the_defaults) {
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

TEST(form_3r_jun, stored_rates_match_differences_of_values_for_every_profile) {
  test::temp_working_dir dir;
  // Unequal stops and a twisted J1 make every joint and every coordinate move.
  const std::vector<std::string> geometry = {"Text2(1)=70", "Text2(3)=-40", "Text2(5)=110",
                                             "Text1(3)=15", "Text6(4)=10"};
  for (int option : {0, 1, 2}) {
    std::vector<std::string> sets = geometry;
    sets.push_back("Option1=" + std::to_string(option));
    auto mismatches = test::run_and_check_derivatives("form_3r_jun", sets);
    for (const auto& m : mismatches) ADD_FAILURE() << "profile " << option << ": " << m;
  }
}

}  // namespace
}  // namespace kinelab

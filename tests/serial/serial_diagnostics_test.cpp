// The serial arms' diagnostics: the Jacobian each window reports against the rates it stored,
// the wrist singularity of the six-axis arm, and no branch jumps on the default inverse runs.
#include <gtest/gtest.h>

#include "mechanisms/serial/serial_forward.h"
#include "mechanisms/serial/serial_inverse.h"
#include "mechanisms/serial/serial_window.h"
#include "support/diagnostics_check.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

std::vector<test::stored_rate> joint_rates(int joints) {
  std::vector<test::stored_rate> r;
  for (int k = 1; k <= joints; ++k) r.push_back({"the" + std::to_string(k), 'x'});
  return r;
}

const test::jacobian_layout three_axis{joint_rates(3), {{"p4", 'x'}, {"p4", 'y'}, {"p4", 'z'}}};
const test::jacobian_layout six_axis{
    joint_rates(6), {{"p7", 'x'}, {"p7", 'y'}, {"p7", 'z'}, {"s7", 'x'}, {"s7", 'y'}, {"s7", 'z'}}};

// form_6r_gyaku from a first guess away from the singularities (the default guess, all joints
// at 0, is singular and leaves every rate at 0).
const window_decl& six_axis_inverse_from_regular_guess() {
  static const serial_inverse_layout layout = [] {
    serial_inverse_layout l{
        "form_6r_gyaku", "6r_gyaku", 6,  six_axis_link_groups(),  six_axis_link_defaults(), {},
        "Text12",        "変位誤差", 20, six_axis_result_header()};
    l.goal = {{"X", "0.2", {-50, 50, 30, true}, 0.01},
              {"Y", "0.1", {-50, 50, -30, true}, 0.01},
              {"Z", "0.6", {0, 100, 50, true}, 0.01},
              {"α(deg)", "30", {-18, 18, 0, true}, 5, true},
              {"β(deg)", "-20", {-18, 18, 0, true}, 5, true},
              {"γ(deg)", "45", {-18, 18, 0, true}, 5, true}};
    return l;
  }();
  static const window_decl decl = serial_inverse_window(layout);
  return decl;
}

TEST(serial_diagnostics, jacobian_times_joint_rates_is_the_tool_velocity) {
  test::temp_working_dir dir;
  struct {
    const window_decl& decl;
    std::vector<std::string> sets;
    const test::jacobian_layout& layout;
  } cases[] = {
      {form_3r_jun(), {"Text2(1)=70", "Text2(3)=-40", "Text2(5)=110"}, three_axis},
      {form_3r_gyaku(), {}, three_axis},
      {form_6r_jun(), {"Text2(7)=40", "Text2(11)=-60"}, six_axis},
      {six_axis_inverse_from_regular_guess(), {}, six_axis},
  };
  for (const auto& c : cases) {
    const auto w = test::run_window(c.decl, c.sets);
    EXPECT_FALSE(w->status_is_error) << c.decl.name << ": " << w->status;
    for (const auto& m : test::jacobian_rate_mismatches(*w, c.layout))
      ADD_FAILURE() << c.decl.name << ": " << m;
  }
}

// With joint 5 at 0 the axes of joints 4 and 6 coincide (the default link table puts the origin
// of link 6 on the axis of joint 4): the wrist loses a direction whatever the other joints do.
TEST(serial_diagnostics, six_axis_wrist_at_zero_is_singular_and_away_from_it_is_not) {
  test::temp_working_dir dir;
  // Start angles are the pose sliders in steps of 5°: 20°, −30°, 80°, 30°, joint 5, 25°.
  const std::vector<std::string> others = {
      "HScroll2(0)=4", "HScroll2(1)=-6", "HScroll2(2)=16", "HScroll2(3)=6", "HScroll2(5)=5",
      "Text2(1)=60",   "Text2(3)=10",    "Text2(5)=120",   "Text2(7)=-30",  "Text2(11)=80"};
  auto with_wrist = [&](const std::string& start, const std::string& stop) {
    std::vector<std::string> sets = others;
    sets.push_back("HScroll2(4)=" + start);
    sets.push_back("Text2(9)=" + stop);
    return test::run_window(form_6r_jun(), sets);
  };
  const auto singular = with_wrist("0", "0");
  const auto regular = with_wrist("6", "60");  // 30° to 60°
  for (int i = 0; i <= singular->N(); ++i) {
    jacobian_matrix J;
    ASSERT_TRUE(singular->logic().jacobian_at(i, J));
    EXPECT_LT(singularity_distance_of(J).sigma_min, 1e-9) << "step " << i;
    ASSERT_TRUE(regular->logic().jacobian_at(i, J));
    const singularity_distance d = singularity_distance_of(J);
    EXPECT_GT(d.sigma_min, 0.02) << "step " << i;
    EXPECT_LT(d.condition, 1e3) << "step " << i;
  }
}

TEST(serial_diagnostics, default_inverse_runs_show_no_branch_jump) {
  test::temp_working_dir dir;
  for (const window_decl* d : {&form_3r_gyaku(), &form_6r_gyaku()}) {
    EXPECT_EQ(d->solved_variables.size(), d == &form_3r_gyaku() ? 3u : 6u);
    for (const auto& m : test::branch_jump_alarms(*test::run_window(*d)))
      ADD_FAILURE() << d->name << ": " << m;
  }
  EXPECT_TRUE(form_3r_jun().solved_variables.empty());
  EXPECT_TRUE(form_6r_jun().solved_variables.empty());
}

}  // namespace
}  // namespace kinelab

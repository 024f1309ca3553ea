// The rail windows' diagnostics: the Jacobian each reports against the rates it stored, and no
// branch jump on the default runs of the Newton–Raphson windows.
#include <gtest/gtest.h>

#include "mechanisms/rail/rail_window.h"
#include "support/diagnostics_check.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

TEST(rail_diagnostics, jacobian_times_pose_rates_is_the_slider_rates) {
  test::temp_working_dir dir;
  const test::jacobian_layout layout{
      {{"pp", 'x'}, {"pp", 'y'}, {"pp", 'z'}, {"sp", 'x'}, {"sp", 'y'}, {"sp", 'z'}},
      {{"bx1"}, {"bx2"}, {"bx3"}, {"bx4"}, {"bx5"}, {"bx6"}}};
  struct {
    const window_decl& decl;
    std::vector<std::string> sets;
  } cases[] = {
      {form_drav_gyaku(), {"Text10(0)=0.02", "Text10(1)=-0.01"}},
      {form_selvo_gyaku(),
       {"Text10(0)=0.02", "Text10(1)=-0.01", "Text10(3)=5", "Text10(4)=-3", "Text10(5)=4"}},
      {form_drav_jun(), {}},
      // Unequal stops within the pairs tilt the platform.
      {form_selvo_jun(), {"Text10(1)=0.24", "Text10(4)=0.27"}},
  };
  for (const auto& c : cases) {
    const auto w = test::run_window(c.decl, c.sets);
    EXPECT_FALSE(w->status_is_error) << c.decl.name << ": " << w->status;
    for (const auto& m : test::jacobian_rate_mismatches(*w, layout))
      ADD_FAILURE() << c.decl.name << ": " << m;
  }
}

TEST(rail_diagnostics, default_forward_runs_show_no_branch_jump) {
  test::temp_working_dir dir;
  for (const window_decl* d : {&form_drav_jun(), &form_selvo_jun()}) {
    EXPECT_EQ(d->solved_variables.size(), 6u) << d->name;
    for (const auto& m : test::branch_jump_alarms(*test::run_window(*d)))
      ADD_FAILURE() << d->name << ": " << m;
  }
  EXPECT_TRUE(form_drav_gyaku().solved_variables.empty());
  EXPECT_TRUE(form_selvo_gyaku().solved_variables.empty());
}

}  // namespace
}  // namespace kinelab

// The Stewart windows' diagnostics: the Jacobian each reports against the rates it stored, and
// no branch jump on the default run of the Newton–Raphson window.
#include <gtest/gtest.h>

#include "mechanisms/stewart/stewart_window.h"
#include "support/diagnostics_check.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

TEST(stewart_diagnostics, jacobian_times_pose_rates_is_the_leg_rates) {
  test::temp_working_dir dir;
  const test::jacobian_layout layout{
      {{"pp", 'x'}, {"pp", 'y'}, {"pp", 'z'}, {"sp", 'x'}, {"sp", 'y'}, {"sp", 'z'}},
      {{"the1"}, {"the2"}, {"the3"}, {"the4"}, {"the5"}, {"the6"}}};
  // Stops that move every coordinate of the pose.
  struct {
    const window_decl& decl;
    std::vector<std::string> sets;
  } cases[] = {
      {form_stewart_gyaku(),
       {"Text10(0)=0.2", "Text10(1)=-0.1", "Text10(3)=10", "Text10(4)=-5", "Text10(5)=15"}},
      {form_stewart_jun(),
       {"Text10(0)=3", "Text10(1)=2.8", "Text10(2)=3.1", "Text10(3)=2.9", "Text10(4)=3.2"}},
  };
  for (const auto& c : cases) {
    const auto w = test::run_window(c.decl, c.sets);
    EXPECT_FALSE(w->status_is_error) << c.decl.name << ": " << w->status;
    for (const auto& m : test::jacobian_rate_mismatches(*w, layout))
      ADD_FAILURE() << c.decl.name << ": " << m;
  }
}

TEST(stewart_diagnostics, default_forward_run_shows_no_branch_jump) {
  test::temp_working_dir dir;
  EXPECT_EQ(form_stewart_jun().solved_variables.size(), 6u);
  for (const auto& m : test::branch_jump_alarms(*test::run_window(form_stewart_jun())))
    ADD_FAILURE() << m;
  EXPECT_TRUE(form_stewart_gyaku().solved_variables.empty());
}

}  // namespace
}  // namespace kinelab

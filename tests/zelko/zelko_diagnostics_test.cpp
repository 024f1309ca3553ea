// The zelko windows' diagnostics: the joint-to-pose Jacobian against the rates each window
// stored, and no branch jump on the default run of the Newton–Raphson window.
#include <gtest/gtest.h>

#include "mechanisms/zelko/zelko_forms.h"
#include "support/diagnostics_check.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

TEST(zelko_diagnostics, jacobian_times_joint_rates_is_the_end_plate_velocity) {
  test::temp_working_dir dir;
  const test::jacobian_layout layout{{{"hineri1", 'x'},
                                      {"hineri1", 'y'},
                                      {"hineri1", 'z'},
                                      {"hineri2", 'y'},
                                      {"hineri3", 'x'},
                                      {"hineri3", 'y'}},
                                     {{"pp4", 'x'},
                                      {"pp4", 'y'},
                                      {"pp4", 'z'},
                                      {"shisei", 'x'},
                                      {"shisei", 'y'},
                                      {"shisei", 'z'}}};
  struct {
    const window_decl& decl;
    std::vector<std::string> sets;
  } cases[] = {
      {Form_zelko_jun(), {"Text10(0)=20", "Text10(1)=-15", "Text10(2)=10", "Text10(3)=60"}},
      {Form_zelko_gyaku(), {}},
  };
  for (const auto& c : cases) {
    const auto w = test::run_window(c.decl, c.sets);
    EXPECT_FALSE(w->status_is_error) << c.decl.name << ": " << w->status;
    for (const auto& m : test::jacobian_rate_mismatches(*w, layout))
      ADD_FAILURE() << c.decl.name << ": " << m;
  }
}

TEST(zelko_diagnostics, default_inverse_run_shows_no_branch_jump) {
  test::temp_working_dir dir;
  EXPECT_EQ(Form_zelko_gyaku().solved_variables.size(), 6u);
  for (const auto& m : test::branch_jump_alarms(*test::run_window(Form_zelko_gyaku())))
    ADD_FAILURE() << m;
  EXPECT_TRUE(Form_zelko_jun().solved_variables.empty());
}

}  // namespace
}  // namespace kinelab

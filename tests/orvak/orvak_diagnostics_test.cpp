// The orvak windows' diagnostics: both solve in closed form, so their Jacobians are probed maps
// (posture to legs, unit posture to the top platform's pose), checked against the stored rates.
#include <gtest/gtest.h>

#include "mechanisms/orvak/orvak_forms.h"
#include "support/diagnostics_check.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

TEST(orvak_diagnostics, jacobian_times_driven_rates_is_the_output_rates) {
  test::temp_working_dir dir;
  const std::vector<std::string> sets = {"Text10(0)=20", "Text10(1)=-15", "Text10(2)=10"};
  struct {
    const window_decl& decl;
    test::jacobian_layout layout;
  } cases[] = {
      {form_orvak1_gyaku(),
       {{{"shisei", 'x'}, {"shisei", 'y'}, {"shisei", 'z'}}, {{"leng1"}, {"leng2"}, {"leng3"}}}},
      {Form_orvak4_jun(),
       {{{"unit_shisei", 'x'}, {"unit_shisei", 'y'}, {"unit_shisei", 'z'}},
        {{"pp4", 'x'},
         {"pp4", 'y'},
         {"pp4", 'z'},
         {"shisei", 'x'},
         {"shisei", 'y'},
         {"shisei", 'z'}}}},
  };
  for (const auto& c : cases) {
    const auto w = test::run_window(c.decl, sets);
    EXPECT_FALSE(w->status_is_error) << c.decl.name << ": " << w->status;
    for (const auto& m : test::jacobian_rate_mismatches(*w, c.layout))
      ADD_FAILURE() << c.decl.name << ": " << m;
    EXPECT_TRUE(c.decl.solved_variables.empty()) << c.decl.name;
  }
}

}  // namespace
}  // namespace kinelab

// The atlas's rules for what the options leave open, which kinelab-cli, Python and the desktop
// program's workspace panel all go through: the posture-only default, limits as typed (one for
// all or one each, degrees for a joint) and a count that fits neither.
#include "app/service/window_atlas.h"

#include <gtest/gtest.h>

#include "app/service/window_service.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "mechanisms/registry.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

TEST(window_atlas, open_options_follow_the_atlas_rules) {
  int windows = 0, posture_only_windows = 0, angle_actuators = 0;
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    const std::unique_ptr<window_model> model = e.make();
    sim_window* w = simulation_of(*model);
    ASSERT_NE(w, nullptr) << e.name;
    w->open();
    atlas_source_result s = atlas_source_of(*w);
    if (!s.source) continue;
    const atlas_source& src = *s.source;
    const std::size_t n = src.mechanism.actuators.size();
    ++windows;
    SCOPED_TRACE(e.name);

    workspace_options o;
    atlas_request r;
    ASSERT_FALSE(resolve_request(src, o, r));
    EXPECT_EQ(r.mode, posture_only(src) ? atlas_mode::posture : atlas_mode::position);
    EXPECT_TRUE(r.limits.empty());  // the window's own
    posture_only_windows += posture_only(src);

    // A mode asked for stays, and one range serves every actuator in the window's units.
    o.mode_given = true;
    o.limits = {{-30, 60}};
    ASSERT_FALSE(resolve_request(src, o, r));
    EXPECT_EQ(r.mode, atlas_mode::position);
    ASSERT_EQ(r.limits.size(), n);
    for (std::size_t k = 0; k < n; ++k) {
      const bool angle = src.mechanism.actuators[k].angle;
      angle_actuators += angle;
      EXPECT_DOUBLE_EQ(r.limits[k].lo, angle ? -pi / 6 : -30) << k;
      EXPECT_DOUBLE_EQ(r.limits[k].hi, angle ? pi / 3 : 60) << k;
      EXPECT_DOUBLE_EQ(shown_limit_scale(src, k), angle ? 180 / pi : 1);
    }

    o.limits.assign(n + 1, atlas_limit{0, 1});
    const auto problem = resolve_request(src, o, r);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, "--limits needs one range or " + std::to_string(n) + " (" +
                            std::to_string(n + 1) + " given)");
  }
  // The rules met something to hold them to.
  EXPECT_GE(windows, 5);
  EXPECT_GT(angle_actuators, 0);
  EXPECT_GT(posture_only_windows, 0);
}

// The atlas stands where the window shows its mechanism: a forward window's static pose (its
// readouts), not the Run's step 0, which is solved to another tolerance; and what the static
// pose said stays on the status line beside the atlas's summary.
TEST(window_atlas, stands_at_the_pose_the_window_shows) {
  test::temp_working_dir dir;
  const std::unique_ptr<window_model> forward = find_window("form_stewart_jun")->make();
  sim_window& f = *simulation_of(*forward);
  f.open();
  const atlas_source_result s = atlas_source_of(f);
  ASSERT_TRUE(s.source) << s.problem;
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(format_number(s.source->pose[static_cast<std::size_t>(k)] * (k < 3 ? 1 : 180 / pi)),
              f.ctl.text("Text11", k))
        << k;
  EXPECT_NE(s.source->pose[2], s.source->pose_path[0][2]);  // the Run's step 0 is another

  const std::unique_ptr<window_model> inverse = find_window("form_6r_gyaku")->make();
  sim_window& i = *simulation_of(*inverse);
  i.open();
  inverse->set_slider("HScroll2", 2, 2);
  const atlas_source_result t = atlas_source_of(i);
  ASSERT_TRUE(t.source) << t.problem;
  atlas_request r;
  r.cells = 10;
  r.samples = 2000;
  const atlas_result a = compute_atlas(*t.source, r);
  ASSERT_TRUE(a.grid) << a.problem;
  const std::string status = atlas_status(*t.source, *a.grid);
  EXPECT_EQ(status.rfind("the static pose did not reach the tolerance", 0), 0u) << status;
  EXPECT_NE(status.find(describe_atlas(*a.grid)), std::string::npos) << status;
}

}  // namespace
}  // namespace kinelab

// The atlas's rules for what the options leave open, which kinelab-cli, Python and the desktop
// program's workspace panel all go through: the posture-only default, limits as typed (one for
// all or one each, degrees for a joint) and a count that fits neither.
#include "app/service/window_atlas.h"

#include <gtest/gtest.h>

#include "app/service/window_service.h"
#include "core/angles.h"
#include "mechanisms/registry.h"

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

}  // namespace
}  // namespace kinelab

#include <gtest/gtest.h>

#include <memory>

#include "app/window/sim_window.h"
#include "mechanisms/registry.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

std::string caption(sim_window& w) {
  return w.ctl.find_label(w.decl().style.caption_label)->caption;
}

// Each press of "diagnostics" shows the next page: the singularity distance, then (in a
// Newton–Raphson window) the solver's record, then the first page again.
TEST(DiagnosticsView, PagesFollowEachOtherAndUnconvergedStepsAreKnown) {
  test::temp_working_dir dir;
  const struct {
    const char* window;
    std::vector<std::string> captions;
    std::size_t unconverged;
    const char* stop_x = nullptr;  // Text2(1), where the window has it
  } cases[] = {
      {"form_3r_jun", {"diagnostics: sigma_min (blue), log10 condition (green)"}, 0},
      // Its default first guess is singular, and the solves leave it.
      {"form_6r_gyaku",
       {"diagnostics: sigma_min (blue), log10 condition (green)",
        "diagnostics: corrections (blue), residual (green), status (red)"},
       0},
      // A stop point out of reach: the last 33 steps do not converge.
      {"form_3r_gyaku",
       {"diagnostics: sigma_min (blue), log10 condition (green)",
        "diagnostics: corrections (blue), residual (green), status (red)"},
       33,
       "9"},
      // A parallel window, whose animation would otherwise draw over the page.
      {"form_stewart_jun",
       {"diagnostics: sigma_min (blue), log10 condition (green)",
        "diagnostics: corrections (blue), residual (green), status (red)"},
       0},
  };
  for (const auto& c : cases) {
    const std::unique_ptr<window_model> model = find_window(c.window)->make();
    sim_window& w = dynamic_cast<sim_window&>(*model);
    w.open();
    if (c.stop_x) w.ctl.set_text("Text2", 1, c.stop_x);
    w.press("diagnostics");
    EXPECT_EQ(w.status, "no Run yet: the diagnostics show the steps of the last Run");
    w.press("run");
    EXPECT_EQ(w.unconverged_steps().size(), c.unconverged) << c.window;
    for (int k = 0; k < 3; ++k) {
      ASSERT_TRUE(w.press("diagnostics"));
      EXPECT_FALSE(w.timer_enabled()) << c.window;
      EXPECT_EQ(caption(w), c.captions[k % c.captions.size()]) << c.window << " press " << k;
    }
    EXPECT_NE(w.status.find("σmin "), std::string::npos) << w.status;
    EXPECT_EQ(w.singularity().sigma_min.size(), static_cast<std::size_t>(w.N() + 1));
    // The animation after a Run draws the mechanism: the page's caption goes with the page.
    w.press("run");
    w.tick();
    EXPECT_EQ(caption(w), w.decl().style.view_caption) << c.window;
  }
}

}  // namespace
}  // namespace kinelab

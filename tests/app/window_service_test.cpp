// What every front end asks of a window beyond its controls: to stop a long computation, to
// start afresh, and the English of its captions.
#include "app/service/window_service.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/service/window_atlas.h"
#include "app/service/window_export.h"
#include "app/study/study_file.h"
#include "app/text/caption_english.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

std::unique_ptr<sim_window> opened(const std::string& name, int N) {
  run_settings s;
  s.N = N;
  std::unique_ptr<window_model> m = find_window(name)->make(s);
  std::unique_ptr<sim_window> w(simulation_of(*m));
  m.release();
  w->open();
  return w;
}

TEST(window_service, a_run_asked_to_stop_leaves_no_run_and_the_window_as_before) {
  for (const char* name : {"form_stewart_jun", "form_6r_gyaku", "Form_zelko_gyaku"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<sim_window> w = opened(name, 5000);
    std::string error;
    ASSERT_TRUE(run_into(*w, std::nullopt, error));
    int asked = 0;
    w->cancel_interval = {};
    w->cancel_requested = [&] { return ++asked > 1; };
    EXPECT_FALSE(run_into(*w, std::nullopt, error));
    EXPECT_TRUE(w->run_interrupted());
    EXPECT_FALSE(w->has_run());
    EXPECT_TRUE(w->status_is_error);
    EXPECT_NE(w->status.find("the Run was interrupted at step "), std::string::npos) << w->status;
    EXPECT_NE(csv_refusal(*w), "");

    // The next Run is a fresh window's, to the bit.
    w->cancel_requested = nullptr;
    w->settings.N = 40;
    ASSERT_TRUE(run_into(*w, std::nullopt, error));
    std::unique_ptr<sim_window> fresh = opened(name, 40);
    ASSERT_TRUE(run_into(*fresh, std::nullopt, error));
    EXPECT_EQ(window_csv(*w), window_csv(*fresh));
  }
}

TEST(window_service, an_atlas_asked_to_stop_gives_none) {
  for (const char* name : {"form_stewart_gyaku", "form_3r_jun"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<sim_window> w = opened(name, 50);
    // The atlas's own Run goes through; the atlas is asked next.
    w->cancel_interval = {};
    w->cancel_requested = [&] { return w->has_run(); };
    workspace_options o;
    o.request.cells = 60;
    o.request.samples = 20000;
    std::ostringstream out;
    const workspace_outcome r = run_workspace(*w, o, out);
    EXPECT_FALSE(r.grid);
    EXPECT_TRUE(r.interrupted);
    EXPECT_FALSE(r.usage);
    EXPECT_EQ(r.problem, "the atlas was interrupted");
    w->cancel_requested = nullptr;
    EXPECT_TRUE(run_workspace(*w, o, out).grid);
  }
}

TEST(window_service, a_reopened_window_is_a_fresh_one_with_the_same_settings) {
  std::unique_ptr<sim_window> w = opened("form_6r_gyaku", 30);
  w->set_value("HScroll2(0)", "18");
  w->set_value("Text2(1)", "0.4");
  std::string error;
  ASSERT_TRUE(run_into(*w, std::nullopt, error));
  const std::unique_ptr<sim_window> again = reopened(*w);
  EXPECT_FALSE(again->has_run());
  EXPECT_EQ(study_document(*again), study_document(*opened("form_6r_gyaku", 30)));
}

TEST(window_service, captions_in_english_from_the_desktop_catalogue) {
  EXPECT_EQ(english_caption("許容誤差"), "tolerance");
  EXPECT_EQ(english_caption("直列３R順運動学"), "serial 3R forward kinematics");
  EXPECT_EQ(english_caption("hx"), "hx");
  EXPECT_EQ(english_caption(""), "");
}

}  // namespace
}  // namespace kinelab

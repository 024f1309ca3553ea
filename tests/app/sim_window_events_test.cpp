// The framework's events, exercised on the reference window form_3r_jun.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings.h"
#include "app/sim_window.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_forward.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

class framework_events : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = settings();
    settings() = global_settings{};
    w.open();
  }
  void TearDown() override { settings() = saved_; }

  std::string read_result() {
    std::ifstream f("result.dat", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

  test::temp_working_dir dir_;
  global_settings saved_;
  sim_window w{form_3r_jun()};
};

TEST_F(framework_events, animation_runs_forth_and_back_over_the_steps) {
  w.run();
  ASSERT_TRUE(w.timer_enabled());
  EXPECT_EQ(w.step_no, 0);
  std::vector<int> shown;
  for (int t = 0; t < 51; ++t) {
    w.tick();
    shown.push_back(w.step_no);
  }
  EXPECT_EQ(shown.front(), 1);
  EXPECT_EQ(shown[49], 50);
  EXPECT_EQ(shown[50], 49);  // step N shows once
  EXPECT_EQ(w.ctl.text("Text5"), "49");
  EXPECT_EQ(w.ctl.slider_at("HScroll1").value, 49);
  w.stop();
  w.tick();
  EXPECT_EQ(w.step_no, 49);
}

TEST_F(framework_events, next_figure_cycles_through_the_graph_list_and_stops_the_timer) {
  w.run();
  w.next_figure();
  EXPECT_FALSE(w.timer_enabled());
  EXPECT_EQ(w.ctl.find_label("Label6")->caption, "x   dx   ddx");
  std::vector<std::string> captions;
  for (int k = 2; k <= 10; ++k) {
    w.next_figure();
    captions.push_back(w.ctl.find_label("Label6")->caption);
  }
  EXPECT_EQ(captions[7], "the3 dthe3 ddthe3");  // the ninth graph
  EXPECT_EQ(captions[8], "x   dx   ddx");       // the tenth press starts again
}

TEST_F(framework_events, dragging_turns_the_view_one_degree_per_event_and_wraps) {
  for (int e = 1; e <= 181; ++e) w.pointer_moved(e, 0, true);
  EXPECT_NEAR(deg(w.view_rot_y), -179, 1e-9);
  EXPECT_NEAR(std::stod(w.ctl.text("Text3", 1)), -179, 1e-9);
  // The pointer's y never grew, so every event turned x down by a degree: 181 → −179 too.
  EXPECT_NEAR(deg(w.view_rot_x), 179, 1e-9);
  EXPECT_NEAR(deg(w.view_rot_z), 30, 1e-12);  // the pointer never turns z
}

TEST_F(framework_events, moving_without_a_button_refreshes_only_the_z_readout) {
  w.pointer_moved(10, 10, false);
  EXPECT_EQ(w.ctl.text("Text3", 0), "-60");  // the stored text, though the view starts at 0
  EXPECT_EQ(w.ctl.text("Text3", 2), "30");
  EXPECT_EQ(w.view_rot_y, 0);
}

TEST_F(framework_events, a_pose_slider_writes_its_start_field_and_redraws) {
  w.ctl.set_text("Text2", 0, "33");  // typed start angles are overwritten by the slider
  w.ctl.slider_at("HScroll2", 0).value = 3;
  w.slider_changed("HScroll2", 0);
  EXPECT_EQ(w.ctl.text("Text2", 0), "15");
  EXPECT_EQ(w.step_no, 0);
  EXPECT_FALSE(w.picture()->ops().empty());
}

TEST_F(framework_events, a_field_that_is_not_a_number_is_reported_and_changes_nothing) {
  w.run();
  const std::string before = read_result();
  const auto p4_before = w.logic().arrays.find("p4")->at;
  w.ctl.set_text("Text2", 1, "abc");
  w.run();
  EXPECT_EQ(w.status, "stop of the1 (Text2(1)) is not a number: \"abc\"");
  EXPECT_TRUE(w.status_is_error);
  EXPECT_FALSE(w.timer_enabled());
  EXPECT_EQ(read_result(), before);
  EXPECT_EQ(w.logic().arrays.find("p4")->at.back().x, p4_before.back().x);

  w.ctl.set_text("Text2", 1, " +.5e1 ");  // what a person types is accepted
  w.run();
  EXPECT_EQ(w.status, "");
  EXPECT_NEAR(deg(w.logic().arrays.find("the1")->at.back().x), 5, 1e-12);
}

TEST_F(framework_events, the_arrays_follow_a_changed_N_at_the_next_run) {
  settings().N = 80;
  w.run();
  EXPECT_EQ(w.N(), 80);
  EXPECT_EQ(w.logic().arrays.find("p4")->at.size(), 81u);
  EXPECT_EQ(w.ctl.slider_at("HScroll1").max, 80);
}

TEST_F(framework_events, an_all_zero_geometry_falls_back_to_a_unit_drawing_size) {
  for (const char* g : {"Text1", "Text6", "Text7", "Text8"})
    for (int k = 0; k < 3; ++k) w.ctl.set_text(g, k, "0");
  w.static_pose();
  EXPECT_EQ(w.draw_size, 1);
  EXPECT_DOUBLE_EQ(w.draw_scale, 148.0 / 2);
}

TEST_F(framework_events, an_unwritable_result_file_is_reported_and_the_run_stays_usable) {
  std::filesystem::create_directory("result.dat");
  w.run();
  EXPECT_TRUE(w.status_is_error);
  EXPECT_NE(w.status.find("result.dat was not written"), std::string::npos) << w.status;
  EXPECT_TRUE(w.timer_enabled());
  w.tick();
  EXPECT_EQ(w.step_no, 1);
  EXPECT_TRUE(std::filesystem::is_directory("result.dat"));
}

}  // namespace
}  // namespace kinelab

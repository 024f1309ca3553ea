// The framework's events, exercised on the reference window form_3r_jun.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <variant>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_forward.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

class framework_events : public ::testing::Test {
 protected:
  void SetUp() override { w.open(); }

  std::string read_result() {
    std::ifstream f("result.dat", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

  test::temp_working_dir dir_;
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

// Many ticks at once end in the state, readouts and frame of as many single ticks, across the
// turns at both ends of the walk.
TEST_F(framework_events, ticks_at_once_end_where_single_ticks_do) {
  w.run();
  sim_window one_by_one{form_3r_jun()};
  one_by_one.open();
  one_by_one.run();
  long done = 0;
  for (long n : {1L, 7L, 60L, 103L}) {
    w.advance_ticks(n);
    for (long t = 0; t < n; ++t) one_by_one.tick();
    done += n;
    SCOPED_TRACE("after " + std::to_string(done) + " ticks");
    EXPECT_EQ(w.step_no, one_by_one.step_no);
    EXPECT_EQ(w.step_dir, one_by_one.step_dir);
    EXPECT_EQ(w.ctl.text("Text5"), one_by_one.ctl.text("Text5"));
    EXPECT_EQ(w.ctl.slider_at("HScroll1").value, one_by_one.ctl.slider_at("HScroll1").value);
    ASSERT_EQ(w.picture()->ops().size(), one_by_one.picture()->ops().size());
    for (std::size_t k = 0; k < w.picture()->ops().size(); ++k) {
      const draw_op &a = w.picture()->ops()[k], &b = one_by_one.picture()->ops()[k];
      EXPECT_TRUE(a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2) << "op " << k;
    }
  }
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
  w.set_slider("HScroll2(0)", 3);
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
  const trajectory_array* the1 = w.logic().arrays.find("the1");
  EXPECT_NEAR(deg(the1->state(the1->size() - 1).x), 5, 1e-12);
}

TEST_F(framework_events, the_arrays_follow_a_changed_N_at_the_next_run) {
  w.settings.N = 80;
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

// Every front end edits through the window: an address that names no control, a disabled
// control or a value out of range is refused with edit_error and leaves every control as it was.
TEST_F(framework_events, edits_that_cannot_be_made_are_refused_and_change_nothing) {
  using enum edit_error::reason;
  w.ctl.field("Text2", 3).enabled = false;
  w.ctl.slider_at("HScroll2", 1).enabled = false;
  struct bad_edit {
    const char* address;
    const char* value;
    edit_error::reason why;
    const char* message;
  };
  const bad_edit cases[] = {
      {"Text99(0)", "1", no_such_control, "form_3r_jun has no control Text99"},
      {"Text2", "1", no_such_control, "Text2 needs an index, e.g. Text2(0)"},
      {"Text5(0)", "1", no_such_control, "Text5 has no index"},
      {"Text2(6)", "1", no_such_control, "Text2 has indices 0..5"},
      {"Text2(", "1", no_such_control, "not a control: Text2("},
      {"Text2(3)", "1", refused, "Text2(3) is disabled"},
      {"HScroll2(0)", "19", refused, "HScroll2(0) ranges from -18 to 18"},
      {"HScroll2(0)", "-99999999999999999999", refused,
       "a slider takes a whole number: HScroll2(0)=-99999999999999999999"},
      {"HScroll2(0)", "1.5", refused, "a slider takes a whole number: HScroll2(0)=1.5"},
      {"HScroll2(1)", "0", refused, "HScroll2(1) is disabled"},
      {"Option1", "3", refused, "Option1 takes 0..2"},
      {"Option1", "one", refused, "Option1 takes 0..2"},
  };
  const controls before = w.ctl;
  for (const bad_edit& c : cases) {
    SCOPED_TRACE(std::string(c.address) + "=" + c.value);
    try {
      w.set_value(c.address, c.value);
      ADD_FAILURE() << "accepted";
    } catch (const edit_error& e) {
      EXPECT_EQ(e.why, c.why);
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  for (const text_group& g : before.texts)
    for (std::size_t i = 0; i < g.fields.size(); ++i)
      EXPECT_EQ(w.ctl.text(g.name, static_cast<int>(i)), g.fields[i].text) << g.name << i;
  for (const slider_group& g : before.sliders)
    for (std::size_t i = 0; i < g.sliders.size(); ++i)
      EXPECT_EQ(w.ctl.slider_at(g.name, static_cast<int>(i)).value, g.sliders[i].value)
          << g.name << i;
  EXPECT_EQ(w.ctl.option_selected, before.option_selected);
}

// An edit fires what the user's action fires, and value_of reads any control by address.
TEST_F(framework_events, edits_fire_their_events_and_read_back_by_address) {
  w.run();
  w.set_slider("HScroll1", 7);  // the time slider shows step 7
  EXPECT_EQ(w.step_no, 7);
  EXPECT_EQ(std::get<std::string>(w.value_of("Text5")), "7");
  EXPECT_EQ(std::get<int>(w.value_of("HScroll1")), 7);

  w.set_value("HScroll2(1)", "-2");  // a pose slider: the static pose writes its start field
  EXPECT_EQ(std::get<std::string>(w.value_of("Text2(2)")), "-10");
  EXPECT_EQ(w.ctl.slider_at("HScroll2", 1).value, -2);

  w.set_text("Text2(1)", "12");
  EXPECT_EQ(std::get<std::string>(w.value_of("Text2(1)")), "12");
  w.select_option(2);
  EXPECT_EQ(std::get<int>(w.value_of("Option1")), 2);
  w.set_value("Option1(1)", "");  // kinelab-cli's other spelling of a choice
  EXPECT_EQ(w.ctl.option_selected, 1);
  EXPECT_EQ(std::get<std::string>(w.value_of("Label6")), "動画");
}

// N, T and the result file belong to the window: two windows in one process run with their own.
TEST(window_settings, two_windows_run_with_their_own_N_T_and_result_file) {
  test::temp_working_dir dir;
  sim_window a(form_3r_jun(), {.N = 20, .T = 1, .result_path = "a.dat"});
  sim_window b(form_3r_jun(), {.N = 30, .T = 2, .result_path = dir.path() / "b.dat"});
  a.open();
  b.open();
  a.run();
  b.run();
  ASSERT_EQ(a.status, "");
  ASSERT_EQ(b.status, "");
  EXPECT_EQ(a.N(), 20);
  EXPECT_EQ(b.N(), 30);
  // One header line and a row per step, in each window's own file.
  EXPECT_EQ(test::lines_of(test::slurp("a.dat")).size(), 22u);
  EXPECT_EQ(test::lines_of(test::slurp((dir.path() / "b.dat").string())).size(), 32u);
  EXPECT_FALSE(std::filesystem::exists("result.dat"));
  // Halfway through, the same joint moves half as fast over twice the cycle time.
  const double rate_a = test::array_of(a, "the2")[10].dx, rate_b = test::array_of(b, "the2")[15].dx;
  ASSERT_NE(rate_a, 0);
  EXPECT_NEAR(rate_b, rate_a / 2, 1e-12 * std::fabs(rate_a));
}

}  // namespace
}  // namespace kinelab

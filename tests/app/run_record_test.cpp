// A Run's record and the start of the Newton–Raphson windows' solves: a static pose after a Run
// leaves what the Run exports as it was and starts from the pose before the Run, and a study
// saved after a slider walk reopens on its branch and runs to the saved window's bytes.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "app/service/window_export.h"
#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "core/angles.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

std::unique_ptr<sim_window> open_window(const std::string& name) {
  std::unique_ptr<window_model> w = find_window(name)->make();
  auto* s = dynamic_cast<sim_window*>(w.release());
  std::unique_ptr<sim_window> sim(s);
  sim->open();
  return sim;
}

// The values of one step, bit for bit (a rate of −0 is one of 0).
bool same_step(const trajectory_arrays::step_values& a, const trajectory_arrays::step_values& b) {
  if (a.values.size() != b.values.size()) return false;
  for (std::size_t k = 0; k < a.values.size(); ++k)
    for (double kin_state::*f : {&kin_state::x, &kin_state::y, &kin_state::z})
      if (std::memcmp(&(a.values[k].*f), &(b.values[k].*f), sizeof(double)) != 0) return false;
  return true;
}

// The solved variables at step 0, bit for bit.
std::vector<std::uint64_t> solved_at_0(const sim_window& w) {
  std::vector<std::uint64_t> bits;
  for (const solved_variable& v : w.decl().solved_variables) {
    const kin_state s = w.logic().arrays.find(v.array)->state(0);
    bits.push_back(std::bit_cast<std::uint64_t>(v.component == 'x'   ? s.x
                                                : v.component == 'y' ? s.y
                                                                     : s.z));
  }
  return bits;
}

// Slider walks of the Newton–Raphson windows that end away from where a fresh window would
// start: the branch depends on the order of the moves.
struct walk {
  const char* window;
  std::vector<std::pair<const char*, long long>> moves;
};
const walk walks[] = {
    {"form_3r_gyaku", {{"HScroll2(1)", 0}, {"HScroll2(0)", 1}, {"HScroll2(1)", 30}, {"HScroll2(2)", 10}}},
    {"form_6r_gyaku", {{"HScroll2(0)", -50}, {"HScroll2(4)", 18}, {"HScroll2(0)", 29}}},
    {"form_stewart_jun", {{"HScroll1(0)", 30}, {"HScroll1(3)", 35}, {"HScroll1(0)", 25}}},
    {"form_drav_jun", {{"HScroll1(0)", 20}, {"HScroll1(2)", -30}, {"HScroll1(0)", 10}}},
    {"form_selvo_jun", {{"HScroll1(0)", 20}, {"HScroll1(3)", -20}, {"HScroll1(1)", 10}}},
    {"Form_zelko_gyaku", {{"HScroll1(0)", 3}, {"HScroll1(3)", 12}, {"HScroll1(5)", -10}}},
};

void take(sim_window& w, const walk& k) {
  for (const auto& [address, value] : k.moves) w.set_slider(address, value);
}

// In every simulation window a static pose after a Run shows itself but exports nothing: the
// dump and result.dat stay the Run's, row 0 included.
TEST(run_record, a_static_pose_after_a_run_leaves_its_export_alone) {
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    SCOPED_TRACE(e.name);
    std::unique_ptr<sim_window> w = open_window(e.name);
    w->press("run");
    const std::string csv = window_csv(*w), result = w->result_file_text();
    const trajectory_arrays::step_values run0 = w->logic().arrays.step(0);
    const slider_group& g = *w->ctl.find_sliders(w->decl().style.pose_sliders);
    const slider& s = g.sliders.front();
    w->set_slider(g.name, 0, s.value > s.min ? s.min : s.max);
    EXPECT_FALSE(same_step(w->logic().arrays.step(0), run0));  // the display shows the pose
    EXPECT_EQ(window_csv(*w), csv);
    EXPECT_EQ(w->result_file_text(), result);
  }
}

// A static pose after a Run is the one the window would have shown without the Run, and the next
// Run is the last one's when nothing changed in between.
TEST(run_record, a_static_pose_and_a_run_start_from_the_pose_before_the_run) {
  for (const walk& k : walks) {
    SCOPED_TRACE(k.window);
    std::unique_ptr<sim_window> plain = open_window(k.window), ran = open_window(k.window);
    take(*plain, k);
    ran->press("run");
    const std::string first = ran->result_file_text();
    ran->press("run");
    EXPECT_EQ(ran->result_file_text(), first);
    take(*ran, k);
    EXPECT_EQ(solved_at_0(*ran), solved_at_0(*plain));
  }
  // The arm stays on its shoulder, not flipped to the end of the Run.
  std::unique_ptr<sim_window> w = open_window("form_6r_gyaku");
  w->press("run");
  w->set_slider("HScroll2(0)", 29);
  w->press("run");
  EXPECT_NEAR(deg(w->logic().arrays.find("the1")->state(0).x), -45.96, 0.01);
}

// A study saved after each walk reopens on the walk's branch: its Run is the saved window's to
// the byte. A study without a start pose (an older one) still opens; a wrong one is refused.
TEST(run_record, a_study_keeps_the_branch_of_its_walk) {
  for (const walk& k : walks) {
    SCOPED_TRACE(k.window);
    std::unique_ptr<sim_window> saved = open_window(k.window);
    take(*saved, k);
    saved->press("run");
    const std::string document = study_document(*saved);
    ASSERT_NE(document.find("\"start_pose\""), std::string::npos);

    std::unique_ptr<sim_window> opened = open_window(k.window);
    open_study(parse_study(document, "walk.kinelab"), *opened);
    opened->press("run");
    EXPECT_EQ(opened->result_file_text(), saved->result_file_text());

    const std::string older = document.substr(0, document.find(",\n  \"start_pose\"")) + "\n}\n";
    std::unique_ptr<sim_window> old = open_window(k.window);
    EXPECT_NO_THROW(open_study(parse_study(older, "old.kinelab"), *old));
    if (&k == &walks[0]) {  // the walk's premise: it ends on another branch than a fresh window
      old->press("run");
      EXPECT_NE(old->result_file_text(), saved->result_file_text());
    }
  }
  std::unique_ptr<sim_window> w = open_window("form_3r_gyaku");
  const std::string document = study_document(*w);
  const std::size_t values = document.find("\"values\": [") + 11;
  for (const char* bad : {"1.0, ", "\"a\", "}) {
    std::unique_ptr<sim_window> o = open_window("form_3r_gyaku");
    const std::string text = document.substr(0, values) + bad + document.substr(values);
    EXPECT_THROW(open_study(parse_study(text, "bad.kinelab"), *o), study_error) << bad;
  }
}

// The 6R arm stretched straight up passes near its singularities: exactly the steps whose
// condition number exceeds 10⁶ are flagged, in the dump after the solver's columns, and the
// status line names the largest rate among them in the window's language.
TEST(run_record, near_singular_steps_are_flagged_and_said) {
  for (const ui_language lang : {ui_language::english, ui_language::japanese}) {
    std::unique_ptr<sim_window> w = open_window("form_6r_gyaku");
    w->language = lang;
    for (const auto& [address, value] :
         {std::pair{"HScroll2(0)", 0}, {"HScroll2(1)", 0}, {"HScroll2(2)", 100}})
      w->set_slider(address, value);
    w->press("run");
    const std::vector<double>& flags = w->near_singular_steps();
    const std::vector<double>& condition = w->singularity().condition;
    ASSERT_EQ(flags.size(), condition.size());
    int flagged = 0;
    for (std::size_t i = 0; i < flags.size(); ++i) {
      EXPECT_EQ(flags[i], condition[i] > 1e6 ? 1 : 0) << i;
      flagged += flags[i] != 0;
    }
    // Out of reach the arm stays stretched, where its rates have no bound.
    EXPECT_EQ(flagged, 28);
    // The figure itself is rounding at the singularity: the joint as the window shows it, the
    // rate's unit and its step are said.
    EXPECT_NE(w->status.find(lang == ui_language::english
                                 ? "rates near a singularity: the3(deg) up to "
                                 : "特異点の近くの速度: the3(deg) がステップ 16 で最大 "),
              std::string::npos)
        << w->status;
    const std::string unit = lang == ui_language::english ? " deg/s at step 16" : " deg/s";
    EXPECT_NE(w->status.find(unit), std::string::npos) << w->status;
    const std::string csv = window_csv(*w);
    EXPECT_NE(csv.find(",nr_minimum_norm_rates,nr_near_singular,sigma_min,"), std::string::npos);
  }
  // A window that solves in closed form has no such column.
  std::unique_ptr<sim_window> w = open_window("form_3r_jun");
  w->press("run");
  EXPECT_EQ(window_csv(*w).find("nr_near_singular"), std::string::npos);
}

// A branch jump is named as the window shows its variable: a joint with its unit, a coordinate
// by its caption, a posture by its three angles; an angle's change in the window's degrees.
TEST(run_record, branch_jumps_are_named_as_the_window_shows_them) {
  const struct {
    const char* window;
    ui_language lang;
    branch_jump jump;
    const char* expected;
  } cases[] = {
      {"form_6r_gyaku",
       ui_language::english,
       {12, "the1", pi - 0.05, true, false, "the1", 'x'},
       "the solution jumped at step 12: the1(deg) by 177.1° (the solver moved to another elbow "
       "or wrist configuration)"},
      {"form_stewart_jun",
       ui_language::japanese,
       {8, "sp", 2, true, false, "sp", 'x'},
       "ステップ 8 で解が跳びました: α(deg)/β(deg)/γ(deg) が 114.6°（別の組立モードに移りました）"},
      {"form_stewart_jun",
       ui_language::english,
       {9, "pp.x", 0.21, false, true, "pp", 'x'},
       "the solve diverged at step 9: Px by 0.21 (the steps around it did not reach the "
       "tolerance)"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<sim_window> w = open_window(c.window);
    w->language = c.lang;
    EXPECT_EQ(w->summarize_jumps({c.jump}), c.expected) << c.window;
  }
}

}  // namespace
}  // namespace kinelab

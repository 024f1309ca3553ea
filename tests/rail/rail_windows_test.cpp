// The dravik and selvo windows: their defaults, the dravik coupling and disabled controls,
// unreachable poses, the stored rates along a run, and kinelab-cli end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/window/settings.h"
#include "app/window/sim_window.h"
#include "mechanisms/rail/rail_window.h"
#include "support/figures.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"
#include "support/trajectory_check.h"

namespace kinelab {
namespace {

using test::array_of;
using test::lines_of;
using test::rows_are_finite;
using test::slurp;

using test::kSixDigits;

const double sliders_at_015[] = {0.320693, 0.420693, -0.438231, -0.438231, 0.420693, 0.320693};
const double sliders_at_025[] = {0.250687, 0.350687, -0.372764, -0.372764, 0.350687, 0.250687};

class rail_window_test : public ::testing::Test {
 protected:
  test::temp_working_dir dir_;
};

TEST_F(rail_window_test, inverse_windows_show_the_sliders_at_start_and_stop) {
  for (const window_decl* d : {&form_drav_gyaku(), &form_selvo_gyaku()}) {
    sim_window w(*d);
    w.open();
    for (int k = 0; k < 6; ++k)
      EXPECT_NEAR(w.ctl.number("Text4", k), sliders_at_015[k], kSixDigits) << d->name << " " << k;
    w.ctl.set_text("Text9", 2, "0.3");  // the start pose comes from the sliders all the same
    w.press("run");
    EXPECT_EQ(w.status, "");
    const int N = w.N();
    EXPECT_EQ(array_of(w, "pp")[0].z, 0.15) << d->name;
    for (int k = 1; k <= 6; ++k) {
      const auto& bx = array_of(w, "bx" + std::to_string(k));
      EXPECT_NEAR(bx[N].x, sliders_at_025[k - 1], kSixDigits) << d->name << " leg " << k;
      // The quintic profile starts and ends at rest.
      for (int i : {0, N})
        EXPECT_TRUE(bx[i].dx == 0 && bx[i].ddx == 0) << d->name << " leg " << k << " step " << i;
    }
    const auto lines = lines_of(slurp("result.dat"));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(N + 2)) << d->name;
  }
}

TEST_F(rail_window_test, forward_windows_open_after_one_correction_and_run_to_the_stop_pose) {
  for (const window_decl* d : {&form_drav_jun(), &form_selvo_jun()}) {
    sim_window w(*d);
    w.open();
    const char* targets[] = {"0.25", "0.35", "-0.37", "-0.37", "0.35", "0.25"};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(w.ctl.text("Text9", k), targets[k]) << d->name;
    EXPECT_EQ(w.logic().arrays.solver_record()[0].iterations, 1) << d->name;
    EXPECT_NEAR(w.ctl.number("Text4", 0), 0.00111, 5e-6) << d->name;
    EXPECT_NEAR(w.ctl.number("Text4", 2), 0.25180, 5e-6) << d->name;
    for (int k : {1, 3, 4, 5}) EXPECT_NEAR(w.ctl.number("Text4", k), 0, 1e-9) << d->name << k;

    w.press("run");
    EXPECT_EQ(w.status, "") << d->name;  // every step converged
    const auto& record = w.logic().arrays.solver_record();
    EXPECT_EQ(record[0].iterations, 0) << d->name << ": the run starts at the static pose";
    const int N = w.N();
    const kin_state end = array_of(w, "pp")[N];
    // The last step stops once its slider residual is below 0.001, a few 1e-4 off the exact
    // pose along z.
    EXPECT_NEAR(end.x, -0.00301, 2e-4) << d->name;
    EXPECT_NEAR(end.z, 0.31927, 2e-4) << d->name;
    for (int i : {0, N}) {
      const kin_state p = array_of(w, "pp")[i];
      const kin_state s = array_of(w, "sp")[i];
      for (double v : {p.dx, p.ddx, p.dz, p.ddz, s.dy, s.ddy})
        EXPECT_NEAR(v, 0, 1e-12) << d->name << " step " << i;
    }
  }
}

TEST_F(rail_window_test, dravik_and_selvo_differ_in_controls_graphs_and_columns) {
  struct {
    const window_decl* decl;
    std::vector<std::string> disabled;  // every other text field and slider is enabled
    std::vector<std::string> graphs;
    std::string header;
  } cases[] = {
      {&form_drav_gyaku(),
       {"Text10(3)", "Text10(4)", "Text10(5)", "HScroll1(3)", "HScroll1(4)", "HScroll1(5)"},
       {"bx1 dbx1 ddbx1", "bx3 dbx3 ddbx3", "bx5 dbx5 ddbx5", "x  dx ddx", "y  dy ddy",
        "z  dz ddz"},
       "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx3(i), bx5(i)"},
      {&form_selvo_gyaku(),
       {},
       {"bx1 dbx1 ddbx1", "bx2 dbx2 ddbx2", "bx3 dbx3 ddbx3", "bx4 dbx4 ddbx4", "bx5 dbx5 ddbx5",
        "bx6 dbx6 ddbx6", "x  dx ddx", "y  dy ddy", "z  dz ddz", "α  dα ddα", "β  dβ ddβ",
        "γ  dγ ddγ"},
       "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx2(i), bx3(i), bx4(i), bx5(i), bx6(i)"},
      {&form_drav_jun(),
       {"HScroll1(1)", "HScroll1(3)", "HScroll1(5)"},
       {"x  dx ddx", "y  dy ddy", "z  dz ddz", "bx1 dbx1 ddbx1", "bx3 dbx3 ddbx3",
        "bx5 dbx5 ddbx5"},
       "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx3(i), bx5(i)"},
      {&form_selvo_jun(),
       {},
       {"x  dx ddx", "y  dy ddy", "z  dz ddz", "α  dα ddα", "β  dβ ddβ", "γ  dγ ddγ",
        "bx1 dbx1 ddbx1", "bx2 dbx2 ddbx2", "bx3 dbx3 ddbx3", "bx4 dbx4 ddbx4", "bx5 dbx5 ddbx5",
        "bx6 dbx6 ddbx6"},
       "i, pp(i).x, pp(i).y, pp(i).z, bx1(i), bx2(i), bx3(i), bx4(i), bx5(i), bx6(i)"},
  };
  for (const auto& c : cases) {
    const controls& ctl = c.decl->initial;
    std::vector<std::string> disabled;
    for (const text_group& g : ctl.texts)
      for (std::size_t i = 0; i < g.fields.size(); ++i)
        if (!g.fields[i].enabled) disabled.push_back(g.name + "(" + std::to_string(i) + ")");
    for (const slider_group& g : ctl.sliders)
      for (std::size_t i = 0; i < g.sliders.size(); ++i)
        if (!g.sliders[i].enabled) disabled.push_back(g.name + "(" + std::to_string(i) + ")");
    EXPECT_EQ(disabled, c.disabled) << c.decl->name;

    std::vector<std::string> graphs;
    for (const graph_decl& g : c.decl->graphs) graphs.push_back(g.caption);
    EXPECT_EQ(graphs, c.graphs) << c.decl->name;

    sim_window w(*c.decl);
    w.open();
    w.press("run");
    EXPECT_EQ(lines_of(slurp("result.dat")).at(0), c.header) << c.decl->name;
  }
}

TEST_F(rail_window_test, dravik_places_each_second_slider_at_its_pair_offset) {
  sim_window w(form_drav_jun());
  w.open();
  struct {
    int slider, value, field, pair_field;
    double offset;
  } pairs[] = {{0, 30, 0, 1, 0.1}, {2, -20, 2, 3, 0}, {4, 20, 4, 5, -0.1}};
  for (const auto& p : pairs) {
    w.set_slider("HScroll1", p.slider, p.value);
    EXPECT_EQ(w.ctl.number("Text9", p.field), p.value / 100.0) << "HScroll1(" << p.slider << ")";
    EXPECT_EQ(w.ctl.number("Text9", p.pair_field), w.ctl.number("Text9", p.field) + p.offset)
        << "Text9(" << p.pair_field << ")";
  }
}

TEST_F(rail_window_test, an_unreachable_pose_is_reported_and_only_finite_numbers_are_stored) {
  // Raised to z = 0.4 the rods no longer reach their rails: legs 1, 2, 5, 6 above
  // z = √(0.37² − 0.1075²) ≈ 0.354, legs 3 and 4 above 0.37; steps 35..50 of the quintic lift.
  sim_window inverse(form_selvo_gyaku());
  inverse.open();
  inverse.ctl.set_text("Text10", 2, "0.4");
  inverse.press("run");
  EXPECT_EQ(inverse.status,
            "unreachable at 16 of 51 steps (legs 1, 2, 3, 4, 5, 6; first: step 35)");
  EXPECT_FALSE(inverse.status_is_error);
  EXPECT_TRUE(rows_are_finite(slurp("result.dat")));
  const std::string csv = inverse.logic().arrays.csv();
  EXPECT_EQ(csv.find("nan"), std::string::npos);
  EXPECT_EQ(csv.find("inf"), std::string::npos);

  // Rods of 0.1 reach no rail from the start pose.
  inverse.ctl.set_text("Text6", 0, "0.1");
  inverse.slider_changed("HScroll1", 0);
  EXPECT_EQ(inverse.status, "the static pose is unreachable (legs 1, 2, 3, 4, 5, 6)");

  // Sliders 1 and 2 pulled far beyond the others: the forward solves shorten the corrections
  // that would take a rod off its rail, every stored pose is one the rods reach, and the run
  // says which steps did not converge.
  sim_window forward(form_selvo_jun());
  forward.open();
  forward.ctl.set_text("Text10", 0, "0.9");
  forward.ctl.set_text("Text10", 1, "1.0");
  forward.press("run");
  EXPECT_EQ(forward.status.rfind("33 of 51 steps did not reach the tolerance", 0), 0u)
      << forward.status;
  EXPECT_NE(forward.status.find("(first: step 18"), std::string::npos) << forward.status;
  const rail_geometry g = default_rail_geometry();  // the window's default table
  const auto& pp = array_of(forward, "pp");
  const auto& sp = array_of(forward, "sp");
  for (std::size_t i = 0; i < pp.size(); ++i)
    EXPECT_EQ(rail_inverse(g, pp[i], sp[i]).unreachable, 0u) << "step " << i;
  EXPECT_FALSE(forward.status_is_error);
  EXPECT_TRUE(rows_are_finite(slurp("result.dat")));
  const std::string forward_csv = forward.logic().arrays.csv();
  EXPECT_EQ(forward_csv.find("nan"), std::string::npos);
  EXPECT_EQ(forward_csv.find("inf"), std::string::npos);
}

TEST_F(rail_window_test, stored_rates_match_differences_of_values) {
  // Stops that move every pose coordinate (and, in the forward windows, break the pair
  // offsets so that the platform tilts); each window under a different profile. The forward
  // solves must be tight: a position error δ shows as δ·N/T in the differenced rate.
  const struct {
    std::string window;
    std::vector<std::string> sets;
  } cases[] = {
      {"form_drav_gyaku", {"Text10(0)=0.05", "Text10(1)=-0.03", "Text10(2)=0.25", "Option1=0"}},
      {"form_selvo_gyaku",
       {"Text10(0)=0.05", "Text10(1)=-0.03", "Text10(2)=0.25", "Text10(3)=10", "Text10(4)=-8",
        "Text10(5)=12", "Option1=1"}},
      {"form_drav_jun",
       {"Text7=1e-12", "Text10(0)=0.17", "Text10(1)=0.26", "Text10(2)=-0.31", "Text10(3)=-0.33",
        "Text10(4)=0.24", "Text10(5)=0.12", "Option1=2"}},
      {"form_selvo_jun",
       {"Text7=1e-12", "Text10(0)=0.2", "Text10(1)=0.28", "Text10(2)=-0.33", "Text10(3)=-0.3",
        "Text10(4)=0.27", "Text10(5)=0.13", "Option1=0"}},
  };
  for (const auto& c : cases)
    for (const auto& m : test::run_and_check_derivatives(c.window, c.sets))
      ADD_FAILURE() << c.window << ": " << m;
}

TEST_F(rail_window_test, kinelab_cli_runs_the_windows_end_to_end) {
  struct {
    std::string args;
    std::string last_row_start;  // i, pp.x, pp.y, pp.z in print zones
    std::vector<double> last_sliders;
  } cases[] = {
      {"form_drav_gyaku --press run",
       " 50            0             0             0.25 ",
       {sliders_at_025[0], sliders_at_025[2], sliders_at_025[4]}},
      {"form_selvo_gyaku --N 10 --press run",
       " 10            0             0             0.25 ",
       {sliders_at_025, sliders_at_025 + 6}},
  };
  for (const auto& c : cases) {
    const std::string cmd = std::string(KINELAB_CLI_PATH) + " " + c.args + " >out.txt 2>err.txt";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << c.args << "\n" << slurp("err.txt");
    const auto lines = lines_of(slurp("result.dat"));
    ASSERT_FALSE(lines.empty()) << c.args;
    const std::string& last = lines.back();
    EXPECT_EQ(last.rfind(c.last_row_start, 0), 0u) << last;
    std::istringstream items(last);
    double v = 0;
    for (int skip = 0; skip < 4; ++skip) items >> v;
    for (double expected : c.last_sliders) {
      ASSERT_TRUE(items >> v) << last;
      EXPECT_NEAR(v, expected, kSixDigits) << c.args;
    }
  }
}

}  // namespace
}  // namespace kinelab

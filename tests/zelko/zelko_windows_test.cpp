// The two zelko windows: their static poses, the working twists they carry from one solve to
// the next, the stored rates along a run, and their result files through kinelab-cli.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/run/derivative_check.h"
#include "app/window/sim_window.h"
#include "core/angles.h"
#include "draw/graphs.h"
#include "draw/recording_surface.h"
#include "mechanisms/zelko/zelko_forms.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"
#include "support/trajectory_check.h"

namespace kinelab {
namespace {

using test::lines_of;
using test::slurp;

constexpr double figure_tolerance = 5e-7;  // stated figures carry six decimals

class zelko_window : public ::testing::Test {
 protected:
  test::temp_working_dir dir_;
};

double shown(const sim_window& w, int k) {
  return std::stod(w.ctl.text("Text11", k));
}

TEST_F(zelko_window, forward_window_opens_bent_and_shows_pp3) {
  sim_window w(Form_zelko_jun());
  w.open();
  const char* start[] = {"0", "0", "0", "45"};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(w.ctl.text("Text9", k), start[k]) << "Text9(" << k << ")";
  const double pp3_and_posture[] = {0.024645, 0, 0.444497, 0, 45, 0};
  for (int k = 0; k < 6; ++k)
    EXPECT_NEAR(shown(w, k), pp3_and_posture[k], figure_tolerance) << "Text11(" << k << ")";
  const kin_state& pp4 = w.logic().arrays.find("pp4")->at[0];
  EXPECT_NEAR(pp4.x, 0.296881, figure_tolerance);
  EXPECT_NEAR(pp4.z, 0.716734, figure_tolerance);
}

TEST_F(zelko_window, inverse_window_opens_at_the_stated_solution) {
  sim_window w(Form_zelko_gyaku());
  w.open();
  EXPECT_EQ(w.status, "");
  const char* start[] = {"0", "0", "0.7", "0", "0", "0"};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(w.ctl.text("Text9", k), start[k]) << "Text9(" << k << ")";
  // The stated angles carry two decimals; the solve stops within 0.001.
  const double joints[] = {0, -37.47, 0, 74.94, 0, -37.47};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(shown(w, k), joints[k], 0.01) << "Text11(" << k << ")";
}

TEST_F(zelko_window, inverse_window_runs_again_from_its_pose_at_rest) {
  sim_window w(Form_zelko_gyaku());
  w.open();
  // Step 0 of the first Run has the static pose's goal and starts from its solution.
  w.press("run");
  const auto& record = w.logic().arrays.solver_record();
  EXPECT_EQ(record[0].iterations, 0);
  EXPECT_EQ(record[0].status, nr_status::converged);
  const std::string first = w.result_file_text();
  // The next Run starts there too, not from the last step's solution far from its first goal.
  w.press("run");
  EXPECT_EQ(record[0].iterations, 0);
  EXPECT_EQ(w.result_file_text(), first);
}

TEST(zelko_windows, forward_rates_match_differences_of_values) {
  test::temp_working_dir dir;
  for (int option : {0, 1, 2})
    for (const auto& m : test::run_and_check_derivatives(
             "Form_zelko_jun", {"Text10(0)=20", "Text10(1)=-15", "Text10(2)=25", "Text10(3)=80",
                                "Option1=" + std::to_string(option)}))
      ADD_FAILURE() << "profile " << option << ": " << m;
}

TEST_F(zelko_window, inverse_rates_match_differences_of_values) {
  // The inverse window's rates come from the Jacobian taken before the last correction, off
  // by that correction's size, and its values are only as smooth as its tolerance. Tolerance 0
  // makes every solve take all ten corrections, the last of rounding size; the static pose
  // solves so too, since step 0 starts from its solution. The start lies off the limb's plane
  // of symmetry: there the Jacobian has entries of rounding size that the elimination, which
  // takes any non-zero pivot, may divide by.
  for (int option : {0, 1, 2}) {
    sim_window w(Form_zelko_gyaku(), {.N = test::check_divisions});
    w.open();
    w.ctl.set_text("Text13", 0, "0");
    w.select_option(option);
    const int start[] = {1, -1, 7, 1, -1, 2};  // (0.1, −0.1, 0.7), (5°, −5°, 10°)
    for (int k = 0; k < 6; ++k) w.ctl.slider_at("HScroll1", k).value = start[k];
    w.slider_changed("HScroll1", 0);
    w.ctl.set_text("Text10", 5, "25");  // every pose coordinate moves
    w.press("run");
    ASSERT_FALSE(w.status_is_error) << w.status;
    for (const auto& m :
         test::check_trajectory_derivatives(w.logic().arrays, w.T(), test::check_tolerance))
      ADD_FAILURE() << "profile " << option << ": " << m.column << " at step " << m.step
                    << ": analytic " << m.analytic << ", difference " << m.numeric;
  }
}

// The lowest and highest y the thick lines of each curve colour reach on a graph page.
struct curve_extent {
  std::size_t lines = 0;
  double top = INFINITY, bottom = -INFINITY;
};
std::map<int, curve_extent> curve_extents(const recording_surface& sf) {
  std::map<int, curve_extent> out;
  for (const draw_op& op : sf.ops()) {
    if (op.what != draw_op::kind::line || op.width != 2) continue;
    curve_extent& e = out[op.colour];
    ++e.lines;
    e.top = std::min({e.top, op.y1, op.y2});
    e.bottom = std::max({e.bottom, op.y1, op.y2});
  }
  return out;
}

// At 20 steps to a pixel column the value, rate and acceleration curves of the first graph
// page are drawn as their envelopes: a few lines a column, spanning exactly what every step
// spans.
TEST_F(zelko_window, dense_graph_page_spans_every_steps_range) {
  const int N = 10000;
  sim_window w(Form_zelko_gyaku(), {.N = N});
  w.open();
  w.press("run");
  ASSERT_FALSE(w.status_is_error) << w.status;
  w.press("next");
  const recording_surface& sf = *w.picture();
  std::map<int, curve_extent> drawn = curve_extents(sf);

  const graph_decl& g = w.decl().graphs[0];
  const quantity_check q =
      check_quantity(*w.logic().arrays.find(g.array), g.component, w.T(), w.draw_size);
  const std::vector<double>* curves[] = {&q.value, &q.rate, &q.accel};
  const double axis = sf.ScaleHeight() / 2, F = 0.42 * sf.ScaleHeight();
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE("curve " + std::to_string(c));
    const std::vector<double>& v = *curves[c];
    ASSERT_EQ(v.size(), static_cast<std::size_t>(N) + 1);
    double M = 0, unit = 0;
    graph_scale(N, v, M, unit);
    const auto [low, high] = std::minmax_element(v.begin(), v.end());
    const curve_extent& e = drawn[graph_colour[c]];
    EXPECT_LE(e.lines, 4u * 481);
    EXPECT_GT(e.bottom - e.top, 10) << "a curve spanning less than 10 mm";
    EXPECT_NEAR(e.top, axis - F / M * *high, 1e-9);
    EXPECT_NEAR(e.bottom, axis - F / M * *low, 1e-9);
  }
}

std::vector<double> numbers_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> v;
  for (double x; in >> x;) v.push_back(x);
  return v;
}

TEST(zelko_cli, result_files_have_four_header_lines_and_sixteen_values_a_step) {
  test::temp_working_dir dir;
  const std::string upper = "deg(hineri(3,i).x),deg(hineri(3,i).y),deg(hineri(3,i).z)";
  struct expectation {
    const char* window;
    std::string last_header;
    bool straightens;
  };
  const expectation windows[] = {{"Form_zelko_jun", upper + ",", true},
                                 {"Form_zelko_gyaku", upper, false}};
  for (const expectation& e : windows) {
    const std::string cmd = std::string(KINELAB_CLI_PATH) + " " + e.window +
                            " --N 10 --press run --print status >out.txt 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << slurp("out.txt");
    EXPECT_EQ(slurp("out.txt"), "\n") << e.window << ": every step converges";
    const auto lines = lines_of(slurp("result.dat"));
    ASSERT_EQ(lines.size(), 15u) << e.window;  // four header lines and steps 0..10
    EXPECT_EQ(lines[0],
              "i, pp(4,i).x, pp(4,i).y, pp(4,i).z, deg(shisei(i).x), deg(shisei(i).y), "
              "deg(shisei(i).z),");
    EXPECT_EQ(lines[1], "deg(hineri(1,i).x),deg(hineri(1,i).y),deg(hineri(1,i).z),");
    EXPECT_EQ(lines[2], "deg(hineri(2,i).x),deg(hineri(2,i).y),deg(hineri(2,i).z),");
    EXPECT_EQ(lines[3], e.last_header) << e.window;
    for (std::size_t l = 4; l < lines.size(); ++l)
      EXPECT_EQ(numbers_of(lines[l]).size(), 16u) << e.window << ", line " << l;
    if (!e.straightens) continue;
    // The forward window's default stops straighten the limb: pp4 at 2·d + Hz1 − Hz3.
    const auto last = numbers_of(lines.back());
    const double straight[] = {10, 0, 0, 0.79, 0, 0, 0};
    for (std::size_t k = 0; k < 7 && k < last.size(); ++k)
      EXPECT_NEAR(last[k], straight[k], 1e-12) << "item " << k;
  }
}

}  // namespace
}  // namespace kinelab

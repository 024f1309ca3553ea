// The workspace atlas against the windows it is drawn for: the same actuator values as the
// window's own Run at a cell's pose, the limits, the singularity locus against a direct rank
// check, an atlas for every family, and the CSV read back.
#include "app/atlas/atlas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

#include "app/atlas/atlas_picture.h"
#include "app/service/atlas_export.h"
#include "app/window/sim_window.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "draw/recording_surface.h"
#include "mechanisms/registry.h"
#include "mechanisms/stewart/stewart_kinematics.h"
#include "support/atlas_window.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

// Actuator values from one closed form evaluated two ways (cell centre vs. the pose the Run
// reaches through the stop fields' text, which holds 15 significant digits).
constexpr double same_value = 1e-12;

using test::open_window;
using test::source_of;

double value_at(const sim_window& w, const solved_variable& v, int step) {
  const kin_state s = w.logic().arrays.find(v.array)->state(static_cast<std::size_t>(step));
  return v.component == 'y' ? s.y : v.component == 'z' ? s.z : s.x;
}

// A platform window whose Run solves the closed-form inverse from its stop fields: the pose
// variables in the order of the stop fields, angles in degrees there.
struct inverse_case {
  const char* window;
  atlas_mode mode;
  int first_stop;  // the stop field of the atlas's first pose variable
};

class atlas_inverse : public ::testing::TestWithParam<inverse_case> {};

// Random reachable cells: the window's own Run, stopped at the cell's pose, gives the actuator
// values the atlas found there.
TEST_P(atlas_inverse, reachable_cells_match_the_windows_run) {
  test::temp_working_dir dir;
  const inverse_case c = GetParam();
  open_window atlas_window(c.window);
  const atlas_source src = source_of(atlas_window.w);
  atlas_request r;
  r.mode = c.mode;
  r.cells = 30;
  const atlas_result a = compute_atlas(src, r);
  ASSERT_TRUE(a.grid) << a.problem;
  const atlas_grid& g = *a.grid;
  std::vector<std::size_t> reachable;
  for (std::size_t k = 0; k < g.state.size(); ++k)
    if (g.state[k] == cell_state::reachable) reachable.push_back(k);
  ASSERT_GE(reachable.size(), 10u);

  std::mt19937 random(19);
  for (int trial = 0; trial < 5; ++trial) {
    const std::size_t cell = reachable[random() % reachable.size()];
    const int i = static_cast<int>(cell % static_cast<std::size_t>(g.nu));
    const int j = static_cast<int>(cell / static_cast<std::size_t>(g.nu));
    // The pose as the stop fields will hold it.
    std::vector<double> pose = src.pose;
    const double posture_scale = 180 / pi;
    open_window run(c.window);
    for (std::size_t k = 0; k < pose.size(); ++k) {
      const bool angle = src.mechanism.pose[k].angle;
      run.w.ctl.set_number("Text10", c.first_stop + static_cast<int>(k),
                           angle ? pose[k] * posture_scale : pose[k]);
    }
    const double u = g.u_at(i), v = g.v_at(j);
    const int base = c.mode == atlas_mode::posture && src.mechanism.position_free() ? 3 : 0;
    const int axis_u = base + 0, axis_v = base + 1;  // the xy plane
    run.w.ctl.set_number("Text10", c.first_stop + axis_u, u);
    run.w.ctl.set_number("Text10", c.first_stop + axis_v, v);
    ASSERT_TRUE(run.w.compute_trajectory()) << run.w.status;
    const double u_typed = *parse_number(run.w.ctl.text("Text10", c.first_stop + axis_u));
    const double v_typed = *parse_number(run.w.ctl.text("Text10", c.first_stop + axis_v));
    const double w_typed = *parse_number(run.w.ctl.text("Text10", c.first_stop + base + 2));
    const atlas_cell at =
        evaluate_platform_cell(src, c.mode, g.plane, g.limits, u_typed, v_typed, w_typed);
    ASSERT_EQ(at.state, cell_state::reachable) << "cell " << i << ", " << j;
    const int N = run.w.N();
    for (std::size_t k = 0; k < at.actuators.size(); ++k)
      EXPECT_NEAR(at.actuators[k], value_at(run.w, src.mechanism.actuators[k], N), same_value)
          << c.window << " " << src.actuator_names[k] << " at cell " << i << ", " << j;
  }
}

INSTANTIATE_TEST_SUITE_P(
    platforms, atlas_inverse,
    ::testing::Values(inverse_case{"form_stewart_gyaku", atlas_mode::position, 0},
                      inverse_case{"form_stewart_gyaku", atlas_mode::posture, 0},
                      inverse_case{"form_selvo_gyaku", atlas_mode::position, 0},
                      inverse_case{"form_orvak1_gyaku", atlas_mode::posture, 0}));

// A sampled mechanism's output point is the window's: the forward Run stopped at the joints.
TEST(atlas, sampled_output_point_is_the_windows) {
  test::temp_working_dir dir;
  for (const char* name : {"form_3r_jun", "form_6r_jun"}) {
    open_window win(name);
    const atlas_source src = source_of(win.w);
    const std::vector<double> degrees = {12.5, -31, 47, 5, -60, 90};
    std::vector<double> q;
    for (std::size_t k = 0; k < src.mechanism.pose.size(); ++k) {
      win.w.ctl.set_number("Text2", 2 * static_cast<int>(k) + 1, degrees[k]);
      q.push_back(rad(degrees[k]));
    }
    ASSERT_TRUE(win.w.compute_trajectory()) << win.w.status;
    double p[3];
    ASSERT_TRUE(src.mechanism.forward(q.data(), p));
    const kin_state& P = win.w.logic().output_path()->back();
    EXPECT_NEAR(p[0], P.x, same_value) << name;
    EXPECT_NEAR(p[1], P.y, same_value) << name;
    EXPECT_NEAR(p[2], P.z, same_value) << name;
  }
}

// A cell whose largest actuator value stands exactly at its upper limit is reachable; one ulp
// less of limit and it is not.
TEST(atlas, a_cell_just_outside_a_limit_is_unreachable) {
  test::temp_working_dir dir;
  open_window win("form_stewart_gyaku");
  const atlas_source src = source_of(win.w);
  const atlas_cell at = evaluate_platform_cell(src, atlas_mode::position, atlas_plane::xy,
                                               src.default_limits, 0.1, -0.05, 2);
  ASSERT_EQ(at.state, cell_state::reachable);
  for (std::size_t k = 0; k < at.actuators.size(); ++k) {
    std::vector<atlas_limit> limits = src.default_limits;
    limits[k].hi = at.actuators[k];
    EXPECT_EQ(
        evaluate_platform_cell(src, atlas_mode::position, atlas_plane::xy, limits, 0.1, -0.05, 2)
            .state,
        cell_state::reachable);
    limits[k].hi = std::nextafter(at.actuators[k], 0.0);
    EXPECT_EQ(
        evaluate_platform_cell(src, atlas_mode::position, atlas_plane::xy, limits, 0.1, -0.05, 2)
            .state,
        cell_state::outside_limits)
        << src.actuator_names[k];
    limits[k] = {std::nextafter(at.actuators[k], 10.0), 10};
    EXPECT_EQ(
        evaluate_platform_cell(src, atlas_mode::position, atlas_plane::xy, limits, 0.1, -0.05, 2)
            .state,
        cell_state::outside_limits)
        << src.actuator_names[k];
  }
}

// Rank of a 6×6 matrix by Gaussian elimination with full pivoting: pivots below `tolerance`
// times the largest entry count as zero.
int rank_of(mat<6> A, double tolerance) {
  double largest = 0;
  for (int r = 1; r <= 6; ++r)
    for (int c = 1; c <= 6; ++c) largest = std::max(largest, std::fabs(A(r, c)));
  int rank = 0;
  bool used_row[7] = {}, used_col[7] = {};
  for (int step = 0; step < 6; ++step) {
    int pr = 0, pc = 0;
    double best = 0;
    for (int r = 1; r <= 6; ++r)
      for (int c = 1; c <= 6; ++c)
        if (!used_row[r] && !used_col[c] && std::fabs(A(r, c)) > best)
          best = std::fabs(A(r, c)), pr = r, pc = c;
    if (best <= tolerance * largest) break;
    used_row[pr] = used_col[pc] = true;
    ++rank;
    for (int r = 1; r <= 6; ++r) {
      if (used_row[r]) continue;
      const double f = A(r, pc) / A(pr, pc);
      for (int c = 1; c <= 6; ++c) A(r, c) -= f * A(pr, c);
    }
  }
  return rank;
}

// The default Stewart platform: the centre column is reachable over the Run's heights, and in
// the xz slice through it σmin vanishes exactly where J loses rank: at z = 0, where every leg
// lies in the base plane and no leg length changes with z.
TEST(atlas, stewart_centre_column_and_singularity_locus) {
  test::temp_working_dir dir;
  open_window win("form_stewart_gyaku");
  const atlas_source src = source_of(win.w);
  for (double z : {1.5, 2.0, 2.5, 3.0})
    EXPECT_EQ(evaluate_platform_cell(src, atlas_mode::position, atlas_plane::xy, src.default_limits,
                                     0, 0, z)
                  .state,
              cell_state::reachable)
        << "z = " << z;

  atlas_request r;
  r.plane = atlas_plane::xz;
  r.offset = 0;
  r.cells = 21;
  // Cells 0.125 wide (exact in binary), centred on x = 0 and z = 0.
  r.u_range = atlas_range{-1.3125, 1.3125};
  r.v_range = atlas_range{-1.3125, 1.3125};
  r.limits.assign(stewart_leg_count, atlas_limit{0, 10});
  const atlas_result a = compute_atlas(src, r);
  ASSERT_TRUE(a.grid) << a.problem;
  const atlas_grid& g = *a.grid;
  ASSERT_EQ(g.v_at(10), 0.0);
  const stewart_geometry geometry = default_stewart_geometry();
  for (int j = 0; j < g.nv; ++j)
    for (int i = 0; i < g.nu; ++i) {
      const std::size_t c = g.index(i, j);
      ASSERT_EQ(g.state[c], cell_state::reachable) << i << ", " << j;
      kin_state position{g.u_at(i), 0, 0, 0, 0, 0, g.v_at(j), 0, 0}, posture{};
      mat<6> J;
      mat<6, 21> H;
      stewart_jacobian(geometry, position, posture, J, H);
      const bool deficient = rank_of(J, 1e-12) < 6;
      EXPECT_EQ(deficient, j == 10) << "x " << g.u_at(i) << ", z " << g.v_at(j);
      if (deficient) {
        EXPECT_LT(g.sigma_min[c], 1e-12) << "x " << g.u_at(i);
        EXPECT_TRUE(g.singular[c]);
      } else {
        EXPECT_GT(g.sigma_min[c], 1e-6) << "x " << g.u_at(i) << ", z " << g.v_at(j);
      }
    }
  // The picture draws every cell of the locus in red over the shades (and one red key).
  long long singular = 0;
  for (std::uint8_t flag : g.singular) singular += flag;
  recording_surface s;
  draw_atlas(s, src, g);
  long long red = 0;
  for (const draw_op& op : s.ops())
    red += op.what == draw_op::kind::rect && op.fill.r == 220 && op.fill.g == 20 && op.fill.b == 20;
  EXPECT_GE(singular, g.nu);
  EXPECT_EQ(red, singular + 1);
}

// The grid holds every part of the slice that a lattice over the whole range the limits allow
// finds reachable: a thin region far from the pose, tips the scan steps over, islands of a
// larger platform; and nothing is reachable only where that lattice finds nothing.
TEST(atlas, grid_holds_every_reachable_lattice_point) {
  test::temp_working_dir dir;
  struct slice_case {
    const char* window;
    std::vector<std::pair<std::string, std::pair<int, double>>> fields;
    atlas_plane plane;
    std::optional<double> offset;
    int cells;
    bool reachable;
  };
  const std::vector<std::pair<std::string, std::pair<int, double>>> larger_platform = {
      {"Text3", {0, 1.722}}, {"Text3", {1, -1.722}}, {"Text3", {2, -1.722}}, {"Text3", {5, 1.722}},
      {"Text6", {0, 1}},     {"Text6", {1, 1}},      {"Text6", {2, 1}},      {"Text6", {3, -2}},
      {"Text6", {4, -2}},    {"Text6", {5, 1}}};
  const slice_case cases[] = {
      {"form_stewart_gyaku", {}, atlas_plane::xy, 1.0, 100, true},
      {"form_stewart_gyaku", {}, atlas_plane::xy, 5.0, 40, false},
      {"form_stewart_gyaku", larger_platform, atlas_plane::xy, 1.0, 100, true},
      {"form_selvo_gyaku", {}, atlas_plane::xz, 0.163, 120, true},
      {"form_selvo_gyaku", {}, atlas_plane::xy, std::nullopt, 100, true},
      {"form_drav_jun", {}, atlas_plane::xy, std::nullopt, 100, true},
  };
  for (const slice_case& c : cases) {
    open_window win(c.window);
    for (const auto& [field, value] : c.fields)
      win.w.ctl.set_number(field, value.first, value.second);
    const atlas_source src = source_of(win.w);
    atlas_request r;
    r.plane = c.plane;
    r.offset = c.offset;
    r.cells = c.cells;
    const atlas_result a = compute_atlas(src, r);
    ASSERT_TRUE(a.grid) << a.problem;
    const atlas_grid& g = *a.grid;
    const double w = c.offset.value_or(g.w0);
    // The range the limits allow: twice the longest actuator about the pose, every way.
    double longest = 0;
    for (const atlas_limit& l : src.default_limits)
      longest = std::max({longest, std::fabs(l.lo), std::fabs(l.hi)});
    const int axis_u = c.plane == atlas_plane::yz ? 1 : 0;
    const int axis_v = c.plane == atlas_plane::xy ? 1 : 2;
    const double cu = src.pose[static_cast<std::size_t>(axis_u)];
    const double cv = src.pose[static_cast<std::size_t>(axis_v)];
    constexpr int lattice = 600;
    const double step = 4 * longest / lattice;
    long long found = 0;
    for (int j = 0; j < lattice; ++j)
      for (int i = 0; i < lattice; ++i) {
        const double u = cu - 2 * longest + (i + 0.5) * step;
        const double v = cv - 2 * longest + (j + 0.5) * step;
        if (evaluate_platform_cell(src, atlas_mode::position, c.plane, src.default_limits, u, v, w)
                .state != cell_state::reachable)
          continue;
        ++found;
        ASSERT_TRUE(u >= g.u0 && u <= g.u0 + g.nu * g.du && v >= g.v0 && v <= g.v0 + g.nv * g.dv)
            << c.window << " at " << to_string(c.plane) << " " << w << ": (" << u << ", " << v
            << ") outside the grid " << g.u0 << ".." << g.u0 + g.nu * g.du << " × " << g.v0 << ".."
            << g.v0 + g.nv * g.dv;
      }
    long long reachable = 0;
    for (cell_state s : g.state) reachable += s == cell_state::reachable;
    EXPECT_EQ(found > 0, c.reachable) << c.window << " at " << w;
    EXPECT_EQ(reachable > 0, c.reachable) << c.window << " at " << w;
  }
}

// Steps a Run did not reach hold placeholders: the dump marks them (guarded 2) and the
// default limits come from the steps that were reached.
TEST(atlas, default_limits_from_the_steps_reached) {
  test::temp_working_dir dir;
  open_window win("form_selvo_gyaku");
  win.w.ctl.set_number("Text10", 2, 0.45);
  const atlas_source src = source_of(win.w);
  const trajectory_arrays& arrays = win.w.logic().arrays;
  int unreached = 0;
  for (int i = 0; i <= arrays.N(); ++i) unreached += !arrays.reached(i);
  EXPECT_EQ(unreached, 21);
  EXPECT_FALSE(arrays.reached(30));
  EXPECT_TRUE(arrays.reached(29));
  for (std::size_t k = 0; k < src.mechanism.actuators.size(); ++k) {
    const solved_variable& v = src.mechanism.actuators[k];
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (int i = 0; i < 30; ++i)
      lo = std::min(lo, value_at(win.w, v, i)), hi = std::max(hi, value_at(win.w, v, i));
    const atlas_limit want = widened_limit(lo, hi, v.angle);
    EXPECT_EQ(src.default_limits[k].lo, want.lo) << src.actuator_names[k];
    EXPECT_EQ(src.default_limits[k].hi, want.hi) << src.actuator_names[k];
  }
  const std::string csv = arrays.csv();
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  for (int i = 0; std::getline(in, line); ++i)
    EXPECT_EQ(line.substr(line.rfind(',') + 1), i >= 30 ? "2" : "0") << "step " << i;
}

// Every simulation window has an atlas with reachable cells, finite figures and a picture.
TEST(atlas, every_window_family_has_an_atlas) {
  test::temp_working_dir dir;
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    open_window win(e.name);
    const atlas_source src = source_of(win.w);
    atlas_request r;
    r.cells = 24;
    r.samples = 40000;
    if (src.mechanism.kind == atlas_kind::platform && !src.mechanism.position_free())
      r.mode = atlas_mode::posture;
    const atlas_result a = compute_atlas(src, r);
    ASSERT_TRUE(a.grid) << e.name << ": " << a.problem;
    long long reachable = 0;
    for (std::size_t c = 0; c < a.grid->state.size(); ++c) {
      ASSERT_TRUE(std::isfinite(a.grid->sigma_min[c]) && std::isfinite(a.grid->condition[c]));
      reachable += a.grid->state[c] == cell_state::reachable;
    }
    EXPECT_GT(reachable, 0) << e.name;
    EXPECT_EQ(describe_atlas(*a.grid).rfind("reachable ", 0), 0u) << e.name;
    recording_surface s;
    draw_atlas(s, src, *a.grid);
    for (const draw_op& op : s.ops())
      ASSERT_TRUE(std::isfinite(op.x1) && std::isfinite(op.y1) && std::isfinite(op.x2) &&
                  std::isfinite(op.y2))
          << e.name;
  }
}

// Honest at the edges: limits that admit nothing say so, a grid beyond the cap and limits of
// the wrong count are refused, a posture-only platform asks for the posture atlas.
TEST(atlas, refusals_and_empty_atlases_say_why) {
  test::temp_working_dir dir;
  open_window stewart("form_stewart_gyaku");
  const atlas_source src = source_of(stewart.w);
  atlas_request r;
  r.cells = 20;
  r.limits.assign(6, atlas_limit{0, 0.1});
  const atlas_result none = compute_atlas(src, r);
  ASSERT_TRUE(none.grid);
  EXPECT_EQ(describe_atlas(*none.grid),
            "nothing is reachable in the 20 × 20 cells within these limits (most cells: "
            "actuator outside its limits)");

  r.limits.clear();
  r.cells = 5000;
  EXPECT_NE(compute_atlas(src, r).problem.find("more than the 16777216"), std::string::npos);
  r.cells = 20;
  r.limits.assign(5, atlas_limit{0, 1});
  EXPECT_EQ(compute_atlas(src, r).problem, "the atlas needs 6 limits (5 given)");

  open_window orvak("form_orvak1_gyaku");
  EXPECT_EQ(compute_atlas(source_of(orvak.w), atlas_request{}).problem,
            "form_orvak1_gyaku moves its posture only: ask for the posture atlas");
}

// The words of the summary and the CSV: a singular cell's condition is infinite (∞ in words,
// `inf` in the file, read back as the grid holds it), one cell is "1 cell", and cells without
// a sample are counted apart from the unreachable ones.
TEST(atlas, summary_and_csv_words) {
  test::temp_working_dir dir;
  open_window win("form_stewart_gyaku");
  const atlas_source src = source_of(win.w);
  atlas_grid g;
  g.nu = 3, g.nv = 1, g.nw = 1;
  g.du = g.dv = 0.5;
  g.state = {cell_state::reachable, cell_state::reachable, cell_state::outside_limits};
  g.sigma_min = {0, 0.25, 0};
  g.condition = {std::numeric_limits<double>::max(), 3, 0};
  g.singular = {1, 0, 0};
  g.limits = src.default_limits;
  EXPECT_EQ(describe_atlas(g),
            "reachable area 0.5 unit² (2 of 3 × 1 cells); condition number best 3 at (x 0.75, "
            "y 0.25), worst ∞ (singular) at (x 0.25, y 0.25); singular (sigma_min <= 0) in 1 cell");
  EXPECT_NE(describe_atlas(g, ui_language::japanese).find("最悪 ∞（特異）"), std::string::npos);
  const std::string csv = atlas_csv(src, g);
  EXPECT_NE(csv.find("0.25,0.25,0,1,0,inf,reachable\n"), std::string::npos) << csv;
  const atlas_csv_table t = read_atlas_csv(csv);
  ASSERT_EQ(t.problem, "");
  EXPECT_EQ(t.rows[0].condition, std::numeric_limits<double>::max());

  g.kind = atlas_kind::sampled;
  g.state[2] = cell_state::not_sampled;
  EXPECT_NE(describe_atlas(g).find("; no sample in 1 cell (not counted as unreachable)"),
            std::string::npos);
  EXPECT_NE(describe_atlas(g, ui_language::japanese).find("。標本のないセル 1 個"),
            std::string::npos);
}

// A sampled atlas keeps the cells no sample fell in apart: enclosed by sampled cells they are
// "no sample" (their own shade and key), joined to the grid's edge they lie beyond every sample.
TEST(atlas, cells_without_a_sample_are_their_own) {
  test::temp_working_dir dir;
  open_window win("Form_zelko_gyaku");
  const atlas_source src = source_of(win.w);
  atlas_request r;
  r.cells = 60;
  r.samples = 30000;
  const atlas_result a = compute_atlas(src, r);
  ASSERT_TRUE(a.grid) << a.problem;
  const atlas_grid& g = *a.grid;
  long long none = 0, reachable = 0;
  for (int j = 0; j < g.nv; ++j)
    for (int i = 0; i < g.nu; ++i) {
      const cell_state s = g.state[g.index(i, j)];
      none += s == cell_state::not_sampled;
      reachable += s == cell_state::reachable;
      if (i == 0 || j == 0 || i == g.nu - 1 || j == g.nv - 1) {
        EXPECT_NE(s, cell_state::not_sampled) << i << ", " << j;
      }
    }
  ASSERT_GT(none, 10);
  EXPECT_GT(reachable, none);
  EXPECT_NE(describe_atlas(g).find("; no sample in " + std::to_string(none) + " cells"),
            std::string::npos);
  recording_surface s;
  draw_atlas(s, src, g);
  double shaded = 0;
  bool key = false;
  for (const draw_op& op : s.ops()) {
    if (op.what == draw_op::kind::text && op.text == "no sample") key = true;
    if (op.what == draw_op::kind::rect && op.fill.r == 190 && op.fill.g == 180 && op.fill.b == 165)
      shaded += op.x2 * op.y2;
  }
  EXPECT_TRUE(key);
  EXPECT_GT(shaded, 0);
}

// The key tells what the picture holds: round ticks on the colour bar and a note where the
// condition varies by less than a factor of 2; the Run's path only where it crosses the slice;
// the posture angles' own singularity at β = ±90° only in a posture atlas that shows β.
TEST(atlas, the_key_says_what_the_picture_holds) {
  test::temp_working_dir dir;
  open_window win("form_stewart_gyaku");
  const atlas_source src = source_of(win.w);
  auto key_of = [&](atlas_mode mode, atlas_plane plane, double offset) {
    atlas_request r;
    r.mode = mode;
    r.plane = plane;
    r.offset = offset;
    r.cells = 40;
    const atlas_result a = compute_atlas(src, r);
    EXPECT_TRUE(a.grid) << a.problem;
    recording_surface s;
    draw_atlas(s, src, *a.grid);
    std::vector<std::string> texts;
    for (const draw_op& op : s.ops())
      if (op.what == draw_op::kind::text) texts.push_back(op.text);
    return texts;
  };
  auto has = [](const std::vector<std::string>& texts, const std::string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
  };
  // The path runs from z = 1.5 to 3.
  const std::vector<std::string> crossed = key_of(atlas_mode::position, atlas_plane::xy, 2);
  EXPECT_TRUE(has(crossed, "Run path"));
  EXPECT_FALSE(has(crossed, "β = ±90°:"));
  EXPECT_FALSE(has(key_of(atlas_mode::position, atlas_plane::xy, 1.2), "Run path"));
  // The condition number varies by a few per cent over the default slice: round ticks.
  int ticks = 0;
  bool note = false;
  for (const std::string& t : crossed) {
    note = note || t.find("…") != std::string::npos;
    if (t.rfind("0.", 0) != 0) continue;
    ++ticks;
    EXPECT_LE(t.size(), 5u) << t;  // rounded, as 0.25 or 0.215
  }
  EXPECT_TRUE(note);
  EXPECT_TRUE(has(crossed, "(within ×2)"));
  EXPECT_GE(ticks, 2);
  EXPECT_TRUE(has(key_of(atlas_mode::posture, atlas_plane::xy, 0), "β = ±90°:"));
  EXPECT_FALSE(has(key_of(atlas_mode::posture, atlas_plane::xz, 0), "β = ±90°:"));
}

// The CSV holds every cell and reads back into the same numbers.
TEST(atlas, csv_reads_back_into_the_same_cells) {
  test::temp_working_dir dir;
  for (const char* name : {"form_stewart_gyaku", "form_3r_jun"}) {
    open_window win(name);
    const atlas_source src = source_of(win.w);
    atlas_request r;
    r.cells = 16;
    r.samples = 20000;
    const atlas_result a = compute_atlas(src, r);
    ASSERT_TRUE(a.grid) << a.problem;
    const atlas_grid& g = *a.grid;
    const std::string csv = atlas_csv(src, g);
    EXPECT_NE(csv.find("# window: " + std::string(name)), std::string::npos);
    EXPECT_NE(csv.find("# limits: "), std::string::npos);
    EXPECT_NE(csv.find("# atlas: position, plane xy, 16 x 16 x 1 cells of "), std::string::npos);
    const atlas_csv_table t = read_atlas_csv(csv);
    ASSERT_EQ(t.problem, "");
    EXPECT_EQ(t.header, (std::vector<std::string>{"x", "y", "z", "reachable", "sigma_min",
                                                  "condition", "state"}));
    ASSERT_EQ(t.rows.size(), g.state.size());
    for (int j = 0; j < g.nv; ++j)
      for (int i = 0; i < g.nu; ++i) {
        const std::size_t c = g.index(i, j);
        const atlas_csv_row& row = t.rows[c];
        EXPECT_EQ(row.coordinate[0], g.u_at(i));
        EXPECT_EQ(row.coordinate[1], g.v_at(j));
        EXPECT_EQ(row.coordinate[2], g.w_at(0));
        EXPECT_EQ(row.reachable, g.state[c] == cell_state::reachable);
        EXPECT_EQ(row.sigma_min, g.sigma_min[c]);
        EXPECT_EQ(row.condition, g.condition[c]);
        EXPECT_EQ(row.state, to_string(g.state[c]));
      }
  }
}

}  // namespace
}  // namespace kinelab

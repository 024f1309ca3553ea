// Branch jumps over a hand-made run: a half turn and a sudden tenfold move count; a profile's
// slow start, an angle wrapping at ±180° and the rounding or tolerance noise of variables at
// rest do not.
#include "app/diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/angles.h"

namespace kinelab {
namespace {

constexpr int N = 20;

// the1: 0.05 rad a step, then half a turn more at step 12. the2: 3° a step through 180°.
// pp.x: 0.01 a step, 0.2 more at step 8. pp.y rests at 0 but for a rounding-level move at
// step 5; pp.z rests at 2.5 but for a tolerance-level move at step 15 (each alone ten times its
// mean change). ss.x: the slow start of a quintic profile, each step up to 7 times the last.
trajectory_arrays fixture() {
  trajectory_arrays a;
  auto& the1 = a.add("the1", array_kind::scalar);
  auto& the2 = a.add("the2", array_kind::scalar);
  auto& pp = a.add("pp", array_kind::point);
  auto& ss = a.add("ss", array_kind::point);
  a.resize(N);
  for (int i = 0; i <= N; ++i) {
    const auto at = static_cast<std::size_t>(i);
    the1[at].x = 0.05 * i + (i >= 12 ? pi : 0);
    the2[at].x = rad(170 + 3 * i);
    wrap_angle(the2[at].x);
    pp[at].x = 0.01 * i + (i >= 8 ? 0.2 : 0);
    pp[at].y = i >= 5 ? 1e-16 : 0;
    pp[at].z = i >= 15 ? 2.5 + 1e-6 : 2.5;
    const double t = static_cast<double>(i) / N;
    ss[at].x = t * t * t * (10 - 15 * t + 6 * t * t);
  }
  return a;
}

TEST(branch_jumps, a_half_turn_and_a_sudden_tenfold_move_count_and_nothing_else) {
  const std::vector<solved_variable> unknowns = {{"the1", 'x', true}, {"the2", 'x', true},
                                                 {"pp", 'x', false},  {"pp", 'y', false},
                                                 {"pp", 'z', false},  {"ss", 'x', true}};
  const std::vector<branch_jump> jumps = find_branch_jumps(fixture(), unknowns);
  ASSERT_EQ(jumps.size(), 2u);
  EXPECT_EQ(jumps[0].step, 8);
  EXPECT_EQ(jumps[0].variable, "pp.x");
  EXPECT_NEAR(jumps[0].change, 0.21, 1e-12);
  EXPECT_FALSE(jumps[0].angle);
  EXPECT_EQ(jumps[1].step, 12);
  EXPECT_EQ(jumps[1].variable, "the1");
  EXPECT_NEAR(jumps[1].change, pi - 0.05, 1e-9);  // the half turn the other way round
  EXPECT_TRUE(jumps[1].angle);
  EXPECT_EQ(summarize_branch_jumps(jumps),
            "the solution jumped at step 8 (pp.x by 0.21) and 1 more times: the solver moved to "
            "another assembly or elbow mode");
  EXPECT_TRUE(summarize_branch_jumps({}).empty());
}

// The status line says "singular" where the Jacobian is, in place of a condition number of
// 1.8E+308 or a subnormal σmin; regular steps keep their figures.
TEST(singularity_summary, a_singular_step_reads_singular_in_either_language) {
  const double largest = std::numeric_limits<double>::max();
  const struct {
    singularity_history h;
    ui_language lang;
    const char* expected;
  } cases[] = {
      {{{0.5, 0.0123, 0.2}, {4, 812, 10}},
       ui_language::english,
       "σmin 0.0123 at step 1 (smallest), condition number 812 at step 1 (largest)"},
      {{{0.5, 0, 0.2}, {4, largest, 10}},
       ui_language::english,
       "σmin 0 (singular) at step 1 (smallest), condition number ∞ (singular) at step 1 (largest)"},
      // Below the rounding of σmax: singular to working precision, shown as 0.
      {{{0.5, 8.77244e-314, 0.2}, {4, largest, 10}},
       ui_language::japanese,
       "σmin 0（特異）（ステップ 1、最小）、条件数 ∞（特異）（ステップ 1、最大）"},
      {{{0.5, 1e-17, 0.2}, {4, 1e17, 10}},
       ui_language::english,
       "σmin 0 (singular) at step 1 (smallest), condition number ∞ (singular) at step 1 (largest)"},
  };
  for (const auto& c : cases) EXPECT_EQ(describe_singularity(c.h, c.lang), c.expected);
}

}  // namespace
}  // namespace kinelab

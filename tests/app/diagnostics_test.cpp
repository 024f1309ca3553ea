// Branch jumps over a hand-made run: a half turn and a sudden tenfold move count; a profile's
// slow start, an angle wrapping at ±180° and the rounding or tolerance noise of variables at
// rest do not.
#include "app/run/diagnostics.h"

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
// With `the2_quarter_turn`, the2 turns 90° more at step 12 as well.
trajectory_arrays fixture(bool the2_quarter_turn = false) {
  trajectory_arrays a;
  auto& the1 = a.add("the1", array_kind::scalar);
  auto& the2 = a.add("the2", array_kind::scalar);
  auto& pp = a.add("pp", array_kind::point);
  auto& ss = a.add("ss", array_kind::point);
  a.resize(N);
  for (int i = 0; i <= N; ++i) {
    const auto at = static_cast<std::size_t>(i);
    the1[at].x = 0.05 * i + (i >= 12 ? pi : 0);
    the2[at].x = rad(170 + 3 * i) + (the2_quarter_turn && i >= 12 ? half_pi : 0);
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
  EXPECT_FALSE(jumps[0].diverged);  // no solver record: every step counts as converged
  EXPECT_TRUE(summarize_branch_jumps({}, solution_branch::assembly_mode).empty());
}

// The report counts steps, not variables (the one that moved most names a step), says what a
// jump means for the window's family, and calls a jump beside an unconverged step a diverged
// solve, in either language.
TEST(branch_jumps, are_counted_in_steps_and_worded_for_the_family_and_the_solve) {
  trajectory_arrays a = fixture(true);  // the2 moves at step 12 by 93°, less than the1
  const std::vector<solved_variable> unknowns = {
      {"the1", 'x', true}, {"the2", 'x', true}, {"pp", 'x', false}};
  const std::vector<branch_jump> converged = find_branch_jumps(a, unknowns);
  ASSERT_EQ(converged.size(), 2u);
  EXPECT_EQ(converged[1].variable, "the1");
  a.keep_solver_record();
  a.solver_record().assign(N + 1, nr_outcome{});
  a.solver_record()[11].status = nr_status::iteration_limit;  // the step before the half turn
  const std::vector<branch_jump> one_diverged = find_branch_jumps(a, unknowns);
  a.solver_record()[11].status = nr_status::converged;
  a.solver_record()[8].status = nr_status::singular;  // the jump's own step
  a.solver_record()[12].status = nr_status::unreachable;
  const std::vector<branch_jump> all_diverged = find_branch_jumps(a, unknowns);

  const struct {
    const std::vector<branch_jump>& jumps;
    solution_branch branch;
    ui_language lang;
    const char* expected;
  } cases[] = {
      {converged, solution_branch::arm_configuration, ui_language::english,
       "the solution jumped at 2 steps, first step 8: pp.x by 0.21 (the solver moved to another "
       "elbow or wrist configuration)"},
      {converged, solution_branch::assembly_mode, ui_language::english,
       "the solution jumped at 2 steps, first step 8: pp.x by 0.21 (the solver moved to another "
       "assembly mode)"},
      {converged, solution_branch::arm_configuration, ui_language::japanese,
       "2 ステップで解が跳びました。最初はステップ 8: pp.x が "
       "0.21（別の肘・手首の構成に移りました）"},
      {converged, solution_branch::assembly_mode, ui_language::japanese,
       "2 ステップで解が跳びました。最初はステップ 8: pp.x が 0.21（別の組立モードに移りました）"},
      {one_diverged, solution_branch::assembly_mode, ui_language::english,
       "the solution jumped at step 8: pp.x by 0.21 (the solver moved to another assembly mode); "
       "the solve diverged at step 12: the1 by 177.1° (the steps around it did not reach the "
       "tolerance)"},
      {all_diverged, solution_branch::arm_configuration, ui_language::english,
       "the solve diverged at 2 steps, first step 8: pp.x by 0.21 (the steps around it did not "
       "reach the tolerance)"},
      {all_diverged, solution_branch::arm_configuration, ui_language::japanese,
       "2 ステップで解が発散しました。最初はステップ 8: pp.x が 0.21"
       "（前後のステップが許容誤差に達していません）"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(summarize_branch_jumps(c.jumps, c.branch, c.lang), c.expected);
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

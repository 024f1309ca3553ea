// Branch jumps over hand-made Runs whose values carry their exact rates: a half turn to a
// parallel branch counts, and so does a diverging solve; a fast but smooth move, Euler angles
// swinging near β = −90° while the rotation turns evenly, leaving a singular start, a failed
// solve short of a goal out of reach and a length at rest do not.
#include "app/run/diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/angles.h"
#include "core/posture.h"

namespace kinelab {
namespace {

constexpr int N = 20;
constexpr double T = 1, h = T / N;

void scalar(kin_state& s, double q, double dq, double ddq) {
  s.x = q, s.dx = dq, s.ddx = ddq;
}

// the1: a slow sine, half a turn further from step 12 on (the other branch moves alike).
// the2: a smooth step of 2.5 rad over about a tenth of the Run, far beyond what one step's
// prediction foresees. sp: the posture of Rz(t − 0.525)·Ry(−1.567), whose α and γ swing by nearly
// half a turn within step 10. pp.x: a length at rest. A singular start puts the1 anywhere at
// step 0, without rates.
trajectory_arrays fixture(bool singular_start = false) {
  trajectory_arrays a;
  auto& the1 = a.add("the1", array_kind::scalar);
  auto& the2 = a.add("the2", array_kind::scalar);
  auto& sp = a.add("sp", array_kind::point);
  auto& pp = a.add("pp", array_kind::point);
  a.resize(N);
  for (int i = 0; i <= N; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const double t = i * h;
    double q1 = std::sin(t) + (i >= 12 ? pi : 0);
    wrap_angle(q1);
    scalar(the1[at], q1, std::cos(t), -std::sin(t));
    const double k = 30, u = std::tanh(k * (t - 0.52));
    scalar(the2[at], 1.25 * u, 1.25 * k * (1 - u * u), -2.5 * k * k * u * (1 - u * u));
    kin_state turn[3];
    turn[1].z = t - 0.525, turn[1].dz = 1;
    turn[2].y = -1.567;
    sp[at] = chain_posture(2, turn);
    pp[at].x = 2.5;
  }
  if (singular_start) scalar(the1[0], 2.5, 0, 0);
  return a;
}

const std::vector<solved_variable> unknowns = {{"the1", 'x', true}, {"the2", 'x', true},
                                               {"sp", 'x', true},   {"sp", 'y', true},
                                               {"sp", 'z', true},   {"pp", 'x', false}};

TEST(branch_jumps, only_a_move_to_another_branch_counts) {
  const trajectory_arrays a = fixture();
  // The fixture's own premises: the2 moves further in a step than a radian, sp.x swings.
  EXPECT_GT(std::fabs(a.find("the2")->at[11].x - a.find("the2")->at[10].x), 1.0);
  EXPECT_GT(std::fabs(a.find("sp")->at[10].x - a.find("sp")->at[11].x), rad(150));
  const std::vector<branch_jump> jumps = find_branch_jumps(a, unknowns, T);
  ASSERT_EQ(jumps.size(), 1u);
  EXPECT_EQ(jumps[0].step, 12);
  EXPECT_EQ(jumps[0].variable, "the1");
  EXPECT_NEAR(jumps[0].change, pi, 0.01);
  EXPECT_TRUE(jumps[0].angle);
  EXPECT_FALSE(jumps[0].diverged);
  EXPECT_TRUE(summarize_branch_jumps({}, solution_branch::assembly_mode).empty());
}

TEST(branch_jumps, a_singular_start_is_left_and_only_a_growing_failure_diverges) {
  trajectory_arrays a = fixture(true);
  a.keep_solver_record();
  a.solver_record().assign(N + 1, nr_outcome{});
  a.solver_record()[0].minimum_norm_rates = true;
  EXPECT_EQ(find_branch_jumps(a, unknowns, T).size(), 1u);
  EXPECT_EQ(find_branch_jumps(a, unknowns, T, std::vector<double>(N + 1, 1e7)).size(), 1u);
  a.solver_record()[0].minimum_norm_rates = false;
  EXPECT_EQ(find_branch_jumps(a, unknowns, T).size(), 2u);  // from a regular start, a jump
  // A start whose rates would turn the1 by more than a radian in a step: no prediction.
  trajectory_arrays::step_values start = a.step(0);
  start.values.front().dx = 1e4;
  a.swap_step(0, start);
  EXPECT_EQ(find_branch_jumps(a, unknowns, T).size(), 1u);
  a.swap_step(0, start);
  a.solver_record()[0].minimum_norm_rates = true;

  // Steps 11 and 12 fail short of a goal out of reach: the half turn is not judged.
  for (int i : {11, 12}) {
    a.solver_record()[static_cast<std::size_t>(i)].status = nr_status::iteration_limit;
    a.solver_record()[static_cast<std::size_t>(i)].residual = 0.05 * i;
  }
  EXPECT_TRUE(find_branch_jumps(a, unknowns, T).empty());
  // Step 12's residual grows tenfold over the failed step before it: it diverged.
  a.solver_record()[12].residual = 7;
  const std::vector<branch_jump> diverged = find_branch_jumps(a, unknowns, T);
  ASSERT_EQ(diverged.size(), 1u);
  EXPECT_EQ(diverged[0].step, 12);
  EXPECT_TRUE(diverged[0].diverged);

  const struct {
    std::vector<branch_jump> jumps;
    solution_branch branch;
    ui_language lang;
    const char* expected;
    jump_namer name = {};
  } cases[] = {
      {{{12, "the1", pi - 0.05, true}, {15, "sp", 2, true}},
       solution_branch::arm_configuration,
       ui_language::english,
       "the solution jumped at 2 steps, first step 12: the1 by 177.1° (the solver moved to "
       "another elbow or wrist configuration)"},
      {{{8, "pp.x", 0.21, false}},
       solution_branch::assembly_mode,
       ui_language::japanese,
       "ステップ 8 で解が跳びました: pp.x が 0.21（別の組立モードに移りました）"},
      {{{8, "pp.x", 0.21, false}, {12, "the1", pi - 0.05, true, true}},
       solution_branch::assembly_mode,
       ui_language::english,
       "the solution jumped at step 8: pp.x by 0.21 (the solver moved to another assembly mode); "
       "the solve diverged at step 12: the1 by 177.1° (the steps around it did not reach the "
       "tolerance)"},
      {{{8, "pp.x", 0.21, false, true}, {9, "pp.x", 0.3, false, true}},
       solution_branch::arm_configuration,
       ui_language::japanese,
       "2 ステップで解が発散しました。最初はステップ 8: pp.x が 0.21"
       "（前後のステップが許容誤差に達していません）"},
      // Named as a window that shows the joint in radians names it.
      {{{12, "the1", pi - 0.05, true, false, "the1", 'x'}},
       solution_branch::arm_configuration,
       ui_language::english,
       "the solution jumped at step 12: θ1 by 3.092 rad (the solver moved to another elbow or "
       "wrist configuration)",
       [](const branch_jump& j) {
         return shown_variable{j.array == "the1" ? "θ1" : "?", false};
       }},
  };
  for (const auto& c : cases)
    EXPECT_EQ(summarize_branch_jumps(c.jumps, c.branch, c.lang, c.name), c.expected);
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

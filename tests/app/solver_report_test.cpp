#include "app/run/solver_report.h"

#include <gtest/gtest.h>

namespace kinelab {
namespace {

TEST(solver_report, says_how_many_steps_failed_and_which_came_first) {
  const nr_outcome ok{2, 1e-5, nr_status::converged};
  const nr_outcome limit{10, 0.0042, nr_status::iteration_limit};
  const nr_outcome singular{3, 0.12, nr_status::singular};
  const nr_outcome off_rail{1, 0.03, nr_status::unreachable, nr_obstacle::rod_off_rail};
  nr_outcome least_squares = ok;
  least_squares.minimum_norm_rates = true;
  struct {
    std::vector<nr_outcome> steps;
    std::string expected;
  } cases[] = {
      {{ok, ok, ok}, ""},
      {{ok, limit, ok, limit},
       "2 of 4 steps did not reach the tolerance (first: step 1, residual 0.0042)"},
      {{singular, ok, limit},
       "2 of 3 steps did not reach the tolerance: 1 at the iteration limit, 1 at a singular "
       "Jacobian (first: step 0, residual 0.12, singular Jacobian)"},
      {{ok, off_rail, limit},
       "2 of 3 steps did not reach the tolerance: 1 at the iteration limit, 1 unreachable "
       "(first: step 1, residual 0.03, unreachable: a rod off its rail)"},
      {{least_squares, ok, least_squares},
       "the rates of 2 steps are minimum-norm: the Jacobian is singular at their solution"},
      {{least_squares, limit},
       "1 of 2 steps did not reach the tolerance (first: step 1, residual 0.0042); the rates of "
       "1 steps are minimum-norm: the Jacobian is singular at their solution"},
  };
  for (const auto& c : cases) EXPECT_EQ(summarize_run(c.steps), c.expected);
  EXPECT_EQ(summarize_static_pose(ok), "");
  EXPECT_EQ(summarize_static_pose(singular),
            "the static pose did not reach the tolerance (residual 0.12, singular Jacobian)");
  EXPECT_EQ(summarize_static_pose(least_squares),
            "the static pose's rates are minimum-norm: the Jacobian is singular there");
  EXPECT_EQ(
      summarize_static_pose(off_rail, ui_language::japanese),
      "静止姿勢が許容誤差に達しませんでした（残差 0.03、到達不能: ロッドがレールから外れる）");
  // The desktop program's Japanese.
  EXPECT_EQ(summarize_run({singular, ok, limit}, ui_language::japanese),
            "3 ステップ中 2 ステップが許容誤差に達しませんでした: 反復回数の上限で 1、"
            "特異なヤコビ行列で 1（最初: ステップ 0、残差 0.12、特異なヤコビ行列）");
  EXPECT_EQ(summarize_static_pose(singular, ui_language::japanese),
            "静止姿勢が許容誤差に達しませんでした（残差 0.12、特異なヤコビ行列）");
}

}  // namespace
}  // namespace kinelab

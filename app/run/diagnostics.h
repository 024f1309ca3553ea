#pragma once
// What a window can say about its last Run beyond the trajectory: how far each step stood from
// a singularity, and where a Newton–Raphson solution jumped to another assembly or elbow mode.
#include <string>
#include <vector>

#include "app/run/trajectory_arrays.h"
#include "app/text/messages.h"
#include "core/singular_values.h"

namespace kinelab {

// One unknown of a window's Newton–Raphson solve, as stored in its arrays: the value field of
// one component ('x', 'y' or 'z') of one array. Angles are compared wrapped.
struct solved_variable {
  std::string array;
  char component = 'x';
  bool angle = false;
};

// What a jump of a converged solve means for the mechanism: a serial arm or limb moves to
// another elbow or wrist configuration, a platform to another assembly mode.
enum class solution_branch { arm_configuration, assembly_mode };

// A step at which a solved variable changed by more than 90° (an angle), or by more than ten
// times its change at the step before, ten times its mean change over the run, and a
// hundredth of a radian (an angle) or of the largest value of the solved lengths (a length):
// so that the rounding- and tolerance-level moves of a variable at rest do not count. One per
// step, naming the variable that moved most for its kind (radians; lengths against that
// hundredth of the largest).
struct branch_jump {
  int step = 0;
  std::string variable;  // "the5", "p.x"
  double change = 0;     // radians for an angle
  bool angle = false;
  // The step or the one before did not converge (by the arrays' solver record): the jump is
  // the solve failing, not the mechanism moving to another branch.
  bool diverged = false;
};
std::vector<branch_jump> find_branch_jumps(const trajectory_arrays& arrays,
                                           const std::vector<solved_variable>& unknowns);

// "the solution jumped at 13 steps, first step 13: hineri3.y by 178.9°: the solver moved to
// another elbow or wrist configuration", and the jumps where the solve diverged likewise by
// their own count and first step; empty when there were none.
std::string summarize_branch_jumps(const std::vector<branch_jump>& jumps, solution_branch branch,
                                   ui_language lang = ui_language::english);

// σmin and condition number of the window's Jacobian at every step 0..N.
struct singularity_history {
  std::vector<double> sigma_min, condition;
};
// Where the Jacobian is singular to working precision: σmin 0, or below the rounding of σmax
// (the condition number reaches 1/ε).
bool singular_to_working_precision(double sigma_min, double condition);
// "σmin 0.0123 at step 17 (smallest), condition number 812 at step 17 (largest)"; a singular
// step's σmin reads "0 (singular)" and its condition number "∞ (singular)". The arrays and
// the files keep their numbers.
std::string describe_singularity(const singularity_history& h,
                                 ui_language lang = ui_language::english);

}  // namespace kinelab

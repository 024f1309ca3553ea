#pragma once
// What a window can say about its last Run beyond the trajectory: how far each step stood from
// a singularity, and where a Newton–Raphson solution jumped to another assembly or elbow mode.
#include <functional>
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

// A step whose solution left the motion it was on. After each converged step the solution is
// compared with the prediction from the step before, q + q̇h + ½q̈h² (h = T/N), and the step's
// own prediction back to the step before; a jump stands far from both: by more than a radian
// (an angle; a posture is compared as a rotation, by the angle between the matrices) or a tenth
// of the largest solved length, and by more than twice the predictions' error h²·|Δq̈|/6. Not
// judged: the step after a start whose Jacobian is (near) singular, or whose rates would carry
// a variable that far in one step, which could stand on any branch. A step whose solve did not
// converge is judged only where it diverged (its residual overflowed, or grew tenfold over the
// failed step before it), by the plain change of the values. One per step, naming the variable that
// moved furthest for its kind.
struct branch_jump {
  int step = 0;
  std::string variable;  // "the5", "pp.x", "sp" (a posture)
  double change = 0;     // radians for an angle
  bool angle = false;
  bool diverged = false;   // the step's solve diverged: the jump is the solve failing
  std::string array = {};  // the variable's array and component ('x' for a posture)
  char component = 'x';
};
// Above this condition number of the Jacobian a step's rates are flagged as near a singularity
// (and a start's rates are no prediction): there a relative error of 10⁻¹⁰ in the goal already
// moves the rates in their fourth digit.
inline constexpr double near_singular_condition = 1e6;
std::vector<branch_jump> find_branch_jumps(const trajectory_arrays& arrays,
                                           const std::vector<solved_variable>& unknowns, double T,
                                           const std::vector<double>& condition = {});

// "the solution jumped at 13 steps, first step 13: hineri3.y by 178.9°: the solver moved to
// another elbow or wrist configuration", and the jumps where the solve diverged likewise by
// their own count and first step; empty when there were none. `name` gives the variable as the
// window shows it and whether it shows an angle in degrees (else radians); without it the
// internal name and degrees.
struct shown_variable {
  std::string name;
  bool degrees = true;
};
using jump_namer = std::function<shown_variable(const branch_jump&)>;
std::string summarize_branch_jumps(const std::vector<branch_jump>& jumps, solution_branch branch,
                                   ui_language lang = ui_language::english,
                                   const jump_namer& name = {});

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

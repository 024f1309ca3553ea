#pragma once
// The honest outcome of one Newton–Raphson solve. The windows keep going whatever the outcome
// (the next step starts from the last values), but every step records how its solve ended, so
// that a failed solve never looks like one that succeeded.

namespace kinelab {

enum class nr_status {
  converged = 0,        // the final residual meets the tolerance test
  iteration_limit = 1,  // ten corrections made, residual still above the tolerance
  singular = 2,         // the Jacobian had no non-zero pivot; iteration ended at the last values
  not_finite = 3,       // an iterate or residual overflowed; ended at the last finite values
};

inline const char* to_string(nr_status s) {
  switch (s) {
    case nr_status::converged:
      return "converged";
    case nr_status::iteration_limit:
      return "iteration limit";
    case nr_status::singular:
      return "singular Jacobian";
    case nr_status::not_finite:
      return "not finite";
  }
  return "?";
}

struct nr_outcome {
  int iterations = 0;   // corrections made
  double residual = 0;  // largest absolute residual component at the end
  nr_status status = nr_status::converged;
};

}  // namespace kinelab

#include "app/solver_report.h"

#include "core/number_text.h"

namespace kinelab {

namespace {
std::string residual_text(const nr_outcome& o) {
  std::string s = "residual " + format_number(o.residual);
  if (o.status != nr_status::iteration_limit) s += std::string(", ") + to_string(o.status);
  return s;
}
}  // namespace

std::string summarize_run(const std::vector<nr_outcome>& steps) {
  int failed = 0, first = -1;
  int by_status[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].status == nr_status::converged) continue;
    ++failed;
    ++by_status[static_cast<int>(steps[i].status)];
    if (first < 0) first = static_cast<int>(i);
  }
  if (failed == 0) return "";
  std::string s = std::to_string(failed) + " of " + std::to_string(steps.size()) +
                  " steps did not reach the tolerance";
  if (by_status[1] != failed) {  // not all at the iteration limit: say how each ended
    std::string parts;
    const char* names[] = {"", "at the iteration limit", "at a singular Jacobian", "not finite"};
    for (int k = 1; k <= 3; ++k)
      if (by_status[k] > 0)
        parts += (parts.empty() ? "" : ", ") + std::to_string(by_status[k]) + " " + names[k];
    s += ": " + parts;
  }
  return s + " (first: step " + std::to_string(first) + ", " +
         residual_text(steps[static_cast<std::size_t>(first)]) + ")";
}

std::string summarize_static_pose(const nr_outcome& step) {
  if (step.status == nr_status::converged) return "";
  return "the static pose did not reach the tolerance (" + residual_text(step) + ")";
}

}  // namespace kinelab

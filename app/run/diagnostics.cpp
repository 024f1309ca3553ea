#include "app/run/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <utility>

#include "core/angles.h"

namespace kinelab {

namespace {

// A jump to another assembly or elbow mode moves the mechanism visibly: by more than this part
// of a radian, or of the largest solved length.
constexpr double visible_fraction = 0.01;

double kin_state::*value_field(char component) {
  switch (component) {
    case 'y':
      return &kin_state::y;
    case 'z':
      return &kin_state::z;
    default:
      return &kin_state::x;
  }
}

std::string variable_name(const trajectory_array& a, char component) {
  return a.kind == array_kind::scalar ? a.name : a.name + "." + component;
}

}  // namespace

std::vector<branch_jump> find_branch_jumps(const trajectory_arrays& arrays,
                                           const std::vector<solved_variable>& unknowns) {
  const int N = arrays.N();
  // The size of the mechanism as its solved lengths show it: the largest of their values.
  double length_scale = 0;
  for (const solved_variable& u : unknowns) {
    const trajectory_array* a = arrays.find(u.array);
    if (!a || u.angle) continue;
    const double kin_state::*f = value_field(u.component);
    for (const kin_state& s : a->at) length_scale = std::fmax(length_scale, std::fabs(s.*f));
  }
  // The jump of each step, with its change measured in radians or in solved lengths.
  std::map<int, std::pair<branch_jump, double>> by_step;
  for (const solved_variable& u : unknowns) {
    const trajectory_array* a = arrays.find(u.array);
    if (!a || N < 1) continue;
    const double kin_state::*f = value_field(u.component);
    std::vector<double> change(static_cast<std::size_t>(N) + 1, 0.0);
    double total = 0;
    for (int i = 1; i <= N; ++i) {
      double d = a->at[static_cast<std::size_t>(i)].*f - a->at[static_cast<std::size_t>(i - 1)].*f;
      // An angle that wraps at ±180° has not moved by a turn.
      if (u.angle) wrap_angle(d);
      change[static_cast<std::size_t>(i)] = std::fabs(d);
      total += std::fabs(d);
    }
    const double mean = total / N;
    const double unit = u.angle || !(length_scale > 0) ? 1.0 : length_scale;
    // Below this a change is the solver's tolerance at work on a variable at rest, however
    // still that variable stood before.
    const double floor = visible_fraction * unit;
    for (int i = 1; i <= N; ++i) {
      const double d = change[static_cast<std::size_t>(i)];
      const bool over_quarter_turn = u.angle && d > half_pi;
      const bool sudden =
          i >= 2 && d > 10 * change[static_cast<std::size_t>(i - 1)] && d > 10 * mean && d > floor;
      if (!over_quarter_turn && !sudden) continue;
      std::pair<branch_jump, double>& kept = by_step[i];
      if (d / unit > kept.second)
        kept = {branch_jump{i, variable_name(*a, u.component), d, u.angle}, d / unit};
    }
  }
  const std::vector<nr_outcome>& record = arrays.solver_record();
  const auto unconverged = [&](int i) {
    return static_cast<std::size_t>(i) < record.size() &&
           record[static_cast<std::size_t>(i)].status != nr_status::converged;
  };
  std::vector<branch_jump> jumps;
  for (auto& [i, j] : by_step) {
    j.first.diverged = unconverged(i - 1) || unconverged(i);
    jumps.push_back(std::move(j.first));
  }
  return jumps;
}

std::string summarize_branch_jumps(const std::vector<branch_jump>& jumps, solution_branch branch,
                                   ui_language lang) {
  const message_id meaning = branch == solution_branch::arm_configuration
                                 ? message_id::jump_to_configuration
                                 : message_id::jump_to_assembly_mode;
  std::string text;
  for (const bool diverged : {false, true}) {
    const branch_jump* first = nullptr;
    int steps = 0;
    for (const branch_jump& j : jumps)
      if (j.diverged == diverged && steps++ == 0) first = &j;
    if (!first) continue;
    char change[64];
    if (first->angle)
      std::snprintf(change, sizeof change, "%.4g°", deg(first->change));
    else
      std::snprintf(change, sizeof change, "%.4g", first->change);
    if (!text.empty()) text += report_separator(lang);
    const std::string step = std::to_string(first->step);
    if (steps == 1)
      text += message(lang, diverged ? message_id::diverged_at_step : message_id::jumped_at_step,
                      {step, first->variable, change});
    else
      text += message(lang, diverged ? message_id::diverged_at_steps : message_id::jumped_at_steps,
                      {std::to_string(steps), step, first->variable, change});
    text += message(lang, !diverged ? meaning : message_id::jump_diverged);
  }
  return text;
}

bool singular_to_working_precision(double sigma_min, double condition) {
  // σmin below the rounding of σmax, σmax·ε: the condition number σmax/σmin reaches 1/ε.
  return !(sigma_min > 0) || condition >= 1 / std::numeric_limits<double>::epsilon();
}

std::string describe_singularity(const singularity_history& h, ui_language lang) {
  if (h.sigma_min.empty() || h.condition.size() != h.sigma_min.size()) return {};
  const auto low = std::min_element(h.sigma_min.begin(), h.sigma_min.end());
  const auto high = std::max_element(h.condition.begin(), h.condition.end());
  const auto at = [](auto it, const std::vector<double>& v) {
    return std::to_string(it - v.begin());
  };
  const auto figure = [](double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return std::string(text);
  };
  const bool singular_low = singular_to_working_precision(
      *low, h.condition[static_cast<std::size_t>(low - h.sigma_min.begin())]);
  const bool singular_high = singular_to_working_precision(
      h.sigma_min[static_cast<std::size_t>(high - h.condition.begin())], *high);
  return message(lang, message_id::singularity,
                 {singular_low ? message(lang, message_id::singular_sigma_min) : figure(*low),
                  at(low, h.sigma_min),
                  singular_high ? message(lang, message_id::singular_condition) : figure(*high),
                  at(high, h.condition)});
}

}  // namespace kinelab

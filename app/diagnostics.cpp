#include "app/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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
  std::vector<branch_jump> jumps;
  const int N = arrays.N();
  // The size of the mechanism as its solved lengths show it: the largest of their values.
  double length_scale = 0;
  for (const solved_variable& u : unknowns) {
    const trajectory_array* a = arrays.find(u.array);
    if (!a || u.angle) continue;
    const double kin_state::*f = value_field(u.component);
    for (const kin_state& s : a->at) length_scale = std::fmax(length_scale, std::fabs(s.*f));
  }
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
    // Below this a change is the solver's tolerance at work on a variable at rest, however
    // still that variable stood before.
    const double floor = visible_fraction * (u.angle ? 1.0 : length_scale);
    for (int i = 1; i <= N; ++i) {
      const double d = change[static_cast<std::size_t>(i)];
      const bool over_quarter_turn = u.angle && d > half_pi;
      const bool sudden =
          i >= 2 && d > 10 * change[static_cast<std::size_t>(i - 1)] && d > 10 * mean && d > floor;
      if (over_quarter_turn || sudden)
        jumps.push_back({i, variable_name(*a, u.component), d, u.angle});
    }
  }
  std::sort(jumps.begin(), jumps.end(),
            [](const branch_jump& l, const branch_jump& r) { return l.step < r.step; });
  return jumps;
}

std::string summarize_branch_jumps(const std::vector<branch_jump>& jumps, ui_language lang) {
  if (jumps.empty()) return {};
  const branch_jump& first = jumps.front();
  char change[64];
  if (first.angle)
    std::snprintf(change, sizeof change, "%.4g°", deg(first.change));
  else
    std::snprintf(change, sizeof change, "%.4g", first.change);
  std::string text =
      message(lang, message_id::branch_jump, {std::to_string(first.step), first.variable, change});
  if (jumps.size() > 1)
    text += message(lang, message_id::more_branch_jumps, {std::to_string(jumps.size() - 1)});
  return text + message(lang, message_id::branch_jump_meaning);
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

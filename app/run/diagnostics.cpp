#include "app/run/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <utility>

#include "core/angles.h"
#include "core/posture.h"

namespace kinelab {

namespace {

// A jump to another branch moves the mechanism by far more than a fast motion's step: beyond
// this many radians, or this part of the largest solved length, from both predictions.
constexpr double jump_floor = 1.0;
constexpr double jump_floor_fraction = 0.1;
// ... and beyond this many times the predictions' error.
constexpr double jump_error_factor = 2;
// A failed solve whose residual grew tenfold over the failed step before it diverged; one that
// merely stalls short of a goal moving out of reach did not.
constexpr double diverged_growth = 10;

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
double kin_state::*rate_field(char component) {
  return component == 'y' ? &kin_state::dy : component == 'z' ? &kin_state::dz : &kin_state::dx;
}
double kin_state::*accel_field(char component) {
  return component == 'y' ? &kin_state::ddy : component == 'z' ? &kin_state::ddz : &kin_state::ddx;
}

std::string variable_name(const trajectory_array& a, char component) {
  return a.kind == array_kind::scalar ? a.name : a.name + "." + component;
}

// How far step i stands from the motion through step i − 1, in radians or lengths: from the
// prediction q + q̇h + ½q̈h² of step i − 1 forward, and of step i backward (a jump is far from
// both; a fast but smooth motion that one of them overshoots is near the other), and the
// predictions' error, h²·|q̈ᵢ − q̈ᵢ₋₁|/6 (the third-order term).
struct mismatch {
  double forward = 0, backward = 0, error = 0;
};

mismatch scalar_mismatch(const kin_state& a, const kin_state& b, char c, bool angle, double h) {
  const double kin_state::*v = value_field(c);
  const double kin_state::*r = rate_field(c);
  const double kin_state::*acc = accel_field(c);
  double f = b.*v - (a.*v + a.*r * h + 0.5 * a.*acc * h * h);
  double g = a.*v - (b.*v - b.*r * h + 0.5 * b.*acc * h * h);
  if (angle) wrap_angle(f), wrap_angle(g);
  return {std::fabs(f), std::fabs(g), h * h * std::fabs(b.*acc - a.*acc) / 6};
}

// The angle between two rotations, from ‖A − B‖ = 2√2·sin(angle/2); for a prediction, which is
// a rotation only to its order, the same measure.
double rotation_distance(const mat3& A, const mat3& B) {
  double sum = 0;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) sum += (A(i, j) - B(i, j)) * (A(i, j) - B(i, j));
  return 2 * std::asin(std::fmin(1.0, std::sqrt(sum / 8)));
}

// The same for a posture, compared as rotations: Euler angles swing near β = ±90° where the
// rotation does not.
mismatch posture_mismatch(const kin_state& a, const kin_state& b, double h) {
  const rotation_rates ra = posture_matrices(a), rb = posture_matrices(b);
  mat3 forward, backward, error;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      forward(i, j) = ra.R(i, j) + ra.dR(i, j) * h + 0.5 * ra.ddR(i, j) * h * h;
      backward(i, j) = rb.R(i, j) - rb.dR(i, j) * h + 0.5 * rb.ddR(i, j) * h * h;
      error(i, j) = h * h * (rb.ddR(i, j) - ra.ddR(i, j)) / 6;
    }
  return {rotation_distance(rb.R, forward), rotation_distance(ra.R, backward),
          rotation_distance(error, mat3{})};
}

// A posture: the x, y and z angles of one array, all solved.
bool is_posture(const std::vector<solved_variable>& unknowns, std::size_t k) {
  if (k + 2 >= unknowns.size()) return false;
  const solved_variable *x = &unknowns[k], *y = x + 1, *z = x + 2;
  return x->angle && y->angle && z->angle && x->array == y->array && x->array == z->array &&
         x->component == 'x' && y->component == 'y' && z->component == 'z';
}

}  // namespace

std::vector<branch_jump> find_branch_jumps(const trajectory_arrays& arrays,
                                           const std::vector<solved_variable>& unknowns, double T,
                                           const std::vector<double>& condition) {
  const int N = arrays.N();
  if (N < 1) return {};
  const double h = T / N;
  // The size of the mechanism as its solved lengths show it: the largest of their values.
  double length_scale = 0;
  for (const solved_variable& u : unknowns) {
    const trajectory_array* a = arrays.find(u.array);
    if (!a || u.angle) continue;
    const double kin_state::*f = value_field(u.component);
    for (std::size_t i = 0; i < a->size(); ++i)
      length_scale = std::fmax(length_scale, std::fabs(a->get(i, f)));
  }
  const double length_floor = jump_floor_fraction * (length_scale > 0 ? length_scale : 1);
  const std::vector<nr_outcome>& record = arrays.solver_record();
  const auto outcome = [&](int i) -> const nr_outcome* {
    return static_cast<std::size_t>(i) < record.size() ? &record[static_cast<std::size_t>(i)]
                                                       : nullptr;
  };
  const auto converged = [&](int i) {
    const nr_outcome* o = outcome(i);
    return !o || o->status == nr_status::converged;
  };
  const auto near_singular = [&](int i) {
    const nr_outcome* o = outcome(i);
    const auto at = static_cast<std::size_t>(i);
    return (o && o->minimum_norm_rates) ||
           (at < condition.size() && !(condition[at] <= near_singular_condition));
  };

  // Rates at step 0 that would carry a variable further in one step than a jump: a start so
  // near a singularity that its own rates predict nothing.
  const auto start_outruns_steps = [&] {
    for (const solved_variable& u : unknowns) {
      const trajectory_array* a = arrays.find(u.array);
      if (a && !(std::fabs(a->get(0, rate_field(u.component))) * h <=
                 (u.angle ? jump_floor : length_floor)))
        return true;
    }
    return false;
  };
  std::vector<branch_jump> jumps;
  for (int i = 1; i <= N; ++i) {
    const bool both_converged = converged(i - 1) && converged(i);
    bool diverged = false;
    if (!both_converged) {
      // A failed solve has no rates to predict with: only one whose residual grew is judged,
      // by how far it moved.
      const nr_outcome* now = outcome(i);
      const nr_outcome* before = outcome(i - 1);
      // After a converged step any failure grows the residual: only a failure that grows on
      // from a failure counts.
      diverged = now && now->status != nr_status::converged &&
                 (now->status == nr_status::not_finite ||
                  (before && before->status != nr_status::converged &&
                   now->residual > diverged_growth * before->residual));
      if (!diverged) continue;
    } else if (i == 1 && (near_singular(0) || start_outruns_steps())) {
      continue;  // leaving a singular start: step 0 could stand on any branch
    }
    branch_jump best;
    double best_measure = 0;
    for (std::size_t k = 0; k < unknowns.size(); ++k) {
      const solved_variable& u = unknowns[k];
      const trajectory_array* a = arrays.find(u.array);
      if (!a) continue;
      const kin_state before = a->state(static_cast<std::size_t>(i - 1));
      const kin_state now = a->state(static_cast<std::size_t>(i));
      const bool posture = is_posture(unknowns, k);
      mismatch m;
      if (diverged) {
        // By the plain change of the values.
        double d = posture ? rotation_distance(rotation_matrix(before.x, before.y, before.z),
                                               rotation_matrix(now.x, now.y, now.z))
                           : now.*value_field(u.component) - before.*value_field(u.component);
        if (u.angle && !posture) wrap_angle(d);
        m = {std::fabs(d), std::fabs(d), 0};
      } else {
        m = posture ? posture_mismatch(before, now, h)
                    : scalar_mismatch(before, now, u.component, u.angle, h);
      }
      const double distance = std::fmin(m.forward, m.backward);
      const double unit = u.angle ? jump_floor : length_floor;
      if (std::isfinite(distance) && distance > unit && distance > jump_error_factor * m.error &&
          distance / unit > best_measure) {
        best_measure = distance / unit;
        const std::string name = posture ? a->name : variable_name(*a, u.component);
        best = {i, name, distance, u.angle, diverged, u.array, u.component};
      }
      if (posture) k += 2;
    }
    if (best_measure > 0) jumps.push_back(std::move(best));
  }
  return jumps;
}

std::string summarize_branch_jumps(const std::vector<branch_jump>& jumps, solution_branch branch,
                                   ui_language lang, const jump_namer& name) {
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
    const shown_variable shown = name ? name(*first) : shown_variable{first->variable};
    char change[64];
    if (first->angle && shown.degrees)
      std::snprintf(change, sizeof change, "%.4g°", deg(first->change));
    else if (first->angle)
      std::snprintf(change, sizeof change, "%.4g rad", first->change);
    else
      std::snprintf(change, sizeof change, "%.4g", first->change);
    if (!text.empty()) text += report_separator(lang);
    const std::string step = std::to_string(first->step);
    if (steps == 1)
      text += message(lang, diverged ? message_id::diverged_at_step : message_id::jumped_at_step,
                      {step, shown.name, change});
    else
      text += message(lang, diverged ? message_id::diverged_at_steps : message_id::jumped_at_steps,
                      {std::to_string(steps), step, shown.name, change});
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

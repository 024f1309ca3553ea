#include "support/trajectory_check.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/registry.h"

namespace kinelab::test {

namespace {

// Compares f′ (stored) with the central difference of f over the grid, relative to the
// curve's scale: its largest derivative, or `floor` when that is smaller.
void compare(const std::string& name, const std::vector<kin_state>& at, double kin_state::*f,
             double kin_state::*df, double dt, double floor, double tolerance,
             std::vector<derivative_mismatch>& out) {
  const int N = static_cast<int>(at.size()) - 1;
  double scale = floor;
  for (const kin_state& s : at) scale = std::max(scale, std::fabs(s.*df));
  derivative_mismatch worst{name, 0, 0, 0, 0};
  for (int i = 1; i < N; ++i) {
    const double step = at[i + 1].*f - at[i - 1].*f;
    // An angle that wrapped, or a posture whose angle triple switched to its other form
    // (α, γ ± π near β = ±90°), jumps between neighbours: no derivative to compare there.
    if (std::fabs(step) > half_pi) continue;
    const double numeric = step / (2 * dt);
    const double relative = std::fabs(numeric - at[i].*df) / scale;
    if (relative > worst.relative) worst = {name, i, at[i].*df, numeric, relative};
  }
  if (worst.relative > tolerance) out.push_back(worst);
}

double largest(const std::vector<kin_state>& at, double kin_state::*f) {
  double m = 0;
  for (const kin_state& s : at) m = std::max(m, std::fabs(s.*f));
  return m;
}

}  // namespace

std::vector<derivative_mismatch> check_trajectory_derivatives(const trajectory_arrays& arrays,
                                                              double T, double tolerance) {
  std::vector<derivative_mismatch> out;
  const double dt = T / arrays.N();
  for (const trajectory_array& a : arrays.all()) {
    const auto columns = array_columns(a);
    std::vector<kin_state> at(a.size());
    for (std::size_t i = 0; i < at.size(); ++i) at[i] = a.state(i);
    for (std::size_t c = 0; c + 2 < columns.size(); c += 3) {
      // A quantity that barely moves (a rate below a thousandth of its value per cycle) is
      // compared at that floor: its differences are rounding of the values, about ε·|f|·N/T,
      // not a derivative.
      const double value = largest(at, columns[c].field) + 1e-9;
      const double rate_floor = value * 1e-3 / T, accel_floor = value * 1e-3 / (T * T);
      compare(columns[c + 1].name, at, columns[c].field, columns[c + 1].field, dt, rate_floor,
              tolerance, out);
      compare(columns[c + 2].name, at, columns[c + 1].field, columns[c + 2].field, dt, accel_floor,
              tolerance, out);
    }
  }
  return out;
}

std::vector<std::string> run_and_check_derivatives(const std::string& window,
                                                   const std::vector<std::string>& sets,
                                                   double tolerance) {
  const window_entry* entry = find_window(window);
  if (!entry) return {"no window " + window};
  return run_and_check_derivatives(entry->make(), sets, tolerance);
}

void apply_sets(window_model& w, const std::vector<std::string>& sets) {
  for (const std::string& s : sets) {
    const auto eq = s.find('=');
    w.set_value(s.substr(0, eq), eq == std::string::npos ? "" : s.substr(eq + 1));
  }
}

std::vector<std::string> run_and_check_derivatives(std::unique_ptr<window_model> w,
                                                   const std::vector<std::string>& sets,
                                                   double tolerance) {
  w->settings.N = check_divisions;
  w->open();
  apply_sets(*w, sets);
  w->press("run");
  std::vector<std::string> lines;
  if (w->status_is_error) lines.push_back("run reported: " + w->status);
  auto* sim = dynamic_cast<sim_window*>(w.get());
  if (!sim) return {"not a simulation window: " + w->name()};
  for (const auto& m : check_trajectory_derivatives(sim->logic().arrays, sim->T(), tolerance)) {
    std::ostringstream o;
    o << m.column << " at step " << m.step << ": analytic " << m.analytic << ", difference "
      << m.numeric << " (relative " << m.relative << ")";
    lines.push_back(o.str());
  }
  return lines;
}

}  // namespace kinelab::test

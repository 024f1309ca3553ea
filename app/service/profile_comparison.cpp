#include "app/service/profile_comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/run/derivative_check.h"
#include "core/angles.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

// Option1's element for each profile.
constexpr int option_of[3] = {0, 1, 2};

double peak(const std::vector<double>& v) {
  double m = 0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

profile_figures figures_of(const quantity_check& q) {
  profile_figures f;
  if (q.rate.empty()) return f;
  f.peak_rate = peak(q.rate);
  f.peak_acceleration = peak(q.accel);
  f.start_acceleration_jump = q.accel.front();
  f.end_acceleration_jump = -q.accel.back();
  f.start_rate_jump = q.rate.front();
  f.end_rate_jump = -q.rate.back();
  return f;
}

profile_figures in_degrees(profile_figures f) {
  for (double* v : {&f.peak_rate, &f.peak_acceleration, &f.start_acceleration_jump,
                    &f.end_acceleration_jump, &f.start_rate_jump, &f.end_rate_jump})
    *v = deg(*v);
  return f;
}

}  // namespace

profile_comparison compare_profiles(const sim_window& w) {
  profile_comparison out;
  const window_decl& decl = w.decl();
  out.rows.resize(decl.graphs.size());
  for (int k = 0; k < 3; ++k) {
    sim_window copy(decl, w.settings);
    copy.open();
    copy.ctl = w.ctl;
    copy.language = w.language;
    copy.translate_caption = w.translate_caption;
    copy.name_controls_in_status = w.name_controls_in_status;
    copy.ctl.option_selected = option_of[k];
    if (!copy.compute_trajectory()) {
      out.rows.clear();
      out.problem = copy.status;
      return out;
    }
    for (std::size_t r = 0; r < decl.graphs.size(); ++r) {
      const graph_decl& g = decl.graphs[r];
      const trajectory_array* a = copy.logic().arrays.find(g.array);
      if (!a) continue;
      const quantity_check q = check_quantity(*a, g.component, copy.T());
      out.rows[r].quantity = quantity_caption(g);
      out.rows[r].figures[k] = figures_of(q);
      if (g.degrees) out.rows[r].figures[k] = in_degrees(out.rows[r].figures[k]);
    }
  }
  return out;
}

std::array<double, 6> figures_in_order(const profile_figures& f) {
  return {
      f.peak_rate,       f.peak_acceleration, f.start_acceleration_jump, f.end_acceleration_jump,
      f.start_rate_jump, f.end_rate_jump};
}

std::array<double, 6> column_largest(const profile_comparison& c) {
  std::array<double, 6> largest{};
  for (const profile_comparison_row& row : c.rows)
    for (const profile_figures& f : row.figures) {
      const std::array<double, 6> v = figures_in_order(f);
      for (std::size_t k = 0; k < v.size(); ++k)
        if (std::isfinite(v[k])) largest[k] = std::max(largest[k], std::fabs(v[k]));
    }
  return largest;
}

std::string readable_figure(double v, double column_largest) {
  // The figures come out of sums and differences of values up to the column's largest, so
  // their rounding errors stay within a few hundred ulps of it; 1e-10 of it leaves a wide
  // margin above that and lies far below the six digits shown of any real figure.
  constexpr double rounding_level = 1e-10;
  if (!std::isfinite(v)) return format_number(v);
  if (std::fabs(v) <= rounding_level * column_largest) return "0";
  char text[32];
  std::snprintf(text, sizeof text, "%.6G", v);
  return text;
}

std::string profile_table_text(const profile_comparison& c) {
  std::string out =
      "quantity\tprofile\tpeak_rate\tpeak_acceleration\tstart_acceleration_jump\t"
      "end_acceleration_jump\tstart_rate_jump\tend_rate_jump\n";
  for (const profile_comparison_row& row : c.rows)
    for (int k = 0; k < 3; ++k) {
      const profile_figures& f = row.figures[k];
      out += row.quantity + "\t" + to_string(compared_profiles[k]);
      for (double v : figures_in_order(f)) out += "\t" + format_number(v);
      out += "\n";
    }
  return out;
}

}  // namespace kinelab

#include "app/service/profile_comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "core/angles.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

// Option1's element for each profile.
constexpr int option_of[3] = {0, 1, 2};

// The steps the copy keeps at once: the figures need each step only once, so the copy's arrays
// stay small whatever N is.
constexpr int kept_steps = 64;

// One quantity's figures, taken step by step as the copy computes them.
class figure_taker {
 public:
  figure_taker(const trajectory_array& a, char component) : array_(&a) {
    const std::size_t first = a.kind == array_kind::scalar ? 0
                              : component == 'y'           ? 3
                              : component == 'z'           ? 6
                                                           : 0;
    const std::vector<array_column> columns = array_columns(a);
    rate_ = columns[first + 1].field;
    accel_ = columns[first + 2].field;
  }

  void take(int step, int slot, int N) {
    const kin_state s = array_->state(static_cast<std::size_t>(slot));
    // A Run replaces what is not finite by 0 before anything reads its arrays.
    const double rate = std::isfinite(s.*rate_) ? s.*rate_ : 0.0;
    const double accel = std::isfinite(s.*accel_) ? s.*accel_ : 0.0;
    f_.peak_rate = std::max(f_.peak_rate, std::fabs(rate));
    f_.peak_acceleration = std::max(f_.peak_acceleration, std::fabs(accel));
    if (step == 0) f_.start_rate_jump = rate, f_.start_acceleration_jump = accel;
    if (step == N) f_.end_rate_jump = -rate, f_.end_acceleration_jump = -accel;
  }

  const profile_figures& figures() const { return f_; }

 private:
  const trajectory_array* array_;
  double kin_state::*rate_;
  double kin_state::*accel_;
  profile_figures f_;
};

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
  const int N = std::max(1, w.settings.N);
  run_settings kept = w.settings;
  kept.N = std::min(N, kept_steps);
  for (int k = 0; k < 3; ++k) {
    sim_window copy(decl, kept);
    copy.open();
    copy.ctl = w.ctl;
    copy.language = w.language;
    copy.translate_caption = w.translate_caption;
    copy.name_controls_in_status = w.name_controls_in_status;
    copy.ctl.option_selected = option_of[k];
    std::vector<std::optional<figure_taker>> takers(decl.graphs.size());
    for (std::size_t r = 0; r < decl.graphs.size(); ++r)
      if (const trajectory_array* a = copy.logic().arrays.find(decl.graphs[r].array))
        takers[r].emplace(*a, decl.graphs[r].component);
    const bool ran = copy.visit_run_steps(N, kept_steps, [&](int step, int slot) {
      for (std::optional<figure_taker>& t : takers)
        if (t) t->take(step, slot, N);
    });
    if (!ran) {
      out.rows.clear();
      out.problem = copy.status;
      return out;
    }
    for (std::size_t r = 0; r < decl.graphs.size(); ++r) {
      const graph_decl& g = decl.graphs[r];
      if (!takers[r]) continue;
      out.rows[r].quantity = quantity_caption(g);
      out.rows[r].figures[k] = takers[r]->figures();
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

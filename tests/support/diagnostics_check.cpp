#include "support/diagnostics_check.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "support/trajectory_check.h"

namespace kinelab::test {

namespace {

double rate_at(const sim_window& w, const stored_rate& r, int i) {
  const trajectory_array* a = w.logic().arrays.find(r.array);
  if (!a) return std::nan("");
  const kin_state s = a->state(static_cast<std::size_t>(i));
  return r.component == 'z' ? s.dz : r.component == 'y' ? s.dy : s.dx;
}

std::string name_of(const stored_rate& r) {
  return r.array + ".d" + r.component;
}

}  // namespace

std::vector<std::string> jacobian_rate_mismatches(const sim_window& w,
                                                  const jacobian_layout& layout, double tolerance) {
  std::vector<std::string> lines;
  for (const auto* side : {&layout.columns, &layout.rows})
    for (const stored_rate& r : *side)
      if (!w.logic().arrays.find(r.array)) lines.push_back("no array " + r.array);
  if (!lines.empty()) return lines;
  const int N = w.logic().arrays.N();
  const int rows = static_cast<int>(layout.rows.size());
  const int cols = static_cast<int>(layout.columns.size());
  jacobian_matrix J;
  if (w.logic().jacobian_at(-1, J) || w.logic().jacobian_at(N + 1, J))
    lines.push_back("a Jacobian outside steps 0.." + std::to_string(N));
  int checked = 0;
  for (int i = 0; i <= N; ++i) {
    if (!w.logic().jacobian_at(i, J)) {
      lines.push_back("no Jacobian at step " + std::to_string(i));
      continue;
    }
    if (J.rows != rows || J.cols != cols) {
      lines.push_back("a " + std::to_string(J.rows) + "×" + std::to_string(J.cols) +
                      " Jacobian, not " + std::to_string(rows) + "×" + std::to_string(cols));
      break;
    }
    double scale = 0, worst = 0;
    int worst_row = 0;
    for (int r = 1; r <= rows; ++r) {
      double product = 0;
      for (int c = 1; c <= cols; ++c) {
        const double term =
            J.m(r, c) * rate_at(w, layout.columns[static_cast<std::size_t>(c - 1)], i);
        product += term;
        scale = std::max(scale, std::fabs(term));
      }
      const double stored = rate_at(w, layout.rows[static_cast<std::size_t>(r - 1)], i);
      scale = std::max(scale, std::fabs(stored));
      if (!(std::fabs(product - stored) <= worst)) {
        worst = std::fabs(product - stored);
        worst_row = r;
      }
    }
    if (scale == 0) continue;
    ++checked;
    if (!(worst <= tolerance * scale)) {
      std::ostringstream o;
      o.precision(10);
      o << "step " << i << ": J·rates misses "
        << name_of(layout.rows[static_cast<std::size_t>(worst_row - 1)]) << " by " << worst
        << " (scale " << scale << ")";
      lines.push_back(o.str());
    }
  }
  if (checked == 0) lines.push_back("every rate was zero: nothing checked");
  return lines;
}

std::unique_ptr<sim_window> run_window(const window_decl& decl,
                                       const std::vector<std::string>& sets) {
  auto w = std::make_unique<sim_window>(decl);
  w->open();
  apply_sets(*w, sets);
  w->press("run");
  return w;
}

std::vector<std::string> branch_jump_alarms(const sim_window& w) {
  std::vector<std::string> lines;
  for (const solved_variable& v : w.decl().solved_variables)
    if (!w.logic().arrays.find(v.array)) lines.push_back("solved variable in no array: " + v.array);
  const std::string jumps = summarize_branch_jumps(w.branch_jumps(), w.decl().branch);
  if (!jumps.empty()) lines.push_back(jumps);
  return lines;
}

}  // namespace kinelab::test

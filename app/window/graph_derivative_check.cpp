#include "app/window/graph_derivative_check.h"

#include <cstdio>

namespace kinelab {

namespace {
std::string format_short(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2g", v);
  return text;
}
}  // namespace

std::optional<std::vector<quantity_check>> check_graph_derivatives(sim_window& w) {
  if (!w.has_run() && !w.compute_trajectory()) return std::nullopt;
  std::vector<quantity_check> checks;
  for (const graph_decl& g : w.decl().graphs)
    if (const trajectory_array* a = w.logic().arrays.find(g.array)) {
      quantity_check q = check_quantity(*a, g.component, w.T(), w.draw_size);
      // Only the figures are kept from one quantity to the next: at N = 200 000 each check's
      // curves take some 11 MB.
      // Named as the window names the quantity; the figures are relative, whatever the unit.
      checks.push_back(
          {quantity_caption(g), {}, {}, {}, {}, {}, q.rate_mismatch, q.accel_mismatch, q.at_rest});
    }
  return checks;
}

std::string derivative_check_text(const std::vector<quantity_check>& checks) {
  std::string out;
  const quantity_check* worst_rate = nullptr;
  const quantity_check* worst_accel = nullptr;
  for (const quantity_check& q : checks) {
    out += describe(q) + "\n";
    if (q.at_rest) continue;
    if (!worst_rate || q.rate_mismatch.relative > worst_rate->rate_mismatch.relative)
      worst_rate = &q;
    if (!worst_accel || q.accel_mismatch.relative > worst_accel->accel_mismatch.relative)
      worst_accel = &q;
  }
  if (worst_rate)
    out += "largest: rate " + format_short(worst_rate->rate_mismatch.relative) + " (" +
           worst_rate->column + "), acceleration " +
           format_short(worst_accel->accel_mismatch.relative) + " (" + worst_accel->column + ")\n";
  else if (!checks.empty())
    out += "largest: none, every quantity at rest\n";
  return out;
}

}  // namespace kinelab

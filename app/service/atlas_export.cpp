#include "app/service/atlas_export.h"

#include <limits>
#include <optional>
#include <sstream>

#include "app/service/window_export.h"
#include "core/angles.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, ',')) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

// A singular Jacobian's condition number (the largest double in the grid) is written `inf`.
std::string condition_text(double condition) {
  return condition >= std::numeric_limits<double>::max() ? "inf" : format_exact(condition);
}

}  // namespace

std::string atlas_csv(const atlas_source& source, const atlas_grid& g) {
  const bool posture = g.mode == atlas_mode::posture;
  std::string out = "# kinelab " + std::string(program_version()) + " workspace atlas\n";
  out += "# window: " + source.window + " (" + source.title + ")\n";
  out += source.geometry;
  out += "# limits:";
  for (std::size_t k = 0; k < g.limits.size(); ++k) {
    const bool angle = source.mechanism.actuators[k].angle;
    const double scale = angle ? 180 / pi : 1;
    out += (k ? ", " : " ") + source.actuator_names[k] + " " +
           format_exact(g.limits[k].lo * scale) + ".." + format_exact(g.limits[k].hi * scale) +
           (angle ? " deg" : "");
  }
  out += "\n# atlas: " + std::string(to_string(g.mode)) + ", plane " + to_string(g.plane) + ", " +
         std::to_string(g.nu) + " x " + std::to_string(g.nv) + " x " + std::to_string(g.nw) +
         " cells of " + format_exact(g.du) + " x " + format_exact(g.dv) + " x " +
         format_exact(g.dw) + (posture ? " deg" : " (length unit)") + ", lower corner " +
         format_exact(g.u0) + ", " + format_exact(g.v0) + ", " + format_exact(g.w0) + "\n";
  if (g.kind == atlas_kind::sampled)
    out += "# sampled: " + std::to_string(g.samples) +
           " Halton samples of the joint ranges; a cell keeps the best sigma_min found in it\n";
  out += "# singularity locus: sigma_min <= " + format_exact(g.singular_threshold) + "\n";
  out += "# " + describe_atlas(g) + "\n";
  for (int a = 0; a < 3; ++a) out += std::string(atlas_axis_name(g.mode, g.plane, a)) + ",";
  out += "reachable,sigma_min,condition,state\n";
  for (int k = 0; k < g.nw; ++k)
    for (int j = 0; j < g.nv; ++j)
      for (int i = 0; i < g.nu; ++i) {
        const std::size_t c = g.index(i, j, k);
        const bool ok = g.state[c] == cell_state::reachable;
        out += format_exact(g.u_at(i)) + "," + format_exact(g.v_at(j)) + "," +
               format_exact(g.w_at(k)) + "," +
               (ok ? "1," + format_exact(g.sigma_min[c]) + "," + condition_text(g.condition[c])
                   : "0,,") +
               "," + to_string(g.state[c]) + "\n";
      }
  return out;
}

atlas_csv_table read_atlas_csv(const std::string& text) {
  atlas_csv_table t;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> cells = split(line);
    if (t.header.empty()) {
      t.header = cells;
      continue;
    }
    auto fail = [&](const std::string& why) {
      t.problem = "line " + std::to_string(number) + ": " + why;
      return t;
    };
    if (cells.size() != 7) return fail("7 columns expected");
    atlas_csv_row r;
    for (int a = 0; a < 3; ++a) {
      const auto v = parse_number(cells[static_cast<std::size_t>(a)]);
      if (!v) return fail("a coordinate is not a number");
      r.coordinate[a] = *v;
    }
    if (cells[3] != "0" && cells[3] != "1") return fail("reachable is 0 or 1");
    r.reachable = cells[3] == "1";
    if (r.reachable) {
      const auto s = parse_number(cells[4]);
      const auto c = cells[5] == "inf" ? std::optional<double>(std::numeric_limits<double>::max())
                                       : parse_number(cells[5]);
      if (!s || !c) return fail("sigma_min and condition are numbers in a reachable cell");
      r.sigma_min = *s, r.condition = *c;
    } else if (!cells[4].empty() || !cells[5].empty()) {
      return fail("sigma_min and condition are empty in a cell that is not reachable");
    }
    r.state = cells[6];
    t.rows.push_back(std::move(r));
  }
  if (t.header.empty()) t.problem = "no header row";
  return t;
}

}  // namespace kinelab

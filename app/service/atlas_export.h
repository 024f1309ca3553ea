#pragma once
// The atlas as a file: CSV with comment lines that make it explain itself (program, window,
// fields, limits, plane and cell size), then one row per cell. And the reader of that file,
// for tools and tests.
#include <string>
#include <vector>

#include "app/atlas/atlas.h"

namespace kinelab {

// Columns: the three grid coordinates (named by the plane: x, y, z or α, β, γ, in the
// window's unit or degrees), reachable (1 or 0), sigma_min, condition, state (the reason a cell
// is not reachable, "no sample" in a sampled atlas's cell no sample fell in). σmin and
// condition are empty where a cell is not reachable; condition is `inf` where the Jacobian is
// singular (the grid holds the largest double there, and the reader gives it back).
std::string atlas_csv(const atlas_source& source, const atlas_grid& grid);

// The rows of a file atlas_csv wrote (comment lines skipped); false with a message when a row
// does not read.
struct atlas_csv_row {
  double coordinate[3] = {};
  bool reachable = false;
  double sigma_min = 0, condition = 0;
  std::string state;
};
struct atlas_csv_table {
  std::vector<std::string> header;
  std::vector<atlas_csv_row> rows;
  std::string problem;  // empty when the file read
};
atlas_csv_table read_atlas_csv(const std::string& text);

}  // namespace kinelab

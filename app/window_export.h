#pragma once
// What a simulation window exports besides result.dat: its trajectory arrays as CSV (the same
// file as kinelab-cli's --dump) and its drawing as SVG.
#include <string>

#include "app/sim_window.h"

namespace kinelab {

// Comment lines ("# ...") that make the file explain itself: the program and its version, the
// window, every field and slider with its value (as kinelab-cli --set would give them), N, T and
// the profile. Then the header row and one row per step 0..N: every array field, the
// Newton–Raphson record where the window keeps one, and the distance to a singularity
// (sigma_min, condition).
std::string window_csv(sim_window& w);

// One comment line per control group: "# Text2: (0) 0.5, (1) 1.2" or "# Text9: 0.001".
void describe_controls(const controls& c, std::string& out);

// The drawing surface as an SVG document.
std::string window_svg(sim_window& w);

// The program version, "1.1.0".
const char* program_version();

}  // namespace kinelab

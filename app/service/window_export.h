#pragma once
// What a simulation window exports besides result.dat: its trajectory arrays as CSV (the same
// file as kinelab-cli's --dump) and its drawing as SVG.
#include <string>

#include "app/io/file_writer.h"
#include "app/io/version.h"
#include "app/window/sim_window.h"

namespace kinelab {

// Why the window's arrays cannot be exported ("no Run yet: ..."); empty when they can.
std::string csv_refusal(const sim_window& w);

// Comment lines ("# ...") that make the file explain itself: the program and its version, the
// window, and the Run that made the arrays — its N, T, profile and every field and slider with
// its value as that Run read them (as kinelab-cli --set would give them). Then the header row
// and one row per step 0..N: every array field, the Newton–Raphson record where the window
// keeps one, the distance to a singularity (sigma_min, condition) and `guarded` (1 where a value
// that was not finite was replaced by 0, 2 on a step that was not reached, 3 for both). Written row
// by row; only after a Run (csv_refusal).
void write_window_csv(sim_window& w, const text_out& out);
std::string window_csv(sim_window& w);  // the whole text
// The CSV streamed into the file at `path` as kinelab-cli --dump writes it; false with `error`
// ("PATH was not written: …") and the system's error number (0 if none) when it could not be.
bool save_window_csv(sim_window& w, const std::string& path, std::string& error, int& error_number);

// One comment line per control group: "# Text2: (0) 0.5, (1) 1.2" or "# Text9: 0.001".
void describe_controls(const controls& c, std::string& out);

// The drawing surface as an SVG document, streamed in blocks or whole.
void write_window_svg(sim_window& w, const text_out& out);
std::string window_svg(sim_window& w);

}  // namespace kinelab

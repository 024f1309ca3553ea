#pragma once
// What every front end (kinelab-cli, the Python module, the desktop program) does with a window,
// written once here so that the front ends stay adapters: which windows are simulations, and a
// Run into a result target.
#include <memory>
#include <optional>
#include <string>

#include "app/window/sim_window.h"

namespace kinelab {

// The simulation a window is, or nullptr for a function-test window: the one place that asks.
sim_window* simulation_of(window_model& w);
const sim_window* simulation_of(const window_model& w);

// A Run into a result target: a file (through sim_window::save_result, as the window's own Run
// writes result.dat) or none. False when a field stopped the Run (the status line says why);
// `error` holds "PATH was not written: …" when the file could not be written, and
// `error_number` (when given) the system's error number of it.
bool run_into(sim_window& w, const std::optional<std::string>& result_path, std::string& error,
              ui_language lang = ui_language::english, int* error_number = nullptr);

// Whether the last Run left solves short of the tolerance (kinelab-cli's exit code 3).
bool last_run_unconverged(const window_model& w);

// The window as freshly opened, with the same settings (N, T): every control at its default,
// no Run, the solves starting where a new window's start. Nullptr for a function-test window.
std::unique_ptr<sim_window> reopened(const sim_window& w);

}  // namespace kinelab

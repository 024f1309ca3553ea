#pragma once
// What the benchmarks share: a scratch working directory (every Run writes result.dat to the
// current directory), windows opened with a given N, and a window's trajectory arrays.
#include <memory>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "app/window/window_model.h"
#include "core/kin_state.h"

namespace kinelab::bench {

// Moves the process into a fresh directory under the system's temporary folder, once; the
// directory and its result.dat are removed when the process ends.
void enter_scratch_dir();

// A new window of the registry with N divisions and T = 1 s, opened (static pose done). Null
// for a name the registry does not hold.
std::unique_ptr<window_model> open_window(const std::string& name, int N);

// The window of `m` when it is a simulation window, else null.
sim_window* as_simulation(window_model* m);

// A trajectory array of a simulation window by name; aborts the benchmark program with a
// message when the window has no such array (the window changed under the benchmark).
std::vector<kin_state> array_of(const sim_window& w, const std::string& name);

}  // namespace kinelab::bench

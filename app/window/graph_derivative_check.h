#pragma once
// The derivative check of a window's graphs as kinelab-cli and scripts report it: one check per
// graph's quantity over the last Run, and the text kinelab-cli prints for them.
#include <optional>
#include <string>
#include <vector>

#include "app/run/derivative_check.h"
#include "app/window/sim_window.h"

namespace kinelab {

// Every graph's quantity, in the order of the graphs. A window that has not run computes its
// trajectory first (without result.dat); none when a field stopped that Run (the window's
// status says which). Each check keeps its figures only, not its curves.
std::optional<std::vector<quantity_check>> check_graph_derivatives(sim_window& w);

// One line per check (describe()), then "largest: rate 3.1e-07 (p4.x), acceleration 2.4e-05
// (the1)" naming the worst of each among the quantities that move ("largest: none, every
// quantity at rest" when none does); empty for no checks.
std::string derivative_check_text(const std::vector<quantity_check>& checks);

}  // namespace kinelab

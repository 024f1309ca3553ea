#pragma once
#include <vector>

#include "app/window/window_entry.h"

namespace kinelab {

// The rail windows in start-menu order.
std::vector<window_entry> rail_windows();

}  // namespace kinelab

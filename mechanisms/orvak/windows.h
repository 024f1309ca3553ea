#pragma once
#include <vector>

#include "app/window/window_entry.h"

namespace kinelab {

// The orvak windows in start-menu order.
std::vector<window_entry> orvak_windows();

}  // namespace kinelab

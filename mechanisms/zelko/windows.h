#pragma once
#include <vector>

#include "app/window/window_entry.h"

namespace kinelab {

// The zelko windows in start-menu order.
std::vector<window_entry> zelko_windows();

}  // namespace kinelab

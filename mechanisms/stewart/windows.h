#pragma once
#include <vector>

#include "app/window/window_entry.h"

namespace kinelab {

// The stewart windows in start-menu order.
std::vector<window_entry> stewart_windows();

}  // namespace kinelab

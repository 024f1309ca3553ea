#pragma once
#include <vector>

#include "app/window/window_entry.h"

namespace kinelab {

// The serial-arm windows in start-menu order.
std::vector<window_entry> serial_windows();

}  // namespace kinelab

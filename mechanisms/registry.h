#pragma once
// Every window of the program, as the GUI's menu and kinelab-cli see them.
#include <string>
#include <vector>

#include "app/window/window_entry.h"

namespace kinelab {

const std::vector<window_entry>& window_registry();
const window_entry* find_window(const std::string& name);

}  // namespace kinelab

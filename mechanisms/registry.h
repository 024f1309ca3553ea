#pragma once
// Every window of the program, as the GUI's menu and kinelab-cli see them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/window_model.h"

namespace kinelab {

struct window_entry {
  std::string name;                                     // "form_3r_jun"
  std::string title;                                    // "3r_jun"
  std::string menu_item;                                // "jun3r"
  std::string menu_caption;                             // "直列３R順運動学"
  bool simulation = true;                               // false for the function-test windows
  std::function<std::unique_ptr<window_model>()> make;  // a new, independent instance
};

const std::vector<window_entry>& window_registry();
const window_entry* find_window(const std::string& name);

}  // namespace kinelab

#pragma once
// How a window is listed for the start menu and kinelab-cli.
#include <functional>
#include <memory>
#include <string>

#include "app/window/sim_window.h"
#include "app/window/window_model.h"

namespace kinelab {

struct window_entry {
  std::string name;          // "form_3r_jun"
  std::string title;         // "3r_jun"
  std::string menu_item;     // "jun3r"
  std::string menu_caption;  // "直列３R順運動学"
  bool simulation = true;    // false for the function-test windows
  std::function<std::unique_ptr<window_model>()> build;

  // A new, independent instance that opens and runs with `s`.
  std::unique_ptr<window_model> make(const run_settings& s = {}) const {
    std::unique_ptr<window_model> w = build();
    w->settings = s;
    return w;
  }
};

// A simulation window's entry: every make() is a new sim_window over the same declaration.
inline window_entry simulation_entry(const window_decl& d, std::string menu_item,
                                     std::string menu_caption) {
  return {d.name, d.title, std::move(menu_item), std::move(menu_caption), true, [&d] {
            return std::make_unique<sim_window>(d);
          }};
}

}  // namespace kinelab

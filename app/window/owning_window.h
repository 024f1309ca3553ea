#pragma once
// A simulation window that owns its declaration: a file window's, made when the file is read.
#include <memory>

#include "app/window/sim_window.h"

namespace kinelab {

std::unique_ptr<sim_window> make_owning_window(window_decl d, const run_settings& settings);

}  // namespace kinelab

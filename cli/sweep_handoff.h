#pragma once
// kinelab-cli --sweep FILE ...: the sweep runs in Python (the package kinelab, on Dask); the
// program's process becomes that interpreter with the same arguments (main() only: run_cli
// refuses --sweep, so that no library caller is replaced).
#include <ostream>
#include <string>
#include <vector>

namespace kinelab {

// Exit status when Python cannot be started or lacks what a sweep needs.
constexpr int exit_sweep_unavailable = 4;

// Replaces this process with `python3 -c <starter> sweep ARGS...` (args: what follows --sweep).
// The interpreter is the one the module was built for (KINELAB_PYTHON in the environment names
// another); the package's folder, in the build tree or under the install prefix next to this
// program, goes first on PYTHONPATH. Returns only when the interpreter cannot be started: the
// message is on `err`, the status exit_sweep_unavailable.
int hand_over_sweep(const std::vector<std::string>& args, std::ostream& err);

}  // namespace kinelab

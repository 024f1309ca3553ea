#pragma once
// kinelab-cli: a headless driver of the same window models the desktop program shows.
//
//   kinelab-cli list
//   kinelab-cli WINDOW [--N n] [--T t] [ACTION]...
//
// Exit status: 0 success (information may still be printed on stderr), 1 the window reported a
// failure (a field that is not a number, a file not written), 2 a usage error.
#include <ostream>
#include <string>
#include <vector>

namespace kinelab {

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kinelab

#pragma once
// What kinelab-cli says about itself: --version and --help.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kinelab {

// The exit status when `args` asks for the version or the help (printed on `out`), else nothing.
// `usage` is the usage text of the command line.
std::optional<int> about_cli(const std::vector<std::string>& args, std::ostream& out,
                             const char* usage);

}  // namespace kinelab

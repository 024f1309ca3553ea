#include "cli/about.h"

#include "app/service/window_export.h"

namespace kinelab {

std::optional<int> about_cli(const std::vector<std::string>& args, std::ostream& out,
                             const char* usage) {
  if (args.empty()) return std::nullopt;
  if (args[0] == "--version") {
    out << "kinelab-cli (kinelab) " << program_version() << "\n";
    return 0;
  }
  if (args[0] != "--help" && args[0] != "-h") return std::nullopt;
  out << "kinelab-cli " << program_version()
      << ": runs kinelab's windows (spatial mechanisms, forward and inverse kinematics)\n"
         "without a display. `kinelab-cli list` names the windows; Run writes result.dat in\n"
         "the current directory.\n"
      << usage
      << "exit status: 0 success; 1 the window reported a failure (a field that is not a number,\n"
         "  a file not written, a Run that overflowed); 2 usage error, or a study that cannot be\n"
         "  opened; 3 the last Run finished but some steps did not reach the tolerance\n"
         "--sweep (runs in Python on Dask): 0 every point ran; 1 some points failed (their rows\n"
         "  say why); 2 usage error or a description refused; 4 Python, the package kinelab,\n"
         "  pandas or Dask missing; 130 interrupted (--resume takes it up)\n";
  return 0;
}

}  // namespace kinelab

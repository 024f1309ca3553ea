#include "cli/sweep_handoff.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace kinelab {

namespace {

namespace fs = std::filesystem;

// Run by the interpreter: a missing package is exit status 4, as a missing interpreter is.
const char* starter =
    "import sys\n"
    "try:\n"
    "    from kinelab.__main__ import main\n"
    "except ImportError as e:\n"
    "    sys.stderr.write('kinelab-cli: --sweep needs the Python package kinelab for ' +\n"
    "                     sys.executable + ' (' + str(e) + ')\\n')\n"
    "    sys.exit(4)\n"
    "sys.exit(main(sys.argv[1:]))\n";

// Where the package kinelab is for this program: the build tree's python/ (the program in
// build/cli), else the install's site folder (the program in PREFIX/bin).
std::string package_folder() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const fs::path up = self.parent_path().parent_path();
  for (const fs::path& dir : {up / "python", up / KINELAB_PYTHON_INSTALL_DIR})
    if (fs::exists(dir / "kinelab" / "__init__.py", ec)) return dir.lexically_normal().string();
  return {};
}

}  // namespace

int hand_over_sweep(const std::vector<std::string>& args, std::ostream& err) {
  const char* chosen = std::getenv("KINELAB_PYTHON");
  const std::string python = chosen && *chosen ? chosen : KINELAB_PYTHON_EXECUTABLE;
  if (const std::string dir = package_folder(); !dir.empty()) {
    const char* old = std::getenv("PYTHONPATH");
    const std::string path = old && *old ? dir + ":" + old : dir;
    setenv("PYTHONPATH", path.c_str(), 1);
  }
  std::vector<std::string> words = {python, "-c", starter, "sweep"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::cout.flush();
  std::cerr.flush();
  execvp(argv[0], argv.data());
  err << "kinelab-cli: --sweep runs on Python, and " << python
      << " cannot be started: " << std::strerror(errno)
      << " (install python3, or name an interpreter in KINELAB_PYTHON)\n";
  return exit_sweep_unavailable;
}

}  // namespace kinelab

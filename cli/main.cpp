#include <iostream>

#include "app/io/file_writer.h"
#include "cli/cli.h"
#include "cli/sweep_handoff.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--sweep")
    return kinelab::hand_over_sweep(std::vector<std::string>(argv + 2, argv + argc), std::cerr);
  kinelab::remove_temporaries_on_signals();
  const int status =
      kinelab::run_cli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
  // What could not be written to standard output (a full disk, a closed pipe) is a failure.
  if (!std::cout.flush()) {
    std::cerr << "kinelab-cli: standard output was not written\n";
    return status == 0 ? 1 : status;
  }
  return status;
}

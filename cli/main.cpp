#include <iostream>

#include "app/io/file_writer.h"
#include "cli/cli.h"

int main(int argc, char** argv) {
  kinelab::remove_temporaries_on_signals();
  return kinelab::run_cli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

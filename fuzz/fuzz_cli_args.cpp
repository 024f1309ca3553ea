// Fuzzes kinelab-cli's argument handling: the input, split at NUL bytes, is the argument list.
//
// The harness runs in a scratch directory of its own (Run writes result.dat to the current
// directory), and the file operands of --svg and --dump are replaced by fixed names, so nothing
// is written elsewhere. --N operands above max_fuzz_divisions are lowered to it: a Run at the
// settings' cap takes a second, which would only slow the search down; for the same reason every
// run starts from T = 1 and N = fuzz_divisions rather than 50. A crash, a sanitizer report or an
// exit status outside 0..3 is a finding.
//
// Give libFuzzer absolute paths for the corpus and the artifacts: the working directory changes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/window/settings.h"
#include "cli/cli.h"
#include "core/number_text.h"

namespace {

constexpr double max_fuzz_divisions = 200;
constexpr int fuzz_divisions = 8;

std::string scratch;

void remove_scratch_directory() {
  std::error_code ec;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
  std::filesystem::remove_all(scratch, ec);
}

// Created on the first input and removed when libFuzzer exits normally (a crash leaves it for
// the reproduction).
void enter_scratch_directory() {
  if (!scratch.empty()) return;
  std::string dir = (std::filesystem::temp_directory_path() / "kinelab-fuzz-XXXXXX").string();
  if (!::mkdtemp(dir.data())) std::abort();
  scratch = dir;
  std::filesystem::current_path(scratch);
  std::atexit(remove_scratch_directory);
}

std::vector<std::string> arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  for (std::size_t k = 0; k + 1 < args.size(); ++k) {
    if (args[k] == "--svg" || args[k] == "--dump") {
      args[k + 1] = args[k] == "--svg" ? "fuzz.svg" : "fuzz.csv";
      ++k;
    } else if (args[k] == "--N") {
      if (const auto n = kinelab::parse_number(args[k + 1]); n && *n > max_fuzz_divisions)
        args[k + 1] = kinelab::format_number(max_fuzz_divisions);
      ++k;
    }
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  enter_scratch_directory();
  std::ostringstream out, err;
  const int status =
      kinelab::run_cli(arguments(data, size), out, err, kinelab::run_settings{.N = fuzz_divisions});
  if (status < 0 || status > 3) std::abort();
  return 0;
}

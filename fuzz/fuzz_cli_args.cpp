// Fuzzes kinelab-cli's argument handling: the input, split at NUL bytes, is the argument list.
//
// The harness runs in a scratch directory of its own (Run writes result.dat to the current
// directory), and every file operand (of --svg, --dump, --save and --load, the opening --load
// included) is replaced by a fixed name in it, so nothing is written, or read, elsewhere; "-",
// standard output, is the harness's own stream and stays. --load reads what an earlier --save or
// --dump of the same input wrote. --N operands above max_fuzz_divisions are lowered to it: a Run at
// the settings' cap takes a second, which would only slow the search down; for the same reason
// every run starts from T = 1 and N = fuzz_divisions rather than 50, and the workspace atlas's
// --cells, --depth and --samples are lowered likewise. A crash, a sanitizer report or an exit
// status outside 0..3 is a finding.
//
// Give libFuzzer absolute paths for the corpus and the artifacts: the working directory changes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
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
constexpr double max_fuzz_cells = 64, max_fuzz_samples = 20000;
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

// The fixed name in the scratch directory for the file operand of `option`; none for an option
// without one and for standard output.
const char* scratch_name(const std::string& option, const std::string& operand) {
  if (operand == "-" && option != "--load") return nullptr;
  if (option == "--svg") return "fuzz.svg";
  if (option == "--dump") return "fuzz.csv";
  if (option == "--save") return "fuzz.kinelab";
  if (option == "--load") return operand == "fuzz.csv" ? "fuzz.csv" : "fuzz.kinelab";
  return nullptr;
}

// The largest operand the harness lets through for `option`; 0 for an option it leaves alone.
double largest(const std::string& option) {
  if (option == "--N") return max_fuzz_divisions;
  if (option == "--cells" || option == "--depth") return max_fuzz_cells;
  if (option == "--samples") return max_fuzz_samples;
  return 0;
}

std::vector<std::string> arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  // The default atlas of an arm draws a million samples, half a minute under the sanitizers;
  // an input's own --samples after this one still counts (lowered below).
  for (std::size_t k = 0; k < args.size(); ++k)
    if (args[k] == "--workspace")
      args.insert(args.begin() + static_cast<long>(k) + 1,
                  {"--samples", kinelab::format_number(max_fuzz_samples)});
  for (std::size_t k = 0; k + 1 < args.size(); ++k) {
    if (const char* name = scratch_name(args[k], args[k + 1])) {
      args[k + 1] = name;
      ++k;
    } else if (const double cap = largest(args[k]); cap > 0) {
      if (const auto n = kinelab::parse_number(args[k + 1]); n && *n > cap)
        args[k + 1] = kinelab::format_number(cap);
      ++k;
    }
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  enter_scratch_directory();
  // Each input starts from an empty scratch directory: what it loads, it wrote itself.
  for (const char* name : {"fuzz.svg", "fuzz.csv", "fuzz.kinelab", "result.dat"}) std::remove(name);
  std::ostringstream out, err;
  const int status =
      kinelab::run_cli(arguments(data, size), out, err, kinelab::run_settings{.N = fuzz_divisions});
  if (status < 0 || status > 3) std::abort();
  return 0;
}

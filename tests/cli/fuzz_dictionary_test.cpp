// The fuzzer's dictionary (fuzz/cli_args.dict) holds every word the command line knows: each
// window of the registry, each action of kinelab-cli and each simulation-window button. A word
// missing from it is a part of the program the fuzzer hardly reaches.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "cli/cli.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

// The entries' values, with libFuzzer's escapes (\xNN, \\, \") undone.
std::vector<std::string> dictionary_values(const std::string& path) {
  std::vector<std::string> values;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const auto open = line.find('"'), close = line.rfind('"');
    if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) continue;
    std::string v;
    for (std::size_t i = open + 1; i < close; ++i) {
      if (line[i] != '\\' || i + 1 >= close) {
        v += line[i];
      } else if (line[i + 1] == 'x' && i + 3 < close) {
        v += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else {
        v += line[++i];
      }
    }
    values.push_back(v);
  }
  return values;
}

TEST(fuzz_dictionary, holds_every_window_action_and_button) {
  const std::vector<std::string> values =
      dictionary_values(std::string(KINELAB_SOURCE_DIR) + "/fuzz/cli_args.dict");
  ASSERT_FALSE(values.empty());
  // A word counts when an entry holds it as a whole argument (between NULs or the entry's ends).
  auto holds = [&](const std::string& word) {
    for (const std::string& v : values)
      for (auto at = v.find(word); at != std::string::npos; at = v.find(word, at + 1)) {
        const bool starts = at == 0 || v[at - 1] == '\0';
        const bool ends = at + word.size() == v.size() || v[at + word.size()] == '\0';
        if (starts && ends) return true;
      }
    return false;
  };
  std::vector<std::string> words = cli_actions();
  for (const window_entry& e : window_registry()) words.push_back(e.name);
  for (const std::string& b : sim_window::button_names()) words.push_back(b);
  for (const std::string& w : words) EXPECT_TRUE(holds(w)) << w << " is not in the dictionary";
}

}  // namespace
}  // namespace kinelab

#pragma once
// A file's bytes as a string ("" when it cannot be read).
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kinelab::test {

inline std::string file_text(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace kinelab::test

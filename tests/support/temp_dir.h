#pragma once
// Runs a test inside a fresh temporary working directory (result.dat is written to the current
// directory), restoring the previous one afterwards.
#include <filesystem>
#include <random>
#include <string>

namespace kinelab::test {

class temp_working_dir {
 public:
  temp_working_dir() : previous_(std::filesystem::current_path()) {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("kinelab-test-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~temp_working_dir() {
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_, path_;
};

}  // namespace kinelab::test

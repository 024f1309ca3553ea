#include "bench/bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "mechanisms/registry.h"

namespace kinelab::bench {

namespace {

std::filesystem::path& scratch_path() {
  static std::filesystem::path p;
  return p;
}

void remove_scratch() {
  std::error_code ec;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
  std::filesystem::remove_all(scratch_path(), ec);
}

}  // namespace

void enter_scratch_dir() {
  if (!scratch_path().empty()) return;
  std::random_device rd;
  scratch_path() =
      std::filesystem::temp_directory_path() / ("kinelab-bench-" + std::to_string(rd()));
  std::filesystem::create_directories(scratch_path());
  std::filesystem::current_path(scratch_path());
  std::atexit(remove_scratch);
}

std::unique_ptr<window_model> open_window(const std::string& name, int N) {
  const window_entry* e = find_window(name);
  if (!e) return nullptr;
  std::unique_ptr<window_model> m = e->make({.N = N});
  m->open();
  return m;
}

sim_window* as_simulation(window_model* m) {
  return dynamic_cast<sim_window*>(m);
}

std::vector<kin_state> array_of(const sim_window& w, const std::string& name) {
  const trajectory_array* a = w.logic().arrays.find(name);
  if (!a) {
    std::fprintf(stderr, "kinelab_bench: window %s has no array %s\n", w.name().c_str(),
                 name.c_str());
    std::abort();
  }
  std::vector<kin_state> out(a->size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = a->state(i);
  return out;
}

}  // namespace kinelab::bench

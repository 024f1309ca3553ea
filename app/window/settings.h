#pragma once
// What a window's Run uses besides its controls: the number of time divisions N, the cycle
// time T in seconds and the file result.dat is written to. Every window holds its own; the
// start window's settings and kinelab-cli's --N/--T are given to the windows they open.
#include <filesystem>
#include <optional>
#include <string>

#include "app/text/messages.h"

namespace kinelab {

struct run_settings {
  int N = 50;    // 1..max_divisions
  double T = 1;  // seconds, at least min_cycle_time
  // Relative to the current directory at the time of the Run.
  std::filesystem::path result_path = "result.dat";
};

// Largest N accepted: keeps the largest window's arrays within about 1 GiB.
inline constexpr double max_divisions = 200000;
// Smallest T accepted, in seconds: accelerations grow as 1/T².
inline constexpr double min_cycle_time = 1e-6;

// Checks T (seconds) and N as numbers; on success stores them in `s` and returns nothing,
// otherwise returns the message in `lang` (T's first), and `s` stays as it was.
std::optional<std::string> apply_settings(double cycle_time, double divisions, run_settings& s,
                                          ui_language lang = ui_language::english);

// Checks the settings window's two texts; on success stores them in `s` and returns nothing,
// otherwise returns the message naming the field in `lang`, and `s` stays as it was.
std::optional<std::string> apply_settings(const std::string& cycle_time_text,
                                          const std::string& divisions_text, run_settings& s,
                                          ui_language lang = ui_language::english);

}  // namespace kinelab

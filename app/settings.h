#pragma once
// The two settings every window shares, held for the life of the process: the number of time
// divisions N and the cycle time T in seconds. They are the only global state of the program.
#include <optional>
#include <string>

namespace kinelab {

struct global_settings {
  double N = 50;  // whole and positive once validated
  double T = 1;   // seconds
};
global_settings& settings();

// Largest N accepted: keeps the largest window's arrays within about 1 GiB.
inline constexpr double max_divisions = 200000;
// Smallest T accepted, in seconds: accelerations grow as 1/T².
inline constexpr double min_cycle_time = 1e-6;

// Checks the settings window's two texts; on success stores them and returns nothing,
// otherwise returns the message naming the field, and the previous settings stay.
std::optional<std::string> apply_settings(const std::string& cycle_time_text,
                                          const std::string& divisions_text);

}  // namespace kinelab

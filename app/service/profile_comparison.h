#pragma once
// The profile comparison: the window's current start and stop run under each of the three
// profiles, and for every quantity its graphs show (the driven quantities and the outputs) the
// peak rate and acceleration and the jumps the profile imposes where the motion starts from rest
// and comes back to rest. Each quantity is named and measured as the window shows it (degrees
// where it shows degrees), per second of the cycle time.
#include <array>
#include <string>
#include <vector>

#include "app/window/sim_window.h"

namespace kinelab {

struct profile_figures {
  double peak_rate = 0, peak_acceleration = 0;
  // a(0) − 0 and 0 − a(N): the acceleration jumps at the start and the end (the jerk is their
  // impulse); likewise the rate jumps, which only constant velocity has.
  double start_acceleration_jump = 0, end_acceleration_jump = 0;
  double start_rate_jump = 0, end_rate_jump = 0;
};

// The profiles in the order of the figures.
inline constexpr profile_kind compared_profiles[3] = {profile_kind::quintic, profile_kind::cubic,
                                                      profile_kind::linear};

struct profile_comparison_row {
  std::string quantity;        // as the window names it, "the1(deg)", "出力Pｘ"
  profile_figures figures[3];  // as compared_profiles: quintic, cubic, constant velocity
};

struct profile_comparison {
  std::vector<profile_comparison_row> rows;
  std::string problem;  // why the comparison could not run (a field that is not a number)
};

// Runs copies of the window (its controls, the settings' N and T) without touching the window,
// its result.dat or its drawing.
profile_comparison compare_profiles(const sim_window& w);

// The table as tab-separated text with a header row, numbers in the default number form.
std::string profile_table_text(const profile_comparison& c);

// A row's six figures in the order of the table's columns.
std::array<double, 6> figures_in_order(const profile_figures& f);
// The largest magnitude of each figure column over the whole comparison.
std::array<double, 6> column_largest(const profile_comparison& c);
// A figure as a person reads it: six significant digits, and 0 where it lies at the rounding
// level of its column (a cubic's start jump of 3E-16 beside a peak of 20: no jump at all).
std::string readable_figure(double v, double column_largest);

}  // namespace kinelab

#include "app/settings.h"

#include <cmath>

#include "core/number_text.h"

namespace kinelab {

namespace {

// Captions of the two fields as the settings window shows them, so a message points at the
// field the user has to correct.
constexpr const char* cycle_time_caption = "サイクルタイム(秒)";
constexpr const char* divisions_caption = "時分割数";

std::string not_a_number(const char* caption, const std::string& text) {
  return std::string(caption) + "「" + text + "」は数値ではありません";
}

}  // namespace

std::optional<std::string> apply_settings(const std::string& cycle_time_text,
                                          const std::string& divisions_text, run_settings& s) {
  const std::optional<double> T = parse_number(cycle_time_text);
  if (!T) return not_a_number(cycle_time_caption, cycle_time_text);
  // The profile rates divide by T and the accelerations by T², so T must be above zero, and
  // not so small that the accelerations overflow.
  if (!(*T > 0)) return std::string(cycle_time_caption) + "は正の数を入力してください";
  if (*T < min_cycle_time)
    return std::string(cycle_time_caption) + "は" + format_number(min_cycle_time) +
           "以上にしてください";

  const std::optional<double> N = parse_number(divisions_text);
  if (!N) return not_a_number(divisions_caption, divisions_text);
  // τ = i/N needs N ≥ 1, and the steps 0..N index arrays, so N must be whole.
  if (!(*N >= 1) || std::floor(*N) != *N)
    return std::string(divisions_caption) + "は1以上の整数を入力してください";
  if (*N > max_divisions)
    return std::string(divisions_caption) + "は" + format_number(max_divisions) +
           "以下にしてください";

  s.T = *T;
  s.N = static_cast<int>(*N);
  return std::nullopt;
}

}  // namespace kinelab

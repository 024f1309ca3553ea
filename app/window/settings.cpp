#include "app/window/settings.h"

#include <cmath>

#include "app/text/messages.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

std::optional<std::string> cycle_time_problem(double T, ui_language lang) {
  if (!std::isfinite(T))
    return message(lang, message_id::cycle_time_not_a_number,
                   {quoted_text(lang, std::isnan(T) ? "nan"
                                      : T > 0       ? "inf"
                                                    : "-inf")});
  // The profile rates divide by T and the accelerations by T², so T must be above zero, and
  // not so small that the accelerations overflow.
  if (!(T > 0)) return message(lang, message_id::cycle_time_not_positive);
  if (T < min_cycle_time)
    return message(lang, message_id::cycle_time_too_small, {format_number(min_cycle_time)});
  return std::nullopt;
}

std::optional<std::string> divisions_problem(double N, ui_language lang) {
  // τ = i/N needs N ≥ 1, and the steps 0..N index arrays, so N must be whole.
  if (!(N >= 1) || std::floor(N) != N) return message(lang, message_id::divisions_not_whole);
  if (N > max_divisions)
    return message(lang, message_id::divisions_too_large, {format_number(max_divisions)});
  return std::nullopt;
}

}  // namespace

std::optional<std::string> apply_settings(double cycle_time, double divisions, run_settings& s,
                                          ui_language lang) {
  if (auto problem = cycle_time_problem(cycle_time, lang)) return problem;
  if (auto problem = divisions_problem(divisions, lang)) return problem;
  s.T = cycle_time;
  s.N = static_cast<int>(divisions);
  return std::nullopt;
}

std::optional<std::string> apply_settings(const std::string& cycle_time_text,
                                          const std::string& divisions_text, run_settings& s,
                                          ui_language lang) {
  const std::optional<double> T = parse_number(cycle_time_text);
  if (!T)
    return message(lang, message_id::cycle_time_not_a_number, {quoted_text(lang, cycle_time_text)});
  if (auto problem = cycle_time_problem(*T, lang)) return problem;
  const std::optional<double> N = parse_number(divisions_text);
  if (!N)
    return message(lang, message_id::divisions_not_a_number, {quoted_text(lang, divisions_text)});
  return apply_settings(*T, *N, s, lang);
}

}  // namespace kinelab

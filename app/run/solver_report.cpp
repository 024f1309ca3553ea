#include "app/run/solver_report.h"

#include "app/text/messages.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

constexpr int status_count = 5;

// What the mechanism could not take, in the user's language.
std::string reason_text(nr_obstacle reason, ui_language lang) {
  switch (reason) {
    case nr_obstacle::rod_off_rail:
      return message(lang, message_id::reason_rod_off_rail);
    case nr_obstacle::leg_not_finite:
      return message(lang, message_id::reason_leg_not_finite);
    case nr_obstacle::leg_rate_not_finite:
      return message(lang, message_id::reason_leg_rate_not_finite);
    case nr_obstacle::none:
      break;
  }
  return "";
}

std::string residual_text(const nr_outcome& o, ui_language lang) {
  std::string s = message(lang, message_id::residual, {format_number(o.residual)});
  const std::string comma = lang == ui_language::japanese ? "、" : ", ";
  if (o.status == nr_status::singular)
    s += comma + message(lang, message_id::status_singular);
  else if (o.status == nr_status::not_finite)
    s += comma + message(lang, message_id::status_not_finite);
  else if (o.status == nr_status::unreachable)
    s += comma + message(lang, message_id::status_unreachable, {reason_text(o.reason, lang)});
  return s;
}

}  // namespace

std::string summarize_run(const std::vector<nr_outcome>& steps, ui_language lang) {
  int failed = 0, first = -1, minimum_norm = 0;
  int by_status[status_count] = {};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].minimum_norm_rates) ++minimum_norm;
    if (steps[i].status == nr_status::converged) continue;
    ++failed;
    ++by_status[static_cast<int>(steps[i].status)];
    if (first < 0) first = static_cast<int>(i);
  }
  // The steps whose rates are least-squares ones, at a Jacobian singular where they stand.
  const std::string rates_note = minimum_norm == 0 ? ""
                                                   : message(lang, message_id::minimum_norm_rates,
                                                             {std::to_string(minimum_norm)});
  if (failed == 0) return rates_note;
  std::string s = message(lang, message_id::steps_not_converged,
                          {std::to_string(failed), std::to_string(steps.size())});
  if (by_status[1] != failed) {  // not all at the iteration limit: say how each ended
    std::string parts;
    const message_id names[status_count] = {
        message_id::ending_iteration_limit, message_id::ending_iteration_limit,
        message_id::ending_singular, message_id::ending_not_finite, message_id::ending_unreachable};
    for (int k = 1; k < status_count; ++k)
      if (by_status[k] > 0)
        parts += (parts.empty()                   ? ""
                  : lang == ui_language::japanese ? "、"
                                                  : ", ") +
                 message(lang, names[k], {std::to_string(by_status[k])});
    s += message(lang, message_id::steps_by_ending, {parts});
  }
  s +=
      message(lang, message_id::first_unconverged,
              {std::to_string(first), residual_text(steps[static_cast<std::size_t>(first)], lang)});
  return rates_note.empty() ? s : s + report_separator(lang) + rates_note;
}

std::string summarize_static_pose(const nr_outcome& step, ui_language lang) {
  if (step.status == nr_status::converged)
    return step.minimum_norm_rates ? message(lang, message_id::static_pose_minimum_norm_rates) : "";
  return message(lang, message_id::static_pose_not_converged, {residual_text(step, lang)});
}

}  // namespace kinelab

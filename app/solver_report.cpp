#include "app/solver_report.h"

#include "app/messages.h"
#include "core/number_text.h"

namespace kinelab {

namespace {
std::string residual_text(const nr_outcome& o, ui_language lang) {
  std::string s = message(lang, message_id::residual, {format_number(o.residual)});
  if (o.status == nr_status::singular)
    s += (lang == ui_language::japanese ? "、" : ", ") + message(lang, message_id::status_singular);
  else if (o.status == nr_status::not_finite)
    s += (lang == ui_language::japanese ? "、" : ", ") +
         message(lang, message_id::status_not_finite);
  return s;
}
}  // namespace

std::string summarize_run(const std::vector<nr_outcome>& steps, ui_language lang) {
  int failed = 0, first = -1;
  int by_status[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].status == nr_status::converged) continue;
    ++failed;
    ++by_status[static_cast<int>(steps[i].status)];
    if (first < 0) first = static_cast<int>(i);
  }
  if (failed == 0) return "";
  std::string s = message(lang, message_id::steps_not_converged,
                          {std::to_string(failed), std::to_string(steps.size())});
  if (by_status[1] != failed) {  // not all at the iteration limit: say how each ended
    std::string parts;
    const message_id names[] = {message_id::ending_iteration_limit,
                                message_id::ending_iteration_limit, message_id::ending_singular,
                                message_id::ending_not_finite};
    for (int k = 1; k <= 3; ++k)
      if (by_status[k] > 0)
        parts += (parts.empty()                   ? ""
                  : lang == ui_language::japanese ? "、"
                                                  : ", ") +
                 message(lang, names[k], {std::to_string(by_status[k])});
    s += message(lang, message_id::steps_by_ending, {parts});
  }
  return s + message(lang, message_id::first_unconverged,
                     {std::to_string(first),
                      residual_text(steps[static_cast<std::size_t>(first)], lang)});
}

std::string summarize_static_pose(const nr_outcome& step, ui_language lang) {
  if (step.status == nr_status::converged) return "";
  return message(lang, message_id::static_pose_not_converged, {residual_text(step, lang)});
}

}  // namespace kinelab

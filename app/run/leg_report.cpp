#include "app/run/leg_report.h"

#include <cstddef>
#include <utility>

namespace kinelab {

leg_fault_log::leg_fault_log(leg_fault kind, std::vector<std::string> leg_names)
    : kind_(kind), names_(std::move(leg_names)) {}

void leg_fault_log::note(int step, unsigned legs) {
  const auto at = static_cast<std::size_t>(step);
  if (per_step_.size() <= at) per_step_.resize(at + 1);
  per_step_[at] |= legs;
}

std::string leg_fault_log::legs_text(unsigned legs, ui_language lang) const {
  std::string list;
  int count = 0;
  for (unsigned k = 0; k < 32 && (legs >> k) != 0; ++k) {
    if ((legs & (1u << k)) == 0) continue;
    list += count++ ? list_separator(lang) : "";
    list += k < names_.size() ? names_[k] : std::to_string(k + 1);
  }
  return message(lang, count == 1 ? message_id::one_leg : message_id::many_legs, {list});
}

std::string leg_fault_log::text(ui_language lang) const {
  unsigned legs = 0;
  int steps = 0, first = -1;
  for (std::size_t i = 0; i < per_step_.size(); ++i) {
    if (per_step_[i] == 0) continue;
    legs |= per_step_[i];
    if (steps++ == 0) first = static_cast<int>(i);
  }
  if (steps == 0) return {};
  return message(
      lang,
      kind_ == leg_fault::zero_length ? message_id::legs_zero_length : message_id::legs_unreachable,
      {std::to_string(steps), std::to_string(per_step_.size()), legs_text(legs, lang),
       std::to_string(first)});
}

}  // namespace kinelab

#include "app/study/json_fields.h"

namespace kinelab {

std::string json_problem_message(const json_problem& p, const std::string& path, ui_language lang) {
  std::string problem;
  switch (p.what_kind) {
    case json_problem::kind::truncated:
      problem = message(lang, message_id::mechanism_truncated);
      break;
    case json_problem::kind::too_deep:
      problem = message(lang, message_id::json_too_deep, {std::to_string(max_json_depth)});
      break;
    case json_problem::kind::number_range:
      problem = message(lang, message_id::json_number_range);
      break;
    case json_problem::kind::duplicate_key:
      problem = message(lang, message_id::mechanism_duplicate_key, {std::to_string(p.first_line)});
      break;
    case json_problem::kind::not_json:
      problem = message(lang, message_id::json_syntax, {p.what()});
      break;
  }
  return located_message(path, p.line > 0 ? p.line : 1, p.key, problem);
}

}  // namespace kinelab

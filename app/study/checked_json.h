#pragma once
// JSON documents read with the limits every reader of user files holds them to, before any
// part of a value is built: nesting no deeper than max_json_depth (the library copies and
// destroys a value recursively, so a deep one would overflow the stack), every number within a
// double's range, no key twice in one object. One pass of the library's event parser checks
// each event, notes the line of every key, so that messages can name it, and builds the value.
// (Not the library's parser callback: it searches the enclosing array or object at the end of
// every object, which is quadratic in the length of an array of objects.)
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

namespace kinelab {

inline constexpr int max_json_depth = 64;

// What is wrong with a document, where (line 0: not known) and under which key.
struct json_problem : std::runtime_error {
  enum class kind {
    not_json,       // the parser's report in what()
    truncated,      // the text ends inside the document
    too_deep,       // nested deeper than max_json_depth
    number_range,   // a number beyond the range of a double
    duplicate_key,  // `key` stands twice in one object; `first_line` is the first
  };
  json_problem(kind k, int line, std::string key, const std::string& detail, int first_line = 0)
      : std::runtime_error(detail),
        what_kind(k),
        line(line),
        key(std::move(key)),
        first_line(first_line) {}
  kind what_kind;
  int line;
  std::string key;
  int first_line;
};

struct checked_json {
  nlohmann::json value;
  // The line of each key by its path: "N", "fields/Text2(1)", "joints/2/a" (object keys and
  // array indices from 0 joined by '/').
  std::map<std::string, int> key_lines;
  // The keys of the top-level object in the order they stand.
  std::vector<std::string> top_level_keys;

  int line_of(const std::string& path) const {
    const auto it = key_lines.find(path);
    return it == key_lines.end() ? 0 : it->second;
  }
};

// Throws json_problem. The values of the top-level keys `kept` refuses are checked but not
// built (`value` holds no such key): a reader that only names them need not hold them.
checked_json read_checked_json(const std::string& text,
                               const std::function<bool(const std::string&)>& kept = {});

}  // namespace kinelab

#pragma once
// Reading the entries of a user's JSON document (a mechanism file) where every problem is
// refused as "FILE:LINE: KEY: problem": the place as the file has it, the problem from the
// catalogue in the reader's language. KEY is the entry's path, array indices from 0
// ("joints/2/a"); a missing entry is placed at the object that lacks it. A reader derives from
// json_fields<its error> and adds what its format holds.
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>

#include "app/study/checked_json.h"
#include "app/text/messages.h"
#include "core/array_algebra.h"

namespace kinelab {

// The problem of a document read_checked_json refused, placed: "FILE:LINE: KEY: problem".
std::string json_problem_message(const json_problem& p, const std::string& path, ui_language lang);

template <class Error>
class json_fields {
 public:
  using json = nlohmann::json;

  json_fields(const checked_json& doc, std::string path, ui_language lang)
      : doc_(doc), path_(std::move(path)), lang_(lang) {}

  [[noreturn]] void fail(const std::string& key, message_id problem,
                         std::initializer_list<std::string_view> arguments = {}) const {
    fail_with(key, message(lang_, problem, arguments));
  }
  [[noreturn]] void fail_with(const std::string& key, const std::string& problem) const {
    throw Error(located_message(path_, line_near(key), key, problem));
  }

  // The line of `key`, else of the first key below it, else of its parent.
  int line_near(const std::string& key) const {
    if (const int l = doc_.line_of(key)) return l;
    const auto below = doc_.key_lines.lower_bound(key + "/");
    if (below != doc_.key_lines.end() && below->first.rfind(key + "/", 0) == 0)
      return below->second;
    const auto slash = key.rfind('/');
    return slash == std::string::npos ? 1 : line_near(key.substr(0, slash));
  }

  static std::string at(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "/" + key;
  }

  void only_keys(const json& object, const std::string& path,
                 const std::set<std::string>& known) const {
    for (auto it = object.begin(); it != object.end(); ++it)
      if (!known.count(it.key())) fail(at(path, it.key()), message_id::study_unknown_key);
  }

  const json* find(const json& object, const std::string& key) const {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
  }
  const json& need(const json& object, const std::string& path, const std::string& key) const {
    const json* v = find(object, key);
    if (!v) fail(at(path, key), message_id::mechanism_missing);
    return *v;
  }
  std::string text(const json& v, const std::string& key) const {
    if (!v.is_string()) fail(key, message_id::mechanism_not_text);
    return v.get<std::string>();
  }
  double number(const json& v, const std::string& key) const {
    if (!v.is_number()) fail(key, message_id::mechanism_not_a_number);
    return v.get<double>();
  }
  double number_of(const json& object, const std::string& path, const std::string& key) const {
    return number(need(object, path, key), at(path, key));
  }
  vec3 triple(const json& v, const std::string& key) const {
    if (!v.is_array() || v.size() != 3) fail(key, message_id::mechanism_not_three_numbers);
    vec3 t;
    for (int i = 0; i < 3; ++i)
      t(i + 1) = number(v[static_cast<std::size_t>(i)], key + "/" + std::to_string(i));
    return t;
  }

 protected:
  const checked_json& doc_;
  std::string path_;
  ui_language lang_;
};

}  // namespace kinelab
